#include "testkit.h"
#include "update_testkit.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;
using updatetest::Quote;

// The probe program copied into a folder of the test's own, with the
// constants files beside it; the library stays in the build's bin folder.
class ParamkitTest : public ::testing::Test {
protected:
    ParamkitTest() { fs::copy_file(PROBE_PROGRAM, m_dir / "probe"); }
    void Const(const std::string& xml) { testkit::WriteFile(m_dir / "const.xml", xml); }
    void Debug(const std::string& xml) { testkit::WriteFile(m_dir / "constDebug.xml", xml); }
    // "result N" and one "found|value" line per key, capacities as given.
    std::string Lookup(const std::vector<std::pair<std::string, int>>& keys)
    {
        std::string cmd = Quote(m_dir / "probe") + " " + Quote(QX_BIN_DIR "/libParamkit.so");
        for (const auto& [key, capacity] : keys)
            cmd += " " + Quote(key) + " " + std::to_string(capacity);
        const auto r = updatetest::Run(cmd);
        EXPECT_EQ(r.code, 0u);
        return r.output;
    }
    testkit::TempDir m_dir;
};

const char* kConst = R"(<?xml version="1.0" encoding="UTF-8"?>
<data>
  <messageFileUrl>http://127.0.0.1/messages.zip</messageFileUrl>
  <checkInterval>
     3
  </checkInterval>
  <updateInterval>24</updateInterval>
  <title>ヴェルモラ</title>
  <empty/>
</data>
)";

TEST_F(ParamkitTest, ReadsTheKeysTheAgentUses)
{
    Const(kConst);
    EXPECT_EQ(Lookup({{"/data/messageFileUrl", 1000}, {"/data/checkInterval", 10}, {"/data/updateInterval", 10},
                  {"/data/missing", 10}, {"/data/empty", 10}, {"/data/title", 6}}),
        "result 1\n"
        "1|http://127.0.0.1/messages.zip\n"
        "1|3\n"
        "1|24\n"
        "0|#\n"
        "1|\n"
        "1|ヴェルモラ\n");
}

TEST_F(ParamkitTest, ValueMustBeShorterThanItsCapacity)
{
    Const(kConst);
    EXPECT_EQ(Lookup({{"/data/updateInterval", 3}, {"/data/updateInterval", 2}, {"/data/title", 5},
                  {"/data/empty", 1}, {"/data/empty", 0}}),
        "result 1\n1|24\n0|#\n0|#\n1|\n0|#\n");
}

TEST_F(ParamkitTest, DebugFileWinsAndFillsIn)
{
    Const(kConst);
    Debug("<data><checkInterval>0.5</checkInterval><extra>x</extra></data>");
    EXPECT_EQ(Lookup({{"/data/checkInterval", 10}, {"/data/updateInterval", 10}, {"/data/extra", 10}}),
        "result 1\n1|0.5\n1|24\n1|x\n");
}

TEST_F(ParamkitTest, OnlyTheDebugFile)
{
    Debug("<data><checkInterval>1</checkInterval></data>");
    EXPECT_EQ(Lookup({{"/data/checkInterval", 10}, {"/data/updateInterval", 10}}), "result 0\n1|1\n0|#\n");
}

TEST_F(ParamkitTest, BadFilesAndKeysNeverCrash)
{
    const std::string cases[] = {
        "",
        "<data><checkInterval>3</checkInterval>",
        "not xml at all",
        "<?xml version=\"1.0\"?>",
        // External entities are never fetched or expanded.
        "<!DOCTYPE data [<!ENTITY x SYSTEM \"file:///etc/passwd\">]><data><checkInterval>&x;</checkInterval></data>",
    };
    for (const std::string& xml : cases) {
        Const(xml);
        const std::string out = Lookup({{"/data/checkInterval", 100}});
        EXPECT_TRUE(out == "result 0\n0|#\n" || out == "result 1\n1|\n") << xml << "\n" << out;
    }
    Const(kConst);
    EXPECT_EQ(Lookup({{"///[", 10}, {"count(/data)", 10}, {"", 10}, {"/data/checkInterval", 10}}),
        "result 1\n0|#\n0|#\n0|#\n1|3\n");
}

} // namespace
