#include "app/path_utils.h"
#include "testkit.h"

#include <filesystem>
#include <gtest/gtest.h>

TEST(PathUtils, FileNamePart)
{
    EXPECT_STREQ(GetFileNamePart("/home/u/Music/録音 1.mp3"), "録音 1.mp3");
    EXPECT_STREQ(GetFileNamePart("take.wav"), "take.wav");
    EXPECT_STREQ(GetFileNamePart("/home/u/"), "");
}

TEST(PathUtils, PathParts)
{
    CPathParts p("/opt/ardo.app/bin/QXRecord");
    EXPECT_EQ(p.GetDrive(), "");
    EXPECT_EQ(p.GetFolder(), "/opt/ardo.app/bin/");
    EXPECT_EQ(p.GetName(), "QXRecord");
    EXPECT_EQ(p.GetExtension(), "");
    CPathParts q("clip.part.avi");
    EXPECT_EQ(q.GetFolder(), "");
    EXPECT_EQ(q.GetName(), "clip.part");
    EXPECT_EQ(q.GetExtension(), ".avi");
    // Longer than the original fixed buffers: kept whole.
    const std::string longFolder = "/" + std::string(300, 'd') + "/";
    EXPECT_EQ(CPathParts(longFolder + "x.wav").GetFolder(), longFolder);
}

TEST(PathUtils, EnsureExtension)
{
    const struct { const char* in; const char* out; BOOL appended; } cases[] = {
        {"/music/take.WAV", "/music/take.WAV", FALSE},
        {"/music/take", "/music/take.wav", TRUE},
        {"/music/take.mp3", "/music/take.mp3.wav", TRUE},
        {"/music/take.txt", "/music/take.txt.wav", TRUE},
        {"/music/takewav", "/music/takewav.wav", TRUE},
        {"/music/録音.wav", "/music/録音.wav", FALSE},
    };
    for (const auto& c : cases) {
        std::string path = c.in;
        EXPECT_EQ(EnsureExtension(path, "wav"), c.appended) << c.in;
        EXPECT_EQ(path, c.out);
    }
}

TEST(PathUtils, FileExists)
{
    testkit::TempDir dir;
    testkit::WriteFile(dir / "a.wav", "x");
    EXPECT_TRUE(FileExists(dir / "a.wav"));
    EXPECT_FALSE(FileExists(dir.Path())); // a folder is not a file
    EXPECT_FALSE(FileExists(dir / "missing.wav"));
}
