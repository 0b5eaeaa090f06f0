// The schedule part of the recording form: the schedule controls and their
// checks, the start and the length of a scheduled recording, the wait for
// the start, the stop timer and the power-off afterwards.
#include "recording/recording_view.h"

#include "power/power.h"
#include "recording/clock.h"
#include "recording/schedule_time.h"
#include "recording/wait_start_dlg.h"
#include "res/resource.h"

namespace {

// The edits of each mode with their spins.
constexpr UINT kStartEndControls[] = {IDC_START_HOUR, IDC_START_MINUTE, IDC_END_HOUR, IDC_END_MINUTE,
    IDC_START_HOUR_SPIN, IDC_START_MINUTE_SPIN, IDC_END_HOUR_SPIN, IDC_END_MINUTE_SPIN};
constexpr UINT kStartOnlyControls[] = {IDC_START_AFTER, IDC_START_AFTER_SPIN};
constexpr UINT kEndOnlyControls[] = {IDC_UNTIL, IDC_UNTIL_SPIN};

constexpr int MODE_START_END = 0;
constexpr int MODE_START_ONLY = 1;
constexpr int MODE_END_ONLY = 2;

} // namespace

void CBrisaRecordView::EnableScheduleControls(BOOL enable)
{
    for (UINT id : {IDC_MODE_START_END, IDC_MODE_START_ONLY, IDC_MODE_END_ONLY, IDC_SHUTDOWN})
        if (CWnd* c = GetDlgItem(id))
            c->EnableWindow(enable);
    const auto enableAll = [this](const auto& ids, BOOL on) {
        for (UINT id : ids)
            if (CWnd* c = GetDlgItem(id))
                c->EnableWindow(on);
    };
    enableAll(kStartEndControls, enable && m_nScheduleMode == MODE_START_END);
    enableAll(kStartOnlyControls, enable && m_nScheduleMode == MODE_START_ONLY);
    enableAll(kEndOnlyControls, enable && m_nScheduleMode == MODE_END_ONLY);
}

void CBrisaRecordView::OnScheduleCheck()
{
    UpdateData(TRUE);
    if (m_bSchedule)
        MessageBox(MSG_SCHEDULE_NOTICE, {}, MB_OK | MB_ICONINFORMATION);
    EnableScheduleControls(m_bSchedule);
}

void CBrisaRecordView::OnScheduleMode()
{
    UpdateData(TRUE);
    EnableScheduleControls(m_bSchedule);
}

void CBrisaRecordView::OnShutdownCheck()
{
    UpdateData(TRUE);
    if (m_bShutdown)
        MessageBox(MSG_SHUTDOWN_NOTICE);
}

BOOL CBrisaRecordView::CheckScheduleInputs()
{
    const std::pair<UINT, const char*> inputs[] = {{IDC_START_HOUR, MSG_ENTER_START_TIME},
        {IDC_START_MINUTE, MSG_ENTER_START_TIME}, {IDC_END_HOUR, MSG_ENTER_END_TIME},
        {IDC_END_MINUTE, MSG_ENTER_END_TIME}, {IDC_START_AFTER, MSG_ENTER_START_AFTER}, {IDC_UNTIL, MSG_ENTER_UNTIL}};
    for (const auto& [id, message] : inputs) {
        const CWnd* edit = GetDlgItem(id);
        if (edit && edit->IsWindowEnabled() && edit->GetWindowText().empty()) {
            MessageBox(message);
            return FALSE;
        }
    }
    return TRUE;
}

BOOL CBrisaRecordView::ComputeRecordingLength()
{
    if (!UpdateData(TRUE))
        return FALSE;
    if (!m_bSchedule || m_nScheduleMode == MODE_START_ONLY)
        return TRUE;
    const auto refuse = [this](const char* message, UINT focus) {
        MessageBox(message);
        if (focus)
            if (CWnd* edit = GetDlgItem(focus); edit && edit->Widget())
                edit->Widget()->setFocus();
        return FALSE;
    };
    if (m_nScheduleMode == MODE_END_ONLY) {
        if (m_nUntilMinutes == 0 || m_nUntilMinutes > MAX_SCHEDULE_MINUTES)
            return refuse(MSG_LENGTH_RANGE, IDC_UNTIL);
        m_nDurationMs = m_nUntilMinutes * 60000;
        return TRUE;
    }
    if (m_nStartHour >= 24)
        return refuse(MSG_HOUR_RANGE, IDC_START_HOUR);
    if (m_nStartMinute >= 60)
        return refuse(MSG_MINUTE_RANGE, IDC_START_MINUTE);
    if (m_nEndHour >= 24)
        return refuse(MSG_HOUR_RANGE, IDC_END_HOUR);
    if (m_nEndMinute >= 60)
        return refuse(MSG_MINUTE_RANGE, IDC_END_MINUTE);
    const ScheduleSpan span =
        ComputeStartEnd(RecorderClock().Now(), m_nStartHour, m_nStartMinute, m_nEndHour, m_nEndMinute);
    if (span.minutes < 1 || span.minutes > static_cast<long>(MAX_SCHEDULE_MINUTES))
        return refuse(MSG_LENGTH_RANGE, 0);
    m_timeStart = span.start;
    m_timeEnd = span.end;
    m_nDurationMs = static_cast<DWORD>(span.minutes) * 60000;
    return TRUE;
}

BOOL CBrisaRecordView::ComputeStartAfter()
{
    if (!UpdateData(TRUE))
        return FALSE;
    if (!m_bSchedule || m_nScheduleMode != MODE_START_ONLY)
        return TRUE;
    if (m_nStartAfterMinutes == 0 || m_nStartAfterMinutes > MAX_SCHEDULE_MINUTES) {
        MessageBox(MSG_LENGTH_RANGE);
        if (CWnd* edit = GetDlgItem(IDC_START_AFTER); edit && edit->Widget())
            edit->Widget()->setFocus();
        return FALSE;
    }
    m_timeStart = RecorderClock().Now() + static_cast<std::time_t>(m_nStartAfterMinutes) * 60;
    m_nDurationMs = START_ONLY_MAX_MS;
    return TRUE;
}

BOOL CBrisaRecordView::WaitForStart()
{
    if (!UpdateData(TRUE))
        return FALSE;
    if (!m_bSchedule || m_nScheduleMode == MODE_END_ONLY)
        return TRUE;
    CWaitStartDlg dialog(m_timeStart, this);
    if (dialog.DoModal() == IDCANCEL) {
        MessageBox(MSG_SCHEDULE_CANCELLED);
        return FALSE;
    }
    return TRUE;
}

void CBrisaRecordView::StartStopTimer()
{
    SetTimer(STOP_TIMER_ID, STOP_TIMER_MS);
    m_nTickMs = 0;
}

void CBrisaRecordView::KillStopTimer()
{
    KillTimer(STOP_TIMER_ID);
    m_nTickMs = 0;
}

void CBrisaRecordView::OnTimer(UINT_PTR id)
{
    // Each tick counts as a whole period, paused or not: a pause does not
    // move the planned end.
    m_nTickMs += STOP_TIMER_MS;
    if (m_nTickMs >= m_nDurationMs)
        OnAutoStop();
    CFormView::OnTimer(id);
}

BOOL CBrisaRecordView::ShutdownPC()
{
    IPowerService& power = PowerService();
    if (!power.EnableShutdownPrivilege())
        return FALSE;
    return power.ExitWindowsEx(EWX_POWEROFF | EWX_FORCEIFHUNG, SHTDN_REASON_FLAG_PLANNED);
}
