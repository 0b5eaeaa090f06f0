// Start-up of the recorder: the running claim, the launch words, the checks
// and their texts, the about box and the tips.
#include "recorder_fixture.h"

#include <gmock/gmock.h>

#include "module/module.h"
#include "process/process.h"
#include "res/resource.h"
#include "app/sound_device_check.h"
#include "toolkit/dialog.h"

#include <QMainWindow>

#include <csignal>
#include <filesystem>
#include <unistd.h>

namespace {

using ::testing::ElementsAre;

// Another process's block, as this test holds it.
SharedMemBlock HoldBlock(const char* name, DWORD running)
{
    SharedMemBlock b;
    EXPECT_TRUE(CreateSharedBlock(name, sizeof(RunningRecord), b));
    WriteRunningRecord(b, {0x10, running});
    return b;
}

TEST_F(RecorderTest, NormalStartClaimsShowsTheFrameAndReleasesAtExit)
{
    ASSERT_TRUE(Start());
    // No MP3 library beside the test program: the notice, without owner.
    ASSERT_EQ(m_ui.messages.size(), 1u);
    EXPECT_EQ(m_ui.messages[0].text, MSG_NO_MP3_CODEC);
    EXPECT_EQ(m_ui.messages[0].caption, "情報");
    EXPECT_EQ(m_ui.messages[0].type, MB_OK | MB_ICONINFORMATION);
    EXPECT_FALSE(m_ui.messages[0].owned);

    ASSERT_NE(Frame(), nullptr);
    EXPECT_TRUE(Frame()->IsWindowVisible());
    EXPECT_EQ(Frame()->GetClassName(), "XTPMainFrame");
    EXPECT_EQ(Doc()->GetTitle(), "Record Sounds...");
    EXPECT_EQ(Doc()->GetCurrentSource(), SRC_PCSOUND);
    EXPECT_EQ(m_app->m_strCamPath, "");

    const auto claimed = RecorderBlock();
    ASSERT_TRUE(claimed);
    EXPECT_EQ(claimed->running, 1u);
    EXPECT_EQ(claimed->flags, RUNNING_FLAG_RECORDER);

    m_app->ExitInstance();
    EXPECT_TRUE(m_app->m_bClaimReleased);
    EXPECT_FALSE(RecorderBlock()); // nobody holds it any more
    m_app->ExitInstance();          // releasing twice is harmless
}

TEST_F(RecorderTest, TitleIsTheApplicationTitleAfterEveryIdlePass)
{
    ASSERT_TRUE(Start());
    Frame()->SetTitle("ZDA - QX Record");
    Pump();
    EXPECT_EQ(Frame()->GetTitle(), "Ardo サウンドレコーダー");
    EXPECT_EQ(Frame()->Widget()->windowTitle().toStdString(), "Ardo サウンドレコーダー");
}

// Who holds which block before the start, and whether the start runs.
struct ClaimCase {
    const char* name;
    int recorderRunning; // -1: no recorder block
    int camRunning;      // -1: no video recorder block
    bool starts;
};

class ClaimTest : public RecorderTest, public ::testing::WithParamInterface<ClaimCase> {};

TEST_P(ClaimTest, StartsOrIsRefused)
{
    const ClaimCase c = GetParam();
    SharedMemBlock recorder, cam;
    if (c.recorderRunning >= 0)
        recorder = HoldBlock(RECORDER_BLOCK_NAME, static_cast<DWORD>(c.recorderRunning));
    if (c.camRunning >= 0)
        cam = HoldBlock(CAM_BLOCK_NAME, static_cast<DWORD>(c.camRunning));

    EXPECT_EQ(Start() != FALSE, c.starts);
    if (c.starts) {
        EXPECT_EQ(RecorderBlock()->running, 1u);
        // Other flag bits stay as found.
        EXPECT_EQ(RecorderBlock()->flags, (c.recorderRunning >= 0 ? 0x10u : 0u) | RUNNING_FLAG_RECORDER);
    } else {
        EXPECT_THAT(m_ui.Texts(), ElementsAre(MSG_ALREADY_RUNNING));
        EXPECT_EQ(m_ui.messages[0].caption, "Ardo サウンドレコーダー");
        EXPECT_EQ(m_ui.messages[0].type, MB_OK | MB_ICONEXCLAMATION);
        EXPECT_EQ(Frame(), nullptr);
        m_app->ExitInstance();
        // The refused start left the other's claim alone.
        if (c.recorderRunning >= 0) {
            EXPECT_EQ(ReadRunningRecord(recorder).running, 1u);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Blocks, ClaimTest,
    ::testing::Values(ClaimCase{"RecorderRunning", 1, -1, false}, ClaimCase{"VideoRecorderRunning", -1, 1, false},
        ClaimCase{"RecorderBlockLeftWithRunning0", 0, -1, true}, ClaimCase{"VideoRecorderEnded", -1, 0, true},
        // The video recorder is asked only when the recorder's block is absent.
        ClaimCase{"RecorderReleasedWhileVideoRuns", 0, 1, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(RecorderTest, SecondStartIsRefusedAndTheFirstKeepsItsClaim)
{
    ASSERT_TRUE(Start());
    CBrisaRecordApp second(m_store);
    second.SetArguments({});
    EXPECT_FALSE(second.InitInstance());
    second.ExitInstance();
    EXPECT_EQ(m_ui.Texts().back(), MSG_ALREADY_RUNNING);
    ASSERT_TRUE(RecorderBlock());
    EXPECT_EQ(RecorderBlock()->running, 1u);
}

TEST_F(RecorderTest, BlockOfAKilledRecorderDoesNotBlockTheNextStart)
{
    int readEnd = -1, writeEnd = -1;
    ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd));
    StdHandles std;
    std.out = writeEnd;
    HPROCESS child = nullptr;
    ASSERT_EQ(CreateProcess(std::string("\"") + CLAIM_HOLDER + "\"", "", SW_HIDE, &child, &std), ERROR_SUCCESS);
    ::close(writeEnd);
    char buf[16] = {};
    ASSERT_GT(::read(readEnd, buf, sizeof buf - 1), 0);
    ::close(readEnd);
    ASSERT_STREQ(buf, "claimed\n");
    ASSERT_EQ(RecorderBlock()->running, 1u);

    ::kill(GetProcessId(child), SIGKILL);
    ASSERT_EQ(WaitForSingleObject(child, 10000), WAIT_OBJECT_0);
    CloseHandle(child);

    EXPECT_TRUE(Start());
    EXPECT_EQ(RecorderBlock()->running, 1u);
}

TEST_F(RecorderTest, NonJapaneseLocaleIsRefused)
{
    testkit::ScopedEnv english("LC_ALL", "en_US.UTF-8");
    EXPECT_FALSE(Start());
    EXPECT_THAT(m_ui.Texts(), ElementsAre(MSG_NOT_JAPANESE));
    EXPECT_EQ(m_ui.messages[0].type, MB_OK | MB_ICONEXCLAMATION);
    m_app->ExitInstance();
    EXPECT_FALSE(RecorderBlock());
}

TEST_F(RecorderTest, AnotherParameterStartsNormallyWithTheChecks)
{
    ASSERT_TRUE(Start({"song.zda"}));
    EXPECT_EQ(g_strLaunchMode, "");
    EXPECT_THAT(m_ui.Texts(), ElementsAre(MSG_NO_MP3_CODEC));
    EXPECT_EQ(Doc()->GetTitle(), "Record Sounds...");
}

TEST_F(RecorderTest, InternalLaunchSkipsTheChecksStaysOffScreenAndClosesItself)
{
    testkit::ScopedEnv english("LC_ALL", "C");
    ASSERT_TRUE(Start({"INTERNAL"}));
    EXPECT_EQ(Frame()->Widget()->pos(), QPoint(-1000, -1000));
    Pump();
    Pump();
    EXPECT_TRUE(m_ui.messages.empty());
    EXPECT_EQ(m_app->m_pMainWnd, nullptr);
    // The close saved the settings.
    EXPECT_EQ(Profile("PCSndSettings", "Sample"), "44100");
    EXPECT_EQ(Profile("UserSndSettings", "FileType"), "1");
}

TEST_F(RecorderTest, MicLaunchHidesTheFrameRunsTheMicrophoneOptionsAndSavesAtClose)
{
    testkit::ScopedEnv english("LC_ALL", "C");
    ASSERT_TRUE(Start({"MIC"}));
    Pump();
    EXPECT_FALSE(Frame() && Frame()->IsWindowVisible());
    EXPECT_EQ(g_strLaunchMode, "");
    EXPECT_EQ(Doc()->GetCurrentSource(), SRC_MIC);
    Pump();
    EXPECT_EQ(m_app->m_pMainWnd, nullptr);
    EXPECT_TRUE(m_ui.messages.empty());
    EXPECT_EQ(Profile("MicSettings", "VistaDevIndex"), "0");
}

// The sound device check on a real sound server (or none).
struct SoundCase {
    const char* name;
    int channels; // of the server's output; 0: no server
    const char* refusal;
};

class SoundDeviceTest : public RecorderTest, public ::testing::WithParamInterface<SoundCase> {};

TEST_P(SoundDeviceTest, StartsOrIsRefused)
{
    const SoundCase c = GetParam();
    if (c.channels == 0) {
        WithoutSoundServer();
    } else {
        testkit::PulseOptions options;
        options.sinkChannels = static_cast<unsigned>(c.channels);
        ASSERT_TRUE(StartSoundServer(options)) << m_pulse->Log();
    }
    EXPECT_EQ(Start() != FALSE, c.refusal == nullptr);
    if (c.refusal) {
        EXPECT_THAT(m_ui.Texts(), ElementsAre(MSG_NO_MP3_CODEC, c.refusal));
        EXPECT_EQ(m_ui.messages[1].type, MB_OK | MB_ICONEXCLAMATION);
        EXPECT_EQ(Frame(), nullptr);
    }
}

INSTANTIATE_TEST_SUITE_P(Devices, SoundDeviceTest,
    ::testing::Values(SoundCase{"NoSoundServer", 0, MSG_NO_SOUND_CARD}, SoundCase{"MonoSpeaker", 1, nullptr},
        SoundCase{"SixSpeakers", 6, MSG_TOO_MANY_SPEAKERS}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SoundDevice, RulesOfTheDefaultFormat)
{
    WAVEFORMATEX f{};
    f.nChannels = 2;
    EXPECT_STREQ(SoundDeviceProblemFor(0, f), MSG_NO_SOUND_CARD);
    EXPECT_EQ(SoundDeviceProblemFor(1, f), nullptr);
    f.nChannels = 3;
    EXPECT_STREQ(SoundDeviceProblemFor(1, f), MSG_TOO_MANY_SPEAKERS);
    f.nChannels = 0;
    EXPECT_STREQ(SoundDeviceProblemFor(1, f), MSG_NO_SPEAKER);
}

TEST(ClassName, FromAFourCharacterProgramName)
{
    EXPECT_EQ(ClassNameFromProgramFile("QXRc"), "QXRc");
    EXPECT_EQ(ClassNameFromProgramFile("QXRecord"), ""); // "QXRecord.exe" is 12 bytes
    EXPECT_EQ(ClassNameFromProgramFile("abc"), "");
    EXPECT_EQ(ClassNameFromProgramFile("abcde"), "");
}

TEST_F(RecorderTest, AboutBoxShowsTheVersion)
{
    ASSERT_TRUE(Start());
    std::string version;
    m_ui.modalHandlers.push_back([&](CDialog& dlg) {
        version = dlg.GetDlgItemText(IDC_ABOUT_VERSION);
        dlg.OnCommand(1 /* IDOK */, BN_CLICKED);
    });
    Frame()->ExecuteCommand(ID_APP_ABOUT);
    EXPECT_THAT(m_ui.modalTemplates, ElementsAre(IDD_ABOUTBOX));
    EXPECT_EQ(version, "Ardo サウンドレコーダー 1.0.0");
}

TEST_F(RecorderTest, MissingTipsFileIsCreatedBeforeTheDialogOpens)
{
    ASSERT_TRUE(Start());
    const std::string path = m_app->TipsFilePath();
    EXPECT_EQ(path, GetProgramFolder() + "/Data/tips.dat");
    std::filesystem::create_directories(GetProgramFolder() + "/Data");
    std::filesystem::remove(path);
    std::string shown;
    m_ui.modalHandlers.push_back([&](CDialog& dlg) { shown = dlg.GetDlgItemText(CTipDlg::IDC_TIP_TEXT); });
    m_app->OnCommand(ID_TIP_OF_DAY);
    EXPECT_EQ(testkit::ReadFile(path), "Tips.txt : 該当ﾌｧｲﾙが見つかりません。\n");
    EXPECT_EQ(shown, "Tips.txt : 該当ﾌｧｲﾙが見つかりません。");
}

} // namespace
