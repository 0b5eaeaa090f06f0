#include "stage_options.h"

#include <gtest/gtest.h>

namespace {

using Args = std::vector<std::string>;
using namespace stagerun;

TEST(StageOptions, SecondStageOnlyForAnExactExecAfterTheProgram)
{
    EXPECT_TRUE(IsSecondStage({"prog", "/Cmd", "x", "/Exec"}));
    EXPECT_FALSE(IsSecondStage({"/Exec"}));
    EXPECT_FALSE(IsSecondStage({"prog", "/exec"}));
    EXPECT_FALSE(IsSecondStage({"prog", "/EXEC", "/Exec "}));
}

TEST(StageOptions, FirstStageQuotesEveryArgument)
{
    EXPECT_EQ(FirstStageParameters({"prog"}), "/Exec");
    EXPECT_EQ(FirstStageParameters({"prog", "/Cmd", "a b", ""}), "/Exec \"/Cmd\" \"a b\" \"\"");
}

TEST(StageOptions, SecondStageReadsOptionsWithTheirValues)
{
    const struct {
        Args args;
        std::string cmd, param;
        std::optional<std::string> exe;
    } cases[] = {
        {{"p", "/Exec", "/Cmd", "c", "/Param", "x y", "/ExePath", "e"}, "c", "x y", "e"},
        {{"p", "/Cmd", "a", "/Cmd", "b", "/Exec"}, "b", "", std::nullopt},
        {{"p", "/Exec", "/Param"}, "", "", std::nullopt},
        {{"p", "/Param", "/Cmd", "/Exec"}, "", "/Cmd", std::nullopt},
        {{"p", "/cmd", "c", "/Param", "&quot;a b&quot; &quot;&quot;", "/ExePath", "&quot;e"}, "", "\"a b\" \"\"",
            "&quot;e"},
        {{"p", "/Cmd", "&quot;&quot;&quot;", "/Param", "&amp;quot;"}, "\"\"\"", "&amp;quot;", std::nullopt},
    };
    for (const auto& c : cases) {
        const SecondStageOptions o = ParseSecondStage(c.args);
        EXPECT_EQ(o.command, c.cmd);
        EXPECT_EQ(o.parameters, c.param);
        EXPECT_EQ(o.exePath, c.exe);
    }
}

} // namespace
