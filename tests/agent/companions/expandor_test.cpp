// Expandor with real archives made at test time: zip and tar(.gz) unpack
// into the folder; entries that would leave it are refused and nothing is
// written, inside or out.
#include "entry_check.h"
#include "program_kit.h"
#include "testkit.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using programkit::Quote;
using programkit::RunProgram;

namespace {

class ExpandorTest : public ::testing::Test {
protected:
    // Makes an archive of the given kind from entry specs (see make_archive.py).
    std::string Archive(const std::string& kind, const std::vector<std::string>& specs)
    {
        const std::string path = dir / ("in put." + kind);
        std::string cmd = Quote("/usr/bin/python3") + " " + Quote(QX_SOURCE_DIR "/tests/agent/companions/make_archive.py")
            + " " + kind + " " + Quote(path);
        for (const auto& s : specs)
            cmd += " " + Quote(s);
        EXPECT_EQ(RunProgram(cmd), 0u);
        return path;
    }
    DWORD Expand(const std::string& archive)
    {
        return RunProgram(Quote(QX_BIN_DIR "/Expandor") + " " + Quote(archive) + " " + Quote(dest));
    }
    // Every path below the test folder, apart from the archive.
    std::vector<std::string> Tree()
    {
        std::vector<std::string> out;
        for (const auto& e : fs::recursive_directory_iterator(dir.Path()))
            if (e.path().filename().string().rfind("in put.", 0) != 0)
                out.push_back(fs::relative(e.path(), dir.Path()).string());
        std::sort(out.begin(), out.end());
        return out;
    }

    testkit::TempDir dir;
    const std::string dest = dir / "Orv Data/sub";
};

TEST_F(ExpandorTest, UnpacksZipAndTarArchives)
{
    for (const char* kind : {"zip", "tar", "tar.gz"}) {
        SCOPED_TRACE(kind);
        fs::remove_all(dir / "Orv Data");
        const std::string archive = Archive(kind,
            {"d:messages", "f:messages/お知らせ 1.txt=こんにちは", "f:index.txt=one", "l:latest=messages/お知らせ 1.txt"});
        ASSERT_EQ(Expand(archive), 0u);
        EXPECT_EQ(testkit::ReadFile(dest + "/messages/お知らせ 1.txt"), "こんにちは");
        EXPECT_EQ(testkit::ReadFile(dest + "/index.txt"), "one");
        EXPECT_EQ(testkit::ReadFile(dest + "/latest"), "こんにちは");
    }
}

TEST_F(ExpandorTest, RefusesEntriesThatLeaveTheFolderAndWritesNothing)
{
    const std::string outside = dir / "evil";
    struct Case {
        const char* name;
        const char* kind;
        std::vector<std::string> specs;
    } cases[] = {
        {"dot-dot in zip", "zip", {"f:good.txt=x", "f:../evil=x"}},
        {"dot-dot in tar", "tar", {"f:good.txt=x", "f:a/../../evil=x"}},
        {"absolute path", "tar.gz", {"f:good.txt=x", "f:" + outside + "=x"}},
        {"symlink out", "tar", {"l:link=../..", "f:good.txt=x"}},
        {"absolute symlink", "zip", {"l:link=" + dir.Path(), "f:good.txt=x"}},
        {"write through symlink", "tar", {"l:link=.", "f:link/evil=x"}},
        {"symlink chain", "tar", {"d:b", "l:b/up=..", "l:a=b/up/.."}},
        {"hard link out", "tar", {"f:good.txt=x", "h:hard=../../evil"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir / "Orv Data");
        const std::string archive = Archive(c.kind, c.specs);
        EXPECT_EQ(Expand(archive), static_cast<DWORD>(ERROR_INVALID_DATA));
        EXPECT_TRUE(Tree().empty()) << Tree().front();
    }
}

TEST_F(ExpandorTest, UsageAndUnreadableArchives)
{
    testkit::WriteFile(dir / "in put.txt", "not an archive");
    EXPECT_EQ(RunProgram(Quote(QX_BIN_DIR "/Expandor")), static_cast<DWORD>(ERROR_BAD_ARGUMENTS));
    EXPECT_EQ(Expand(dir / "missing.zip"), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Expand(dir / "in put.txt"), static_cast<DWORD>(ERROR_BAD_FORMAT));
    EXPECT_FALSE(fs::exists(dest));
}

TEST(EntryCheckTest, LinksInsideTheFolderAndTheFolderItselfPass)
{
    using E = ArchiveEntry;
    std::string refused;
    EXPECT_TRUE(AllEntriesSafe({{"./", E::Folder, ""}, {"a/b.txt", E::File, ""}, {"a/c", E::Symlink, "../a/b.txt"},
                                   {"d", E::Hardlink, "a/b.txt"}, {"self", E::Symlink, "."}},
        &refused));
    struct Case {
        std::vector<ArchiveEntry> entries;
        const char* refused;
    } cases[] = {
        {{{"ok", E::File, ""}, {"", E::File, ""}}, ""},
        {{{"fifo", E::Other, ""}}, "fifo"},
        {{{"l", E::Symlink, "x"}, {"h", E::Hardlink, "l"}}, "h"},
        {{{"l", E::Symlink, ""}}, "l"},
    };
    for (const Case& c : cases) {
        refused = "?";
        EXPECT_FALSE(AllEntriesSafe(c.entries, &refused));
        EXPECT_EQ(refused, c.refused);
    }
}

} // namespace
