// The extraction form in a running recorder, with the MP3 library: its first
// showing, the inspection of real videos, the output naming, the refusals,
// and real extractions with their progress, pause, cancel and the frame's
// bars.
#include "extract_view_fixture.h"

#include "media_check.h"
#include "toolkit/dialog.h"

#include <gmock/gmock.h>

#include <QMainWindow>

#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

using namespace extractview;
using extractkit::VideoSpec;
using ::testing::ElementsAre;

namespace {

std::vector<std::string> Items(CExtractView* view, UINT id)
{
    const auto* list = static_cast<CComboBox*>(view->GetDlgItem(id));
    std::vector<std::string> out;
    for (int i = 0; i < list->GetCount(); ++i)
        out.push_back(list->GetLBText(i));
    return out;
}

TEST_F(ExtractViewTest, FirstShowingIsIdleWithMp3AndTheDefaultFormat)
{
    EXPECT_EQ(Text(IDC_EXTRACT_VIDEO_INFO), "なし");
    EXPECT_EQ(Text(IDC_EXTRACT_AUDIO_INFO), "なし");
    EXPECT_EQ(Text(IDC_EXTRACT_SOURCE), "");
    EXPECT_EQ(Text(IDC_EXTRACT_OUTPUT), "");
    EXPECT_TRUE(Checked(IDC_EXTRACT_MP3));
    EXPECT_THAT(Items(View(), IDC_EXTRACT_CHANNELS), ElementsAre("モノラル", "ステレオ"));
    EXPECT_THAT(Items(View(), IDC_EXTRACT_BITS), ElementsAre("8 Bit", "16 Bit"));
    EXPECT_THAT(Items(View(), IDC_EXTRACT_RATE), ElementsAre("8 KHz", "11 KHz", "22 KHz", "44 KHz", "48 KHz"));
    EXPECT_EQ(Selected(IDC_EXTRACT_CHANNELS), "ステレオ");
    EXPECT_EQ(Selected(IDC_EXTRACT_BITS), "16 Bit");
    EXPECT_EQ(Selected(IDC_EXTRACT_RATE), "44 KHz");
    EXPECT_EQ(Bar()->minimum(), 0);
    EXPECT_EQ(Bar()->maximum(), 200);
    EXPECT_EQ(Text(IDC_EXTRACT_START), "抽出開始");
    EXPECT_TRUE(Enabled(IDC_EXTRACT_START));
    EXPECT_TRUE(Enabled(IDC_EXTRACT_MP3));
    EXPECT_FALSE(Enabled(IDC_EXTRACT_CANCEL));
    EXPECT_TRUE(Frame()->IsModeBarEnabled());
    // The dump filter is registered: switching here said nothing.
    EXPECT_TRUE(m_ui.messages.empty());
}

struct InspectCase {
    const char* name;
    VideoSpec spec;
    std::string videoInfo, audioInfo;
    const char* channels;
    const char* rate;
};

class Inspection : public ExtractViewTest, public ::testing::WithParamInterface<InspectCase> {};

TEST_P(Inspection, ShowsDecodersAndSoundPresetsTheListsAndProposesTheOutput)
{
    const InspectCase& c = GetParam();
    const std::string video = Video(c.spec, std::string("clip") + c.spec.extension);
    ASSERT_FALSE(video.empty());
    ChooseVideo(video);
    ASSERT_EQ(m_ui.fileRequests.size(), 1u);
    const FileDialogRequest& dialog = m_ui.fileRequests[0];
    EXPECT_TRUE(dialog.open);
    EXPECT_EQ(dialog.defaultExt, "avi");
    EXPECT_EQ(dialog.filter,
        "動画ファイル(*.avi, *.wmv)|*.avi;*.wmv|AVI 動画ファイル(*.avi)|*.avi|WMV 動画ファイル(*.wmv)|*.wmv|全ファイル(*.*)|*.*||");

    EXPECT_TRUE(m_ui.messages.empty()) << m_ui.messages[0].text;
    EXPECT_EQ(Text(IDC_EXTRACT_SOURCE), video);
    EXPECT_EQ(Text(IDC_EXTRACT_VIDEO_INFO), c.videoInfo);
    EXPECT_EQ(Text(IDC_EXTRACT_AUDIO_INFO), c.audioInfo);
    EXPECT_EQ(Selected(IDC_EXTRACT_CHANNELS), c.channels);
    EXPECT_EQ(Selected(IDC_EXTRACT_BITS), "16 Bit");
    EXPECT_EQ(Selected(IDC_EXTRACT_RATE), c.rate);
    EXPECT_EQ(Text(IDC_EXTRACT_OUTPUT), m_dir / "clip.mp3");
}

INSTANTIATE_TEST_SUITE_P(Videos, Inspection,
    ::testing::Values(
        InspectCase{"AviPcmAt48000", {"a", ".avi", "mpeg4", kPcmAudio, 48000, 2}, "MPEG-4 part 2 Decoder",
            "PCM Audio, 2 チャンネル, 16 ビット, 48 KHz", "ステレオ", "48 KHz"},
        // A compressed track stores no bit count: the bits list stays.
        InspectCase{"AviMp3", {"m", ".avi", "mpeg4", kMp3Audio, 44100, 2}, "MPEG-4 part 2 Decoder",
            "MP3 (MPEG audio layer 3) Decoder, 2 チャンネル, 0 ビット, 44 KHz", "ステレオ", "44 KHz"},
        InspectCase{"WmvWma", {"w", ".wmv", "wmv2", kWmaAudio, 44100, 2}, "Windows Media Video 8 Decoder",
            "Windows Media Audio 2 Decoder, 2 チャンネル, 16 ビット, 44 KHz", "ステレオ", "44 KHz"},
        InspectCase{"AviPcmMono22050", {"p", ".avi", "mpeg4", kPcmAudio, 22050, 1}, "MPEG-4 part 2 Decoder",
            "PCM Audio, 1 チャンネル, 16 ビット, 22 KHz", "モノラル", "22 KHz"}),
    [](const auto& info) { return std::string(info.param.name); });

// Files the form cannot take: the message, and both paths cleared.
struct UnusableCase {
    const char* name;
    std::optional<VideoSpec> spec; // nullopt: a text file
    std::string message;
};

class Unusable : public ExtractViewTest, public ::testing::WithParamInterface<UnusableCase> {};

TEST_P(Unusable, IsRefusedAndClearsThePaths)
{
    const UnusableCase& c = GetParam();
    // A good video first, so that there is something to clear.
    ChooseVideo(Video({"good", ".avi", "mpeg4", kPcmAudio}, "good.avi"));
    ASSERT_EQ(Text(IDC_EXTRACT_OUTPUT), m_dir / "good.mp3");
    std::string bad = m_dir / "bad.avi";
    if (c.spec) {
        ASSERT_TRUE(extractkit::MakeVideo(*c.spec, bad));
    }
    else
        testkit::WriteFile(bad, "not a video at all\n");
    ChooseVideo(bad);
    ASSERT_THAT(m_ui.Texts(), ElementsAre(c.message));
    EXPECT_EQ(m_ui.messages[0].type & MB_ICONMASK, MB_ICONEXCLAMATION);
    EXPECT_EQ(Text(IDC_EXTRACT_SOURCE), "");
    EXPECT_EQ(Text(IDC_EXTRACT_VIDEO_INFO), "なし");
    EXPECT_EQ(Text(IDC_EXTRACT_AUDIO_INFO), "なし");
    if (c.spec) { // an unreadable file leaves the output as it was
        EXPECT_EQ(Text(IDC_EXTRACT_OUTPUT), "");
    }
}

INSTANTIATE_TEST_SUITE_P(Files, Unusable,
    ::testing::Values(UnusableCase{"NotAVideo", std::nullopt, MSG_SOURCE_NOT_READABLE},
        UnusableCase{"SixChannels", VideoSpec{"six", ".avi", "mpeg4", kPcmAudio, 44100, 6}, MSG_AUDIO_NOT_USABLE},
        UnusableCase{"SoundOnly", VideoSpec{"snd", ".avi", nullptr, kPcmAudio},
            std::string(MSG_NO_VIDEO_FILTER) + MSG_NO_AUDIO_FILTER + MSG_AUDIO_NOT_USABLE}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ChangeExtension, ReplacesOnlyTheFileNamesExtension)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/home/u/clip.avi", "/home/u/clip.mp3"},
        {"/home/u/.videos/clip.avi", "/home/u/.videos/clip.mp3"},
        {"/home/u/my.films/take.one.wmv", "/home/u/my.films/take.one.mp3"},
        {"/home/u/.videos/clip", ""}, // a folder's dot is no extension
        {"/home/u/clip", ""},
        {"clip", ""},
        {"", ""},
        {"/home/u/clip.", "/home/u/clip.mp3"},
    };
    for (const auto& [path, expected] : cases)
        EXPECT_EQ(CExtractView::ChangeExtension(path, "mp3"), expected) << path;
}

TEST_F(ExtractViewTest, FileTypesChangeOnlyTheExtensionInADottedFolder)
{
    std::filesystem::create_directories(m_dir / ".videos/my.films");
    const std::string video = Video({"v", ".avi", "mpeg4", kPcmAudio}, ".videos/my.films/clip.avi");
    ChooseVideo(video);
    EXPECT_EQ(Text(IDC_EXTRACT_OUTPUT), m_dir / ".videos/my.films/clip.mp3");
    const std::pair<UINT, const char*> radios[] = {
        {IDC_EXTRACT_WAV, "wav"}, {IDC_EXTRACT_WMA, "wma"}, {IDC_EXTRACT_OGG, "ogg"}, {IDC_EXTRACT_MP3, "mp3"}};
    for (const auto& [id, ext] : radios) {
        Click(id);
        EXPECT_EQ(Text(IDC_EXTRACT_OUTPUT), m_dir / (std::string(".videos/my.films/clip.") + ext));
    }
    // A typed name keeps its name; an empty one stays empty.
    SetText(IDC_EXTRACT_OUTPUT, m_dir / "out.take.mp3");
    Click(IDC_EXTRACT_OGG);
    EXPECT_EQ(Text(IDC_EXTRACT_OUTPUT), m_dir / "out.take.ogg");
    SetText(IDC_EXTRACT_OUTPUT, "");
    Click(IDC_EXTRACT_WAV);
    EXPECT_EQ(Text(IDC_EXTRACT_OUTPUT), "");

    Click(IDC_EXTRACT_BROWSE_OUTPUT);
    m_ui.fileAnswers.push_back(m_dir / "chosen.wav");
    Click(IDC_EXTRACT_BROWSE_OUTPUT);
    ASSERT_EQ(m_ui.fileRequests.size(), 3u);
    EXPECT_FALSE(m_ui.fileRequests[1].open);
    EXPECT_EQ(m_ui.fileRequests[1].defaultExt, "wav");
    EXPECT_EQ(m_ui.fileRequests[1].filter, "WAV ファイル(*.wav)|*.wav||");
    EXPECT_EQ(m_ui.fileRequests[1].flags, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
    EXPECT_EQ(Text(IDC_EXTRACT_OUTPUT), m_dir / "chosen.wav");
    EXPECT_TRUE(m_ui.messages.empty());
}

// Start refused: the message in the form's own box, and nothing started.
class Refusal;
struct RefusalCase {
    const char* name;
    std::function<void(Refusal&, const std::string& dir)> arrange;
    std::string message;
    std::string outputShown; // relative to the folder; "" for an empty edit
};

class Refusal : public ExtractViewTest, public ::testing::WithParamInterface<RefusalCase> {
public:
    void SetOutput(const std::string& path) { SetText(IDC_EXTRACT_OUTPUT, path); }
    void Select(UINT list, int index) { static_cast<CComboBox*>(View()->GetDlgItem(list))->SetCurSel(index); }
    using ExtractViewTest::Click;
};

// The video carries an upper-case name that a type's extension can meet.
const VideoSpec kNamedVideo = {"v", ".avi", "mpeg4", {"-c:a", "pcm_s16le", "-f", "avi"}};

TEST_P(Refusal, StopsBeforeTheEngineRuns)
{
    const RefusalCase& c = GetParam();
    ChooseVideo(Video(kNamedVideo, "Clip.MP3"));
    ASSERT_TRUE(m_ui.messages.empty()) << m_ui.messages[0].text;
    c.arrange(*this, m_dir.Path());
    Click(IDC_EXTRACT_START);
    ASSERT_THAT(m_ui.Texts(), ElementsAre(c.message));
    EXPECT_EQ(m_ui.messages[0].type, MB_OK | MB_ICONEXCLAMATION);
    EXPECT_TRUE(m_ui.messages[0].owned);
    EXPECT_EQ(Text(IDC_EXTRACT_OUTPUT), c.outputShown.empty() ? "" : m_dir / c.outputShown);
    EXPECT_EQ(Text(IDC_EXTRACT_START), "抽出開始");
    EXPECT_FALSE(View()->IsExtracting());
    EXPECT_TRUE(Frame()->IsModeBarEnabled());
    if (!c.outputShown.empty()) {
        EXPECT_FALSE(std::filesystem::exists(m_dir / c.outputShown));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, Refusal,
    ::testing::Values(
        RefusalCase{"NoOutputName", [](Refusal& t, auto&) { t.SetOutput(""); }, MSG_NO_OUTPUT_NAME, ""},
        // A typed name gets the type's extension before the checks.
        RefusalCase{"SourceGone",
            [](Refusal& t, const std::string& dir) {
                t.SetOutput(dir + "/out");
                std::filesystem::remove(dir + "/Clip.MP3");
            },
            MSG_SOURCE_MISSING, "out.mp3"},
        RefusalCase{"OutputIsTheSourceInAnotherCase",
            [](Refusal& t, const std::string& dir) { t.SetOutput(dir + "/clip.mp3"); }, MSG_OUTPUT_IS_SOURCE,
            "clip.mp3"},
        RefusalCase{"Mp3At8Bits",
            [](Refusal& t, const std::string& dir) {
                t.SetOutput(dir + "/out.mp3");
                t.Select(IDC_EXTRACT_BITS, 0);
            },
            "MP3 ファイル : 8 ビットは対応していません。", "out.mp3"},
        RefusalCase{"WmaMonoAt48000",
            [](Refusal& t, const std::string& dir) {
                t.Click(IDC_EXTRACT_WMA);
                t.SetOutput(dir + "/out.wma");
                t.Select(IDC_EXTRACT_CHANNELS, 0);
                t.Select(IDC_EXTRACT_RATE, 4);
            },
            "WMA ファイル : モノラル、48 KHzは対応していません。", "out.wma"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ExtractViewTest, AnExistingOutputIsReplacedOnlyAfterYes)
{
    ChooseVideo(Video({"v", ".avi", "mpeg4", kPcmAudio}, "clip.avi"));
    const std::string output = m_dir / "Keep.MP3"; // the extension in another case stays as typed
    testkit::WriteFile(output, "keep");
    SetText(IDC_EXTRACT_OUTPUT, output);
    m_ui.messageAnswers = {IDNO};
    Click(IDC_EXTRACT_START);
    const std::string question = output + " ファイルが既に存在します。\nファイルを上書きしてもよろしいですか？";
    ASSERT_THAT(m_ui.Texts(), ElementsAre(question));
    EXPECT_EQ(m_ui.messages[0].type, MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(testkit::ReadFile(output), "keep");
    EXPECT_TRUE(Frame()->IsModeBarEnabled());

    Click(IDC_EXTRACT_START); // Yes
    EXPECT_THAT(m_ui.Texts(), ElementsAre(question, question, MSG_EXTRACTION_DONE));
    EXPECT_EQ(mediacheck::Probe(output).codec, "mp3");
}

// A whole extraction of a real video, watched from the progress bar.
struct RunCase {
    const char* name;
    VideoSpec spec;
    UINT typeRadio;
    const char* extension;
};

class Extraction : public ExtractViewTest, public ::testing::WithParamInterface<RunCase> {};

TEST_P(Extraction, DecodesToTheVideosSoundWithATwoStageBar)
{
    const RunCase& c = GetParam();
    const std::string video = Video(c.spec, std::string("clip") + c.spec.extension);
    ChooseVideo(video);
    Click(c.typeRadio);
    const std::string output = m_dir / (std::string("clip.") + c.extension);
    ASSERT_EQ(Text(IDC_EXTRACT_OUTPUT), output);

    struct Seen {
        int value;
        bool outputExists;
    };
    std::vector<Seen> seen;
    bool checkedBars = false;
    RunExtraction([&](int value) {
        seen.push_back({value, std::filesystem::exists(output)});
        if (checkedBars)
            return;
        checkedBars = true;
        EXPECT_TRUE(View()->IsExtracting());
        EXPECT_FALSE(Frame()->IsModeBarEnabled());
        EXPECT_FALSE(MenuBarEnabled());
        for (UINT id : {IDC_EXTRACT_SOURCE, IDC_EXTRACT_OUTPUT, IDC_EXTRACT_BROWSE_SOURCE, IDC_EXTRACT_BROWSE_OUTPUT,
                 IDC_EXTRACT_WAV, IDC_EXTRACT_OGG, IDC_EXTRACT_CHANNELS, IDC_EXTRACT_BITS, IDC_EXTRACT_RATE})
            EXPECT_FALSE(Enabled(id)) << id;
        EXPECT_TRUE(Enabled(IDC_EXTRACT_START));
        EXPECT_TRUE(Enabled(IDC_EXTRACT_CANCEL));
        EXPECT_EQ(Text(IDC_EXTRACT_START), "一時停止");
        // The frame is asked to close through its queue: ignored, silently.
        Later([this] { static_cast<QMainWindow*>(Frame()->Widget())->close(); });
    });

    // Capture fills the first half before the output exists (how many
    // steps it shows depends on the decoding speed), conversion the second
    // half while the output is written.
    ASSERT_FALSE(seen.empty());
    bool captureEnded = false, sawConversion = false;
    for (std::size_t i = 0; i < seen.size(); ++i) {
        if (i > 0) {
            EXPECT_GE(seen[i].value, seen[i - 1].value) << i;
        }
        if (seen[i].value <= 100) {
            EXPECT_FALSE(seen[i].outputExists) << seen[i].value;
        }
        else
            EXPECT_TRUE(seen[i].outputExists) << seen[i].value;
        captureEnded |= seen[i].value == 100;
        sawConversion |= seen[i].value > 100 && seen[i].value < 200;
    }
    EXPECT_EQ(seen.front().value, 0);
    EXPECT_TRUE(captureEnded);
    EXPECT_TRUE(sawConversion);
    EXPECT_EQ(seen.back().value, 200);

    ASSERT_THAT(m_ui.Texts(), ElementsAre(MSG_EXTRACTION_DONE));
    EXPECT_EQ(m_ui.messages[0].type, MB_OK | MB_ICONINFORMATION);
    EXPECT_NE(m_app->m_pMainWnd, nullptr); // the close was ignored
    EXPECT_FALSE(View()->IsExtracting());
    EXPECT_EQ(Text(IDC_EXTRACT_START), "抽出開始");
    EXPECT_FALSE(Enabled(IDC_EXTRACT_CANCEL));
    EXPECT_TRUE(Enabled(IDC_EXTRACT_OUTPUT));
    EXPECT_TRUE(Frame()->IsModeBarEnabled());
    EXPECT_TRUE(MenuBarEnabled());
    EXPECT_FALSE(std::filesystem::exists(m_dir / "clip.raw"));

    const mediacheck::StreamInfo info = mediacheck::Probe(output);
    EXPECT_EQ(info.rate, c.spec.rate);
    EXPECT_EQ(info.channels, 2);
    EXPECT_GT(extractkit::BestCorrelation(extractkit::Decode(video, 8000), extractkit::Decode(output, 8000), 800), 0.95);

    // The frame's play command opens the new file.
    EXPECT_EQ(Frame()->m_strLastRecording, output);
    const std::string opened = m_dir / "opened";
    const std::string opener = m_dir / "opener";
    testkit::WriteFile(opener, "#!/bin/sh\necho \"$1\" > '" + opened + ".tmp' && mv '" + opened + ".tmp' '" + opened + "'\n");
    ::chmod(opener.c_str(), 0755);
    testkit::ScopedEnv shell("QX_SHELL_OPEN", opener);
    Frame()->ExecuteCommand(ID_PLAY);
    for (int i = 0; i < 250 && !std::filesystem::exists(opened); ++i)
        ::usleep(20000);
    EXPECT_EQ(testkit::ReadFile(opened), output + "\n");
}

INSTANTIATE_TEST_SUITE_P(Videos, Extraction,
    ::testing::Values(RunCase{"AviToMp3", {"a", ".avi", "mpeg4", kMp3Audio, 48000, 2, 8, 8}, IDC_EXTRACT_MP3, "mp3"},
        RunCase{"WmvToWav", {"w", ".wmv", "wmv2", kWmaAudio, 44100, 2, 8, 8}, IDC_EXTRACT_WAV, "wav"}),
    [](const auto& info) { return std::string(info.param.name); });

class LongVideo : public ExtractViewTest {
protected:
    void SetUp() override
    {
        ExtractViewTest::SetUp();
        ChooseVideo(Video({"long", ".avi", "mpeg4", kPcmAudio, 44100, 2, 20, 20}, "long.avi"));
        Click(IDC_EXTRACT_WAV);
        ASSERT_EQ(Text(IDC_EXTRACT_OUTPUT), m_dir / "long.wav");
    }
};

TEST_F(LongVideo, PauseHoldsTheBarAndResumeFinishes)
{
    int pausedAt = -1, heldAt = -1;
    std::string pausedText, resumedText;
    bool asked = false;
    RunExtraction([&](int value) {
        if (asked || value >= 100)
            return;
        asked = true;
        Later([&] {
            Click(IDC_EXTRACT_START);
            pausedText = Text(IDC_EXTRACT_START);
            pausedAt = Bar()->value();
            Later([&] {
                heldAt = Bar()->value();
                Click(IDC_EXTRACT_START);
                resumedText = Text(IDC_EXTRACT_START);
            }, 400);
        });
    });
    EXPECT_EQ(pausedText, "抽出再開");
    EXPECT_EQ(resumedText, "一時停止");
    EXPECT_GE(pausedAt, 0);
    EXPECT_EQ(heldAt, pausedAt);
    EXPECT_THAT(m_ui.Texts(), ElementsAre(MSG_EXTRACTION_DONE));
    EXPECT_EQ(Bar()->value(), 200);
    // All of the sound, also what came after the pause.
    EXPECT_NEAR(mediacheck::Probe(m_dir / "long.wav").duration, 20, 0.1);
}

TEST_F(LongVideo, CancelSaysSoLeavesNoOutputAndNoSecondStartFromInside)
{
    bool asked = false;
    bool startEnabledAfterCancel = true;
    std::string startTextAfterCancel;
    RunExtraction([&](int value) {
        if (asked || value >= 100)
            return;
        asked = true;
        Later([&] {
            Click(IDC_EXTRACT_CANCEL);
            startEnabledAfterCancel = Enabled(IDC_EXTRACT_START);
            startTextAfterCancel = Text(IDC_EXTRACT_START);
            // The engine still converts what it captured; a start command
            // reaching the form now must not begin a second extraction.
            Later([&] { View()->OnCommand(IDC_EXTRACT_START, BN_CLICKED); });
        });
    });
    EXPECT_THAT(m_ui.Texts(), ElementsAre(MSG_EXTRACTION_CANCELLED));
    EXPECT_EQ(m_ui.messages[0].type, MB_OK);
    EXPECT_FALSE(startEnabledAfterCancel);
    EXPECT_EQ(startTextAfterCancel, "抽出開始");
    EXPECT_FALSE(std::filesystem::exists(m_dir / "long.wav"));
    EXPECT_FALSE(std::filesystem::exists(m_dir / "long.raw"));
    EXPECT_EQ(Bar()->value(), 0);
    EXPECT_FALSE(View()->IsExtracting());
    EXPECT_EQ(Frame()->m_strLastRecording, "");
    // Idle again: a new start runs to its end.
    EXPECT_TRUE(Enabled(IDC_EXTRACT_START));
    EXPECT_TRUE(Frame()->IsModeBarEnabled());
    EXPECT_TRUE(MenuBarEnabled());
    RunExtraction();
    EXPECT_THAT(m_ui.Texts(), ElementsAre(MSG_EXTRACTION_CANCELLED, MSG_EXTRACTION_DONE));
    EXPECT_TRUE(std::filesystem::exists(m_dir / "long.wav"));
}

TEST_F(ExtractViewTest, WithoutTheDumpFilterTheFormIsDisabled)
{
    extractkit::UnregisterDumpFilter();
    Frame()->ExecuteCommand(ID_MODE_PCSOUND);
    ShowForm();
    ASSERT_THAT(m_ui.Texts(), ElementsAre(MSG_DUMP_FILTER_MISSING));
    EXPECT_EQ(m_ui.messages[0].caption, "Ardo サウンドレコーダー");
    for (UINT id : {IDC_EXTRACT_SOURCE, IDC_EXTRACT_VIDEO_INFO, IDC_EXTRACT_AUDIO_INFO, IDC_EXTRACT_OUTPUT,
             IDC_EXTRACT_BROWSE_SOURCE, IDC_EXTRACT_BROWSE_OUTPUT, IDC_EXTRACT_WAV, IDC_EXTRACT_MP3, IDC_EXTRACT_WMA,
             IDC_EXTRACT_OGG, IDC_EXTRACT_CHANNELS, IDC_EXTRACT_BITS, IDC_EXTRACT_RATE, IDC_EXTRACT_PROGRESS,
             IDC_EXTRACT_START, IDC_EXTRACT_CANCEL})
        EXPECT_FALSE(Enabled(id)) << id;
}

} // namespace
