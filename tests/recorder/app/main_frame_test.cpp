// The main frame: its bars and their texts, the update rules of its
// commands, mode switching, the close refusals, play, the video-mode
// question and the help pages.
#include "recorder_fixture.h"

#include <gmock/gmock.h>

#include "extraction/extract_view.h"
#include "recording/recording_view.h"
#include "res/resource.h"

#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include <filesystem>
#include <sys/stat.h>

namespace {

using ::testing::ElementsAre;

class FrameTest : public RecorderTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Start());
        Pump();
        m_ui.messages.clear();
    }

    bool Enabled(UINT id) { return Frame()->QueryCommand(id).m_bEnabled; }
    bool Checked(UINT id) { return Frame()->QueryCommand(id).m_nCheck != 0; }
    CBrisaRecordView* RecordView() { return Frame()->m_pRecordView; }
    // Starts a real recording from the record command (into take.wav).
    void Record()
    {
        m_ui.fileAnswers.push_back(m_dir / "take.wav");
        Frame()->ExecuteCommand(ID_RECORD);
        ASSERT_TRUE(RecordView()->IsRecording());
        m_ui.messages.clear();
    }
    void ClickMode(UINT id) { Frame()->ModeBar().FindItem(id)->Button()->click(); }
    QMainWindow* Main() { return static_cast<QMainWindow*>(Frame()->Widget()); }
};

// "text" per item, "-" for a separator.
std::vector<std::string> MenuItems(QMenu* menu)
{
    std::vector<std::string> out;
    for (QAction* a : menu->actions())
        out.push_back(a->isSeparator() ? "-" : a->text().toStdString());
    return out;
}

TEST_F(FrameTest, MenuBarHoldsTheFourMenusWithTheirItems)
{
    QMenuBar* bar = Main()->menuBar();
    EXPECT_EQ(bar, Frame()->m_pMenuBar->Widget());
    EXPECT_EQ(bar->objectName().toStdString(), "メニューバー");
    const QList<QAction*> menus = bar->actions();
    ASSERT_EQ(menus.size(), 4);
    EXPECT_EQ(menus[0]->text().toStdString(), "ファイル(&F)");
    EXPECT_THAT(MenuItems(menus[0]->menu()),
        ElementsAre("スピーカー(&C)", "マイク(&M)", "ユーザ定義(&U)", "サウンド抽出(&E)", "-", "終了(&X)"));
    EXPECT_EQ(menus[1]->text().toStdString(), "表示(&V)");
    EXPECT_THAT(MenuItems(menus[1]->menu()), ElementsAre("ステータス バー(&S)"));
    EXPECT_EQ(menus[2]->text().toStdString(), "ツール(&T)");
    EXPECT_THAT(MenuItems(menus[2]->menu()),
        ElementsAre("スピーカー設定(&S)...", "マイク設定(&M)...", "ユーザ定義設定(&U)..."));
    EXPECT_EQ(menus[3]->text().toStdString(), "ヘルプ(&H)");
    EXPECT_THAT(MenuItems(menus[3]->menu()), ElementsAre("Ardo サウンドレコーダー(&H)...", "-", "バージョン情報(&A)..."));
    EXPECT_EQ(menus[3]->menu()->actions()[0]->data().toUInt(), ID_ONLINE_MANUAL);
}

TEST_F(FrameTest, ShortcutsPromptsAndTooltips)
{
    const std::vector<std::pair<UINT, const char*>> keys = {{ID_RECORD, "Ctrl+F5"}, {ID_PAUSE, "Ctrl+F9"},
        {ID_STOP, "Ctrl+F10"}, {ID_PLAY, "F5"}, {ID_SETTINGS_PCSOUND, "Ctrl+S"}, {ID_SETTINGS_MIC, "Ctrl+M"},
        {ID_SETTINGS_USER, "Ctrl+U"}, {ID_APP_EXIT, "Alt+X"}};
    for (const auto& [id, key] : keys)
        EXPECT_EQ(Frame()->CommandAction(id)->shortcut().toString().toStdString(), key) << id;
    QAction* record = Frame()->CommandAction(ID_RECORD);
    EXPECT_EQ(record->statusTip().toStdString(), "録音作業を開始します。");
    EXPECT_EQ(record->toolTip().toStdString(), "録音");
    EXPECT_EQ(Frame()->CommandAction(ID_PLAY)->statusTip().toStdString(), "録音したファイルを再生します。.");
}

TEST_F(FrameTest, ToolbarButtonsInOrderWithTheVideoModeCaption)
{
    const QList<QToolBar*> bars = Main()->findChildren<QToolBar*>();
    ASSERT_EQ(bars.size(), 1);
    std::vector<UINT> ids;
    for (QAction* a : bars[0]->actions())
        ids.push_back(a->isSeparator() ? 0 : a->data().toUInt());
    EXPECT_THAT(ids, ElementsAre(ID_RECORD, ID_PAUSE, ID_STOP, 0, ID_PLAY, 0, ID_VIDEO_MODE, 0, ID_ONLINE_MANUAL,
        ID_APP_EXIT));
    auto* video = qobject_cast<QToolButton*>(bars[0]->widgetForAction(Frame()->CommandAction(ID_VIDEO_MODE)));
    ASSERT_NE(video, nullptr);
    EXPECT_EQ(video->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    EXPECT_EQ(video->text().toStdString(), "録画モード");
    EXPECT_FALSE(Frame()->CommandAction(ID_RECORD)->icon().isNull());
}

TEST_F(FrameTest, FixedSizeWindowWithoutMinimiseOrMaximise)
{
    const Qt::WindowFlags flags = Main()->windowFlags();
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(flags & Qt::WindowMaximizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_EQ(Frame()->GetStyle() & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX | WS_THICKFRAME), 0u);
    EXPECT_EQ(Main()->minimumSize(), Main()->maximumSize());
    EXPECT_NE(Main()->statusBar(), nullptr);
}

TEST_F(FrameTest, ModeBarHasTheFourModesWithMaskedIcons)
{
    std::vector<std::string> captions;
    for (UINT id : {ID_MODE_PCSOUND, ID_MODE_MIC, ID_MODE_USER, ID_MODE_EXTRACT}) {
        CShortcutBarItem* item = Frame()->ModeBar().FindItem(id);
        ASSERT_NE(item, nullptr);
        captions.push_back(item->GetCaption());
        const QIcon icon = item->Button()->icon();
        EXPECT_THAT(icon.availableSizes(), ElementsAre(QSize(16, 16), QSize(24, 24)));
        // The magenta corner of each picture is transparent.
        EXPECT_EQ(icon.pixmap(QSize(24, 24)).toImage().pixelColor(0, 0).alpha(), 0);
    }
    EXPECT_THAT(captions, ElementsAre("スピーカー", "マイク", "ユーザ定義", "サウンド抽出"));
    EXPECT_EQ(Frame()->ModeBar().GetSelectedItem()->GetID(), static_cast<UINT>(ID_MODE_PCSOUND));
}

// The enabled and checked states of the commands in each state of the forms.
struct StateCase {
    const char* name;
    enum { Idle, Recording, Paused, Extraction } state;
    std::vector<UINT> enabled;
    std::vector<UINT> checked;
};

class CommandStateTest : public FrameTest, public ::testing::WithParamInterface<StateCase> {};

TEST_P(CommandStateTest, UpdateRules)
{
    const StateCase& c = GetParam();
    switch (c.state) {
    case StateCase::Idle: break;
    case StateCase::Recording: Record(); break;
    case StateCase::Paused:
        Record();
        Frame()->ExecuteCommand(ID_PAUSE);
        break;
    case StateCase::Extraction: ClickMode(ID_MODE_EXTRACT); break;
    }
    const std::vector<UINT> all = {ID_MODE_PCSOUND, ID_MODE_MIC, ID_MODE_USER, ID_MODE_EXTRACT, ID_RECORD, ID_PAUSE,
        ID_STOP, ID_PLAY, ID_SETTINGS_PCSOUND, ID_SETTINGS_MIC, ID_SETTINGS_USER, ID_VIDEO_MODE};
    std::vector<UINT> enabled, checked;
    for (UINT id : all) {
        if (Enabled(id))
            enabled.push_back(id);
        if (Checked(id))
            checked.push_back(id);
    }
    EXPECT_EQ(enabled, c.enabled);
    EXPECT_EQ(checked, c.checked);
    // The menu and the toolbar show the same after an idle pass.
    Pump();
    for (UINT id : all)
        EXPECT_EQ(Frame()->CommandAction(id)->isEnabled(), Enabled(id)) << id;
}

INSTANTIATE_TEST_SUITE_P(States, CommandStateTest,
    ::testing::Values(
        StateCase{"Idle", StateCase::Idle,
            {ID_MODE_PCSOUND, ID_MODE_MIC, ID_MODE_USER, ID_MODE_EXTRACT, ID_RECORD, ID_SETTINGS_PCSOUND,
                ID_SETTINGS_MIC, ID_SETTINGS_USER, ID_VIDEO_MODE},
            {ID_MODE_PCSOUND}},
        StateCase{"Recording", StateCase::Recording, {ID_PAUSE, ID_STOP}, {}},
        StateCase{"Paused", StateCase::Paused, {ID_PAUSE, ID_STOP}, {}},
        // No video recorder path is known, so video mode is off here.
        StateCase{"Extraction", StateCase::Extraction, {ID_MODE_PCSOUND, ID_MODE_MIC, ID_MODE_USER, ID_MODE_EXTRACT},
            {ID_MODE_EXTRACT}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FrameTest, ModesSwitchTheFormAndTheCurrentSource)
{
    ClickMode(ID_MODE_MIC);
    EXPECT_EQ(Frame()->GetActiveView(), RecordView());
    EXPECT_EQ(Doc()->GetCurrentSource(), SRC_MIC);
    EXPECT_TRUE(Checked(ID_MODE_MIC));

    ClickMode(ID_MODE_EXTRACT);
    auto* extract = Frame()->ActiveExtractView();
    ASSERT_NE(extract, nullptr);
    EXPECT_TRUE(extract->IsWindowVisible());
    EXPECT_EQ(Doc()->GetCurrentSource(), SRC_MIC); // extraction leaves the source alone
    // Record (Ctrl+F5) is refused while the extraction form is shown.
    Frame()->CommandAction(ID_RECORD)->trigger();
    EXPECT_FALSE(RecordView()->IsRecording());
    EXPECT_FALSE(Enabled(ID_SETTINGS_MIC));

    // A menu mode command selects the bar item, which switches back.
    Frame()->ExecuteCommand(ID_MODE_USER);
    EXPECT_EQ(Frame()->GetActiveView(), RecordView());
    EXPECT_EQ(Frame()->ModeBar().GetSelectedItem()->GetID(), static_cast<UINT>(ID_MODE_USER));
    EXPECT_EQ(Doc()->GetCurrentSource(), SRC_USER);
    EXPECT_FALSE(extract->IsWindowVisible());
}

TEST_F(FrameTest, RecordingDisablesTheModeBar)
{
    Record();
    EXPECT_FALSE(Frame()->IsModeBarEnabled());
    Frame()->ExecuteCommand(ID_STOP);
    EXPECT_TRUE(Frame()->IsModeBarEnabled());
}

TEST_F(FrameTest, SettingsCommandsReachTheRecordingForm)
{
    Frame()->ExecuteCommand(ID_SETTINGS_PCSOUND);
    EXPECT_THAT(m_ui.Texts(), ElementsAre(MSG_PC_SOUND_NOTICE));
    EXPECT_EQ(m_ui.messages[0].caption, "Ardo サウンドレコーダー");
    // The microphone becomes current even though the PC-sound mode is shown.
    Frame()->ExecuteCommand(ID_SETTINGS_MIC);
    EXPECT_EQ(Doc()->GetCurrentSource(), SRC_MIC);
    EXPECT_EQ(Frame()->ModeBar().GetSelectedItem()->GetID(), static_cast<UINT>(ID_MODE_PCSOUND));
}

TEST_F(FrameTest, CloseIsRefusedWhileRecordingAlsoWhenPaused)
{
    Record();
    Frame()->ExecuteCommand(ID_PAUSE);
    ASSERT_TRUE(RecordView()->IsPaused());
    Main()->close();
    EXPECT_THAT(m_ui.Texts(), ElementsAre(MSG_CLOSE_WHILE_RECORDING));
    EXPECT_EQ(m_ui.messages[0].caption, "Ardo サウンドレコーダー");
    EXPECT_EQ(m_ui.messages[0].type, MB_OK);
    EXPECT_NE(m_app->m_pMainWnd, nullptr);

    Frame()->ExecuteCommand(ID_STOP);
    Frame()->ExecuteCommand(ID_APP_EXIT); // Alt+X
    Pump();
    EXPECT_EQ(m_app->m_pMainWnd, nullptr);
    EXPECT_EQ(Profile("PCSndSettings", "Channel"), "2");
}

TEST_F(FrameTest, CloseDuringAnExtractionIsIgnoredSilently)
{
    ClickMode(ID_MODE_EXTRACT);
    m_ui.messages.clear(); // whether the dump filter is registered is not the point here
    Frame()->ActiveExtractView()->m_bExtracting = TRUE;
    Main()->close();
    Pump();
    EXPECT_TRUE(m_ui.messages.empty());
    EXPECT_NE(m_app->m_pMainWnd, nullptr);
    Frame()->ActiveExtractView()->m_bExtracting = FALSE;
    Main()->close();
    EXPECT_EQ(m_app->m_pMainWnd, nullptr);
}

TEST_F(FrameTest, PlayOpensTheLastRecordingOrSaysItIsMissing)
{
    EXPECT_FALSE(Enabled(ID_PLAY));
    const std::string opened = m_dir / "opened";
    const std::string opener = m_dir / "opener";
    testkit::WriteFile(opener, "#!/bin/sh\necho \"$1\" >> '" + opened + "'\n");
    ::chmod(opener.c_str(), 0755);
    testkit::ScopedEnv shell("QX_SHELL_OPEN", opener);

    const std::string take = m_dir / "take.mp3";
    testkit::WriteFile(take, "ID3");
    Frame()->m_strLastRecording = take;
    EXPECT_TRUE(Enabled(ID_PLAY));
    Frame()->ExecuteCommand(ID_PLAY);
    EXPECT_TRUE(m_ui.messages.empty());

    std::filesystem::remove(take);
    Frame()->ExecuteCommand(ID_PLAY);
    EXPECT_THAT(m_ui.Texts(), ElementsAre(MSG_FILE_NOT_FOUND));

    // A new recording clears the path until it ends.
    Record();
    EXPECT_EQ(Frame()->m_strLastRecording, "");

    Frame()->ExecuteCommand(ID_STOP);
    EXPECT_EQ(Frame()->m_strLastRecording, m_dir / "take.wav");
    Frame()->ExecuteCommand(ID_ONLINE_MANUAL);
    // The opener runs on its own; both opens arrive in some order.
    const std::string manual = "https://www.velmora.example/ardo/soundrecorder/manual/";
    for (int i = 0; i < 250 && testkit::ReadFile(opened).size() < take.size() + manual.size() + 2; ++i)
        ::usleep(20000);
    const std::string got = testkit::ReadFile(opened);
    EXPECT_TRUE(got == take + "\n" + manual + "\n" || got == manual + "\n" + take + "\n") << got;
}

TEST_F(FrameTest, VideoModeReleasesTheClaimOnYesAndKeepsTheRecorderOpen)
{
    m_ui.messageAnswers = {IDNO};
    Frame()->ExecuteCommand(ID_VIDEO_MODE);
    EXPECT_THAT(m_ui.Texts(), ElementsAre(MSG_SWITCH_TO_VIDEO));
    EXPECT_EQ(m_ui.messages[0].type, MB_YESNO);
    EXPECT_EQ(RecorderBlock()->running, 1u);

    Frame()->ExecuteCommand(ID_VIDEO_MODE); // Yes
    Pump();
    EXPECT_TRUE(m_app->m_bClaimReleased);
    EXPECT_FALSE(RecorderBlock());
    EXPECT_NE(m_app->m_pMainWnd, nullptr);
    // Another recorder may start now.
    CBrisaRecordApp second(m_store);
    EXPECT_TRUE(second.ClaimRunningInstance());
    second.ReleaseRunningInstance();
}

TEST_F(FrameTest, StatusBarCanBeHiddenAndShown)
{
    EXPECT_TRUE(Checked(ID_VIEW_STATUS_BAR));
    Frame()->ExecuteCommand(ID_VIEW_STATUS_BAR);
    EXPECT_FALSE(Checked(ID_VIEW_STATUS_BAR));
    EXPECT_TRUE(Main()->statusBar()->isHidden());
    Frame()->ExecuteCommand(ID_VIEW_STATUS_BAR);
    EXPECT_TRUE(Checked(ID_VIEW_STATUS_BAR));
}

} // namespace
