// The recording form: a real recording from the form on a private sound
// server, the refusals before a recording starts, the file naming, the
// format controls and the state of every control.
#include "form_fixture.h"

#include "recording_check.h"
#include "core/text.h"
#include "res/resource.h"
#include "toolkit/dialog.h"

#include <QToolButton>

#include <gmock/gmock.h>

#include <filesystem>
#include <fstream>

namespace {

using ::testing::ElementsAre;
using ::testing::MatchesRegex;

TEST_F(RecordFormTest, RecordsWhatThePcPlaysPausesAndStops)
{
    testkit::TonePlayer tone(1000.0);
    ASSERT_TRUE(tone.Start());
    EXPECT_EQ(Text(IDC_DEVICE_INFO), std::string("[") + testkit::PulseServer::kMonitorDescription + "]");
    // Mono, 16 bits, 22 KHz WAV, chosen on the form.
    Choose(IDC_CHANNELS, 0);
    Choose(IDC_BITS, 1);
    Choose(IDC_RATE, 4);
    Click(IDC_TYPE_WAV);
    EXPECT_EQ(Profile("PCSndSettings", "Channel"), "1");

    const std::string path = m_dir / "take";
    Record(path);
    ASSERT_TRUE(View()->IsRecording()) << testing::PrintToString(m_ui.Texts());
    ASSERT_THAT(m_ui.Texts(), ElementsAre(MSG_CLICK_OK_TO_START));
    EXPECT_EQ(m_ui.messages[0].type, MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(Frame()->m_strLastRecording, "");
    EXPECT_FALSE(Frame()->IsModeBarEnabled());
    ASSERT_TRUE(WaitForElapsed(300)) << Text(IDC_ELAPSED);

    Click(IDC_PAUSE);
    EXPECT_EQ(Text(IDC_PAUSE), "再録音");
    EXPECT_TRUE(View()->IsPaused());
    Pump();
    const std::string paused = Text(IDC_ELAPSED);
    recordingcheck::WaitUntil([] { return false; }, std::chrono::milliseconds(600));
    Pump();
    EXPECT_EQ(Text(IDC_ELAPSED), paused);
    Click(IDC_PAUSE);
    EXPECT_EQ(Text(IDC_PAUSE), "一時停止");
    ASSERT_TRUE(WaitForElapsed(ElapsedMs(paused) + 200));

    m_ui.messages.clear();
    Click(IDC_STOP);
    EXPECT_FALSE(View()->IsRecording());
    ASSERT_THAT(m_ui.Texts(), ElementsAre(MSG_RECORDING_DONE));
    EXPECT_EQ(m_ui.messages[0].type, MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(m_ui.messages[0].caption, "Ardo サウンドレコーダー");
    EXPECT_EQ(Frame()->m_strLastRecording, path + ".wav");
    EXPECT_TRUE(Frame()->IsModeBarEnabled());

    const recordingcheck::WavHeader h = recordingcheck::ReadWavHeader(path + ".wav");
    ASSERT_TRUE(h.valid);
    EXPECT_EQ(h.channels, 1);
    EXPECT_EQ(h.bits, 16);
    EXPECT_EQ(h.rate, 22050u);
    // The file holds what the form showed last, give or take the last chunk.
    const long shown = ElapsedMs(Text(IDC_ELAPSED));
    const long inFile = static_cast<long>(h.dataBytes / 2 * 1000 / 22050);
    EXPECT_NEAR(inFile, shown, 150);
    std::vector<std::int16_t> samples(h.dataBytes / 2);
    std::ifstream in(path + ".wav", std::ios::binary);
    in.seekg(44);
    in.read(reinterpret_cast<char*>(samples.data()), static_cast<std::streamsize>(h.dataBytes));
    EXPECT_GT(recordingcheck::MedianToneShare(samples, 22050, 1000.0), 0.8);
}

TEST_F(RecordFormTest, ControlsWhileIdleAndWhileRecording)
{
    const UINT idleOnly[] = {IDC_CHANNELS, IDC_BITS, IDC_RATE, IDC_AUDIO_OPTIONS, IDC_TYPE_WAV, IDC_TYPE_WMA,
        IDC_TYPE_OGG, IDC_SCHEDULE, IDC_RECORD};
    for (UINT id : idleOnly)
        EXPECT_TRUE(Enabled(id)) << id;
    // No MP3 library beside the tests: the MP3 radio stays off in both states.
    EXPECT_FALSE(Enabled(IDC_TYPE_MP3));
    EXPECT_FALSE(Enabled(IDC_PAUSE));
    EXPECT_FALSE(Enabled(IDC_STOP));
    EXPECT_FALSE(Enabled(IDC_SHUTDOWN)); // scheduling is off
    EXPECT_EQ(Text(IDC_ELAPSED), "00 : 00 : 00.000");

    Record(m_dir / "take.wav");
    ASSERT_TRUE(View()->IsRecording());
    for (UINT id : idleOnly)
        EXPECT_FALSE(Enabled(id)) << id;
    for (UINT id : {IDC_MODE_START_END, IDC_MODE_START_ONLY, IDC_MODE_END_ONLY, IDC_SHUTDOWN, IDC_START_HOUR})
        EXPECT_FALSE(Enabled(id)) << id;
    EXPECT_FALSE(Enabled(IDC_TYPE_MP3));
    EXPECT_TRUE(Enabled(IDC_PAUSE));
    EXPECT_TRUE(Enabled(IDC_STOP));

    // Stopping while paused gives the pause button its first text back.
    Click(IDC_PAUSE);
    Click(IDC_STOP);
    EXPECT_EQ(Text(IDC_PAUSE), "一時停止");
    EXPECT_FALSE(Enabled(IDC_PAUSE));
    EXPECT_TRUE(Enabled(IDC_RECORD));
}

TEST_F(RecordFormTest, RefusalsBeforeTheSaveDialog)
{
    // A capture device that is no longer there.
    Current()->VistaDevIndex = 42;
    Click(IDC_RECORD);
    EXPECT_THAT(m_ui.Texts(), ElementsAre(MSG_NO_CAPTURE_DEVICE));
    EXPECT_EQ(m_ui.messages[0].type, MB_OK);

    // A combination the format rules refuse.
    m_ui.messages.clear();
    Current()->VistaDevIndex = -1;
    Current()->FileType = OFT_OGG;
    Current()->BitCount = 8;
    Click(IDC_RECORD);
    EXPECT_THAT(m_ui.Texts(), ElementsAre("OGG ファイルの 8 ビットは対応していません。\n設定を変更してください。"));
    EXPECT_EQ(m_ui.messages[0].type, MB_OK | MB_ICONEXCLAMATION);

    EXPECT_TRUE(m_ui.fileRequests.empty());
    EXPECT_FALSE(View()->IsRecording());
}

TEST_F(RecordFormTest, CancelledSaveDialogLeavesEverythingAsItWas)
{
    Frame()->m_strLastRecording = "/earlier/take.wav";
    Current()->FileType = OFT_OGG;
    Click(IDC_RECORD); // no answer queued: the dialog is cancelled
    ASSERT_EQ(m_ui.fileRequests.size(), 1u);
    const FileDialogRequest& r = m_ui.fileRequests[0];
    EXPECT_FALSE(r.open);
    EXPECT_EQ(r.defaultExt, "ogg");
    EXPECT_EQ(r.filter, "OGG ファイル(*.ogg)|*.ogg||");
    EXPECT_EQ(r.flags, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
    EXPECT_EQ(r.owner, View());
    // The clock's local time, and never a folder.
    EXPECT_EQ(r.initialPath, "20260610-120000.ogg");
    EXPECT_TRUE(m_ui.messages.empty());
    EXPECT_FALSE(View()->IsRecording());
    EXPECT_EQ(Frame()->m_strLastRecording, "/earlier/take.wav");
}

// A path of the given length in bytes of the Japanese code page, in a
// folder made for it; its characters take 2 bytes there and 3 in UTF-8.
std::string PathOfCp932Bytes(const std::string& base, std::size_t bytes)
{
    std::string folder = base + "/録音";
    std::size_t used = Cp932ByteLength(folder);
    while (bytes - used > 150) {
        folder += "/" + std::string(100, 'a');
        used += 101;
    }
    std::filesystem::create_directories(folder);
    const std::size_t rest = bytes - used - std::string("/.wav").size();
    const std::size_t wide = std::min<std::size_t>(rest / 2, 40);
    std::string name;
    for (std::size_t i = 0; i < wide; ++i)
        name += "音";
    return folder + "/" + name + std::string(rest - 2 * wide, 'b') + ".wav";
}

TEST_F(RecordFormTest, PathsUpTo250BytesOfTheJapaneseCodePage)
{
    const std::string longest = PathOfCp932Bytes(m_dir.Path(), 250);
    ASSERT_EQ(Cp932ByteLength(longest), 250u);
    ASSERT_GT(longest.size(), 250u); // more in UTF-8, which does not count
    Record(longest);
    EXPECT_TRUE(View()->IsRecording()) << testing::PrintToString(m_ui.Texts());
    Click(IDC_STOP);
    EXPECT_EQ(Frame()->m_strLastRecording, longest);
    EXPECT_TRUE(std::filesystem::exists(longest));

    m_ui.messages.clear();
    const std::string tooLong = PathOfCp932Bytes(m_dir.Path(), 251);
    ASSERT_EQ(Cp932ByteLength(tooLong), 251u);
    Record(tooLong);
    EXPECT_FALSE(View()->IsRecording());
    EXPECT_THAT(m_ui.Texts(), ElementsAre(MSG_PATH_TOO_LONG));
    EXPECT_FALSE(std::filesystem::exists(tooLong));
    // The frame's last recording was cleared when the dialog closed.
    EXPECT_EQ(Frame()->m_strLastRecording, "");
}

TEST_F(RecordFormTest, TheExtensionIsAppendedUnlessThePathEndsWithIt)
{
    const std::pair<std::string, std::string> cases[] = {
        {"take.txt", "take.txt.wav"}, {"take.WAV", "take.WAV"}, {"take.mp3", "take.mp3.wav"}};
    for (const auto& [chosen, written] : cases) {
        Record(m_dir / chosen);
        ASSERT_TRUE(View()->IsRecording()) << chosen;
        Click(IDC_STOP);
        EXPECT_EQ(Frame()->m_strLastRecording, m_dir / written);
        EXPECT_TRUE(std::filesystem::exists(m_dir / written)) << written;
    }
}

TEST_F(RecordFormTest, FormatControlsShowTheCurrentRecord)
{
    auto* bits = static_cast<CComboBox*>(View()->GetDlgItem(IDC_BITS));
    auto* channels = static_cast<CComboBox*>(View()->GetDlgItem(IDC_CHANNELS));
    auto* rate = static_cast<CComboBox*>(View()->GetDlgItem(IDC_RATE));
    ASSERT_EQ(rate->GetCount(), 9);
    EXPECT_EQ(rate->GetLBText(7), "44 KHz");
    EXPECT_EQ(channels->GetLBText(1), "ステレオ");
    // The defaults: stereo, 16 bits, 44.1 KHz.
    EXPECT_EQ(channels->GetCurSel(), 1);
    EXPECT_EQ(bits->GetCurSel(), 1);
    EXPECT_EQ(rate->GetCurSel(), 7);

    // Values the lists lack: 24 bits show as 16, 96 KHz as 22 KHz, six
    // channels as mono; the record itself keeps them.
    Current()->BitCount = 24;
    Current()->Sample = 96000;
    Current()->Channel = 6;
    View()->RefreshFormatControls();
    View()->UpdateData(FALSE);
    EXPECT_EQ(bits->GetLBText(bits->GetCurSel()), "16 Bit");
    EXPECT_EQ(rate->GetLBText(rate->GetCurSel()), "22 KHz");
    EXPECT_EQ(channels->GetLBText(channels->GetCurSel()), "モノラル");
    EXPECT_EQ(Current()->BitCount, 24);

    // Each change is stored at once.
    Choose(IDC_BITS, 0);
    Choose(IDC_RATE, 8);
    Click(IDC_TYPE_WMA);
    EXPECT_EQ(Profile("PCSndSettings", "BitCount"), "8");
    EXPECT_EQ(Profile("PCSndSettings", "Sample"), "48000");
    EXPECT_EQ(Profile("PCSndSettings", "FileType"), "2");
}

TEST_F(RecordFormTest, WithoutTheMp3LibraryAStoredMp3SettingBecomesWav)
{
    // The user-defined source was stored as MP3 (the default).
    EXPECT_EQ(Doc()->GetSettings(SRC_USER)->FileType, OFT_MP3);
    Frame()->ModeBar().FindItem(ID_MODE_USER)->Button()->click();
    EXPECT_EQ(View()->IsDlgButtonChecked(IDC_TYPE_WAV), BST_CHECKED);
    EXPECT_FALSE(Enabled(IDC_TYPE_MP3));
    Frame()->ExecuteCommand(ID_APP_EXIT);
    Pump();
    EXPECT_EQ(Profile("UserSndSettings", "FileType"), "0");
}

} // namespace
