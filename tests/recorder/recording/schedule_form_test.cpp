// Scheduled recording on the form with a scripted clock and scripted timer
// ticks: the controls and their checks, the waiting dialog, the stop timer,
// the automatic stop and the power-off (through a power service that only
// records what it was asked).
#include "form_fixture.h"

#include "res/resource.h"
#include "recording/wait_start_dlg.h"

#include <gmock/gmock.h>

#include <filesystem>

namespace {

using ::testing::ElementsAre;

class ScheduleTest : public RecordFormTest {
protected:
    // Ticks scheduled recording on and picks a mode radio.
    void Schedule(UINT modeRadio)
    {
        Click(IDC_SCHEDULE);
        Click(modeRadio);
        m_ui.messages.clear();
    }
    void StopTimerTicks(int n)
    {
        for (int i = 0; i < n; ++i)
            View()->SendMessage(WM_TIMER, STOP_TIMER_ID);
    }
    void WaitTick() { m_waiting->SendMessage(WM_TIMER, WAIT_TIMER_ID); }

    // The waiting dialog while a handler runs.
    CDialog* m_waiting = nullptr;
};

TEST_F(ScheduleTest, ControlsFollowTheCheckAndTheMode)
{
    const UINT startEnd[] = {IDC_START_HOUR, IDC_START_MINUTE, IDC_END_HOUR, IDC_END_MINUTE, IDC_START_HOUR_SPIN,
        IDC_START_MINUTE_SPIN, IDC_END_HOUR_SPIN, IDC_END_MINUTE_SPIN};
    for (UINT id : {IDC_MODE_START_END, IDC_SHUTDOWN, IDC_START_AFTER, IDC_UNTIL, IDC_START_HOUR})
        EXPECT_FALSE(Enabled(id)) << id;

    Click(IDC_SCHEDULE);
    EXPECT_THAT(m_ui.Texts(), ElementsAre(MSG_SCHEDULE_NOTICE));
    EXPECT_EQ(m_ui.messages[0].type, MB_OK | MB_ICONINFORMATION);
    for (UINT id : startEnd)
        EXPECT_TRUE(Enabled(id)) << id;
    EXPECT_TRUE(Enabled(IDC_SHUTDOWN));
    EXPECT_FALSE(Enabled(IDC_START_AFTER));

    Click(IDC_MODE_START_ONLY);
    EXPECT_TRUE(Enabled(IDC_START_AFTER) && Enabled(IDC_START_AFTER_SPIN));
    EXPECT_FALSE(Enabled(IDC_UNTIL) || Enabled(IDC_START_HOUR));
    Click(IDC_MODE_END_ONLY);
    EXPECT_TRUE(Enabled(IDC_UNTIL) && Enabled(IDC_UNTIL_SPIN));
    EXPECT_FALSE(Enabled(IDC_START_AFTER));

    m_ui.messages.clear();
    Click(IDC_SHUTDOWN);
    EXPECT_THAT(m_ui.Texts(), ElementsAre(MSG_SHUTDOWN_NOTICE));
    EXPECT_EQ(m_ui.messages[0].type, MB_OK);
    // Unticking says nothing.
    Click(IDC_SCHEDULE);
    EXPECT_EQ(m_ui.messages.size(), 1u);
    EXPECT_FALSE(Enabled(IDC_SHUTDOWN));
    EXPECT_FALSE(Enabled(IDC_UNTIL));
}

TEST_F(ScheduleTest, AnEmptyEnabledFieldIsNamed)
{
    SetText(IDC_START_AFTER, ""); // disabled: not tested
    Schedule(IDC_MODE_START_END);
    SetText(IDC_END_MINUTE, "");
    Click(IDC_RECORD);
    EXPECT_THAT(m_ui.Texts(), ElementsAre(MSG_ENTER_END_TIME));
    EXPECT_TRUE(m_ui.fileRequests.empty());
}

struct LengthCase {
    const char* name;
    UINT sh, sm, eh, em;
    const char* message;
    UINT focus;
};

class StartEndRefusalTest : public ScheduleTest, public ::testing::WithParamInterface<LengthCase> {};

TEST_P(StartEndRefusalTest, RefusedBeforeTheSaveDialog)
{
    const LengthCase& c = GetParam();
    Schedule(IDC_MODE_START_END);
    SetText(IDC_START_HOUR, std::to_string(c.sh));
    SetText(IDC_START_MINUTE, std::to_string(c.sm));
    SetText(IDC_END_HOUR, std::to_string(c.eh));
    SetText(IDC_END_MINUTE, std::to_string(c.em));
    Click(IDC_RECORD);
    EXPECT_THAT(m_ui.Texts(), ElementsAre(c.message));
    EXPECT_TRUE(m_ui.fileRequests.empty());
    if (c.focus) {
        EXPECT_EQ(View()->Widget()->window()->focusWidget(), View()->GetDlgItem(c.focus)->Widget());
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, StartEndRefusalTest,
    ::testing::Values(LengthCase{"EqualTimes", 13, 0, 13, 0, MSG_LENGTH_RANGE, 0},
        LengthCase{"ThreeHundredAndOneMinutes", 13, 0, 18, 1, MSG_LENGTH_RANGE, 0},
        LengthCase{"StartHour24", 24, 0, 1, 0, MSG_HOUR_RANGE, IDC_START_HOUR},
        LengthCase{"StartMinute60", 13, 60, 14, 0, MSG_MINUTE_RANGE, IDC_START_MINUTE},
        LengthCase{"EndHour24", 13, 0, 24, 0, MSG_HOUR_RANGE, IDC_END_HOUR},
        LengthCase{"EndMinute60", 13, 0, 14, 60, MSG_MINUTE_RANGE, IDC_END_MINUTE}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScheduleTest, StartAndEndTimesWaitThenStopAfterTheLength)
{
    m_clock.now = At(10, 22, 0);
    Schedule(IDC_MODE_START_END);
    SetText(IDC_START_HOUR, "23");
    SetText(IDC_START_MINUTE, "30");
    SetText(IDC_END_HOUR, "0");
    SetText(IDC_END_MINUTE, "30");
    std::vector<std::string> shown;
    m_ui.modalHandlers.push_back([&](CDialog& d) {
        m_waiting = &d;
        shown.push_back(d.GetDlgItemText(IDC_REMAINING));
        m_clock.now = At(10, 23, 29, 58);
        WaitTick();
        shown.push_back(d.GetDlgItemText(IDC_REMAINING));
        EXPECT_FALSE(d.IsEnded());
        m_clock.now = At(10, 23, 30);
        WaitTick();
    });
    Record(m_dir / "night.wav");
    ASSERT_EQ(m_ui.modalTemplates, std::vector<UINT>{IDD_WAIT_START});
    EXPECT_THAT(shown, ElementsAre("90分 0秒", "0分 2秒"));
    ASSERT_TRUE(View()->IsRecording()) << testing::PrintToString(m_ui.Texts());
    EXPECT_TRUE(m_ui.messages.empty()); // no "click OK" for a scheduled start
    EXPECT_EQ(View()->m_timeStart, At(10, 23, 30));
    EXPECT_EQ(View()->m_timeEnd, At(11, 0, 30));
    EXPECT_EQ(View()->m_nDurationMs, 3600000u);

    StopTimerTicks(359);
    EXPECT_TRUE(View()->IsRecording());
    StopTimerTicks(1);
    EXPECT_FALSE(View()->IsRecording());
    EXPECT_THAT(m_ui.Texts(), ElementsAre(MSG_AUTO_STOPPED));
    EXPECT_EQ(m_ui.messages[0].type, MB_OK);
    EXPECT_EQ(Frame()->m_strLastRecording, m_dir / "night.wav");
    EXPECT_EQ(View()->m_nTickMs, 0u);
}

TEST_F(ScheduleTest, WaitingDialogTextsAndItsHiddenOk)
{
    Schedule(IDC_MODE_START_ONLY);
    SetText(IDC_START_AFTER, "1");
    m_ui.modalHandlers.push_back([&](CDialog& d) {
        EXPECT_EQ(d.GetWindowText(), "録音待機中");
        EXPECT_FALSE(d.GetDlgItem(IDOK)->IsWindowVisible());
        EXPECT_EQ(d.GetDlgItemText(IDCANCEL), "キャンセル(&C)");
        // Enter reaches the default button, Cancel.
        d.OnCommand(IDOK, BN_CLICKED);
    });
    Record(m_dir / "never.wav");
    EXPECT_THAT(m_ui.Texts(), ElementsAre(MSG_SCHEDULE_CANCELLED));
    EXPECT_FALSE(View()->IsRecording());
    EXPECT_FALSE(std::filesystem::exists(m_dir / "never.wav"));
}

TEST_F(ScheduleTest, StartAfterMinutesIsCheckedAfterTheSaveDialog)
{
    Schedule(IDC_MODE_START_ONLY);
    for (const char* minutes : {"0", "301"}) {
        m_ui.messages.clear();
        SetText(IDC_START_AFTER, minutes);
        Record(m_dir / "later.wav");
        EXPECT_THAT(m_ui.Texts(), ElementsAre(MSG_LENGTH_RANGE)) << minutes;
        EXPECT_FALSE(View()->IsRecording());
    }
    EXPECT_EQ(m_ui.fileRequests.size(), 2u);

    m_ui.messages.clear();
    SetText(IDC_START_AFTER, "1");
    std::vector<std::string> shown;
    const std::time_t pressed = m_clock.now;
    m_ui.modalHandlers.push_back([&](CDialog& d) {
        m_waiting = &d;
        shown.push_back(d.GetDlgItemText(IDC_REMAINING));
        m_clock.now = pressed + 59;
        WaitTick();
        shown.push_back(d.GetDlgItemText(IDC_REMAINING));
        m_clock.now = pressed + 60;
        WaitTick();
    });
    Record(m_dir / "later.wav");
    EXPECT_THAT(shown, ElementsAre("1分 0秒", "0分 1秒"));
    ASSERT_TRUE(View()->IsRecording());
    EXPECT_EQ(View()->m_nDurationMs, START_ONLY_MAX_MS);
    StopTimerTicks(1799);
    EXPECT_TRUE(View()->IsRecording());
    StopTimerTicks(1);
    EXPECT_FALSE(View()->IsRecording());
}

TEST_F(ScheduleTest, RecordForFiveMinutesStopsAtTheThirtiethTickPausedOrNot)
{
    Schedule(IDC_MODE_END_ONLY);
    for (const char* minutes : {"0", "301"}) {
        SetText(IDC_UNTIL, minutes);
        Click(IDC_RECORD);
    }
    EXPECT_THAT(m_ui.Texts(), ElementsAre(MSG_LENGTH_RANGE, MSG_LENGTH_RANGE));
    EXPECT_TRUE(m_ui.fileRequests.empty());

    m_ui.messages.clear();
    SetText(IDC_UNTIL, "5");
    Record(m_dir / "five.wav");
    EXPECT_TRUE(m_ui.modalTemplates.empty()); // starts at once
    ASSERT_TRUE(View()->IsRecording());
    StopTimerTicks(10);
    Click(IDC_PAUSE);
    StopTimerTicks(19);
    EXPECT_TRUE(View()->IsRecording());
    EXPECT_TRUE(View()->IsPaused());
    StopTimerTicks(1);
    EXPECT_FALSE(View()->IsRecording());
    EXPECT_THAT(m_ui.Texts(), ElementsAre(MSG_AUTO_STOPPED));
    EXPECT_TRUE(m_power.requests.empty());
}

TEST_F(ScheduleTest, ShutdownAfterAScheduledRecordingAlsoWhenStoppedByHand)
{
    Schedule(IDC_MODE_END_ONLY);
    Click(IDC_SHUTDOWN);
    SetText(IDC_UNTIL, "5");
    m_ui.messages.clear();
    Record(m_dir / "by-hand.wav");
    ASSERT_TRUE(View()->IsRecording());
    Click(IDC_STOP);
    EXPECT_TRUE(m_ui.messages.empty());
    ASSERT_EQ(m_power.requests.size(), 1u);
    EXPECT_EQ(m_power.requests[0].flags, 0x18u);
    EXPECT_EQ(m_power.requests[0].reason, SHTDN_REASON_FLAG_PLANNED);
    EXPECT_EQ(Frame()->m_strLastRecording, m_dir / "by-hand.wav");

    // The automatic stop powers off too; without the privilege nothing is
    // asked and nothing is said.
    Record(m_dir / "auto.wav");
    StopTimerTicks(30);
    EXPECT_EQ(m_power.requests.size(), 2u);
    m_power.privilege = FALSE;
    Record(m_dir / "refused.wav");
    StopTimerTicks(30);
    EXPECT_EQ(m_power.requests.size(), 2u);
    EXPECT_TRUE(m_ui.messages.empty());
    EXPECT_FALSE(View()->IsRecording());
}

TEST_F(ScheduleTest, ShutdownTickedWithoutSchedulingDoesNothing)
{
    Click(IDC_SCHEDULE);
    Click(IDC_SHUTDOWN);
    Click(IDC_SCHEDULE); // off again: the shutdown box stays ticked but disabled
    ASSERT_EQ(View()->IsDlgButtonChecked(IDC_SHUTDOWN), BST_CHECKED);
    ASSERT_FALSE(Enabled(IDC_SHUTDOWN));
    m_ui.messages.clear();
    Record(m_dir / "plain.wav");
    ASSERT_TRUE(View()->IsRecording());
    Click(IDC_STOP);
    EXPECT_THAT(m_ui.Texts(), ElementsAre(MSG_CLICK_OK_TO_START, MSG_RECORDING_DONE));
    EXPECT_TRUE(m_power.requests.empty());
}

} // namespace
