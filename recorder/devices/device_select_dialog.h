// CDeviceSelectDialog (dialog 273): the user picks the capture device of the
// microphone or the user-defined source and its level.  Everything goes
// through the capture library's NSndOption of the recording form: the list,
// the selection, the level and mute (set at once, so the user hears the
// change), and the roll-back on Cancel.
//
// In its automatic form (the "MIC" launch) only "指定(&S)" leaves it: OK and
// Cancel are hidden, and keys and the close box do nothing.
#pragma once

#include "sndgrab.h"
#include "toolkit/dialog.h"

#include <string>

class CDeviceSelectDialog : public CDialog {
public:
    explicit CDeviceSelectDialog(CWnd* parent = nullptr);

    // The library object (not owned); null: the dialog does nothing.
    void SetOption(NSndOption* option) { m_pOption = option; }
    // Empty keeps the resource's caption.
    void SetCaption(const std::string& caption) { m_strCaption = caption; }
    void SetAutomatic() { m_bAutomatic = TRUE; }

    // In: the device to show as chosen (-1: none); out after OK: the chosen one.
    int m_nDeviceIndex = -1;
    // The slider's position: 100 minus the level in percent (top = 100 %).
    int m_nLevelPos = 0;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    BOOL OnCommand(UINT id, UINT code) override;
    void OnOK() override;
    void OnCancel() override;

protected:
    BOOL OnInitDialog() override;
    void DoDataExchange(CDataExchange* dx) override;

private:
    void FillList();
    void ShowDeviceChosen(int device);
    void ApplyLevel(float level);
    void OnListClick(int item, long x, long y);
    void Confirm();

    NSndOption* m_pOption = nullptr;
    std::string m_strCaption;
    BOOL m_bAutomatic = FALSE;
};
