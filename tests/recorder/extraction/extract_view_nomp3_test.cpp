// The extraction form of a recorder without the MP3 library (this program
// does not find it): WAV from the start, and the MP3 radio off in every
// state of the form.
#include "extract_view_fixture.h"

#include <gmock/gmock.h>

#include <filesystem>

using namespace extractview;
using ::testing::ElementsAre;

namespace {

TEST_F(ExtractViewTest, Mp3StaysOffAndTheTypeStartsAsWav)
{
    ASSERT_FALSE(CBrisaRecordApp::IsMp3CodecInstalled());
    EXPECT_TRUE(Checked(IDC_EXTRACT_WAV));
    EXPECT_FALSE(Enabled(IDC_EXTRACT_MP3));
    EXPECT_TRUE(Enabled(IDC_EXTRACT_WMA));

    ChooseVideo(Video({"v", ".avi", "mpeg4", kPcmAudio, 44100, 2, 6, 6}, "clip.avi"));
    EXPECT_EQ(Text(IDC_EXTRACT_OUTPUT), m_dir / "clip.wav");
    EXPECT_FALSE(Enabled(IDC_EXTRACT_MP3));

    // Running, cancelled while the engine still works, and idle again.
    std::vector<bool> mp3Enabled;
    bool asked = false;
    RunExtraction([&](int value) {
        mp3Enabled.push_back(Enabled(IDC_EXTRACT_MP3));
        if (asked || value >= 100)
            return;
        asked = true;
        Later([&] {
            Click(IDC_EXTRACT_CANCEL);
            mp3Enabled.push_back(Enabled(IDC_EXTRACT_MP3));
        });
    });
    EXPECT_THAT(m_ui.Texts(), ElementsAre(MSG_EXTRACTION_CANCELLED));
    ASSERT_FALSE(mp3Enabled.empty());
    EXPECT_EQ(std::count(mp3Enabled.begin(), mp3Enabled.end(), true), 0);
    EXPECT_FALSE(Enabled(IDC_EXTRACT_MP3));

    RunExtraction();
    EXPECT_THAT(m_ui.Texts(), ElementsAre(MSG_EXTRACTION_CANCELLED, MSG_EXTRACTION_DONE));
    EXPECT_TRUE(std::filesystem::exists(m_dir / "clip.wav"));
    EXPECT_FALSE(Enabled(IDC_EXTRACT_MP3));
    EXPECT_TRUE(Enabled(IDC_EXTRACT_WMA));
}

} // namespace
