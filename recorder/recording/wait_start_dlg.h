// CWaitStartDlg (dialog 156): waits for a scheduled recording's start,
// showing the time left, and closes itself with OK when the start has come.
// Cancel, Escape and the close box end it with Cancel.
#pragma once

#include "toolkit/dialog.h"

#include <ctime>
#include <string>

constexpr UINT_PTR WAIT_TIMER_ID = 2;
constexpr UINT WAIT_TIMER_MS = 1000;

class CWaitStartDlg : public CDialog {
public:
    CWaitStartDlg(std::time_t start, CWnd* parent = nullptr);

    BOOL DestroyWindow() override;
    // Enter reaches the default button, which is Cancel: the OK button is
    // hidden and only the start time ends the wait with OK.
    void OnOK() override;

    std::time_t m_timeStart;
    std::string m_strRemaining; // edit 1009

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;
    void OnTimer(UINT_PTR id) override;
};
