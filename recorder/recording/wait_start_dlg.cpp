#include "recording/wait_start_dlg.h"

#include "recording/clock.h"
#include "recording/schedule_time.h"
#include "res/resource.h"

CWaitStartDlg::CWaitStartDlg(std::time_t start, CWnd* parent) : CDialog(IDD_WAIT_START, parent), m_timeStart(start) {}

void CWaitStartDlg::DoDataExchange(CDataExchange* dx)
{
    DDX_Text(dx, IDC_REMAINING, m_strRemaining);
}

BOOL CWaitStartDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    if (CWnd* ok = GetDlgItem(IDOK))
        ok->ShowWindow(SW_HIDE); // hidden in the resource
    m_strRemaining = FormatRemaining(m_timeStart, RecorderClock().Now());
    SetTimer(WAIT_TIMER_ID, WAIT_TIMER_MS);
    UpdateData(FALSE);
    return TRUE;
}

void CWaitStartDlg::OnTimer(UINT_PTR id)
{
    const std::time_t now = RecorderClock().Now();
    if (now >= m_timeStart) {
        EndDialog(IDOK);
    } else {
        m_strRemaining = FormatRemaining(m_timeStart, now);
        UpdateData(FALSE);
    }
    CDialog::OnTimer(id);
}

void CWaitStartDlg::OnOK()
{
    OnCancel();
}

BOOL CWaitStartDlg::DestroyWindow()
{
    KillTimer(WAIT_TIMER_ID);
    return CDialog::DestroyWindow();
}
