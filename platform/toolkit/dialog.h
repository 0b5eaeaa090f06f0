// Modal dialogs made from templates, the file dialog and the tip-of-the-day
// dialog.  Every modal run goes through the UI service (ui_service.h), so a
// test answers a dialog by acting on its controls while it runs.
#pragma once

#include "controls.h"

#include <memory>

class QDialog;

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);
    // A dialog whose template is built in code.
    CDialog(DialogTemplate templ, CWnd* parent);
    ~CDialog() override;

    // Creates the window, runs OnInitDialog, lets the UI service run it and
    // destroys the window again; the result given to EndDialog.  -1 when
    // the template is missing.
    virtual int DoModal();
    void EndDialog(int result);
    UINT GetTemplateId() const { return m_nTemplateId; }
    BOOL IsRunning() const { return m_bRunning; }
    // Whether EndDialog was called in this run, and with what.
    bool IsEnded() const { return m_bEnded; }
    int GetModalResult() const { return m_nResult; }

    // The Qt service's modal loop: runs until EndDialog.
    int ExecModalLoop();

    // Reached by the Enter and Escape keys, the close box and the buttons
    // IDOK and IDCANCEL.
    virtual void OnOK();
    virtual void OnCancel();
    BOOL OnCommand(UINT id, UINT code) override;

protected:
    // Default: loads the members into the controls.
    virtual BOOL OnInitDialog();
    void OnClose() override;

private:
    UINT m_nTemplateId = 0;
    DialogTemplate m_template;
    CWnd* m_pParentWnd;
    QDialog* m_pDialog = nullptr;
    int m_nResult = IDCANCEL;
    bool m_bEnded = false;
    BOOL m_bRunning = FALSE;
};

// Open and save dialogs.
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;

class CFileDialog {
public:
    CFileDialog(BOOL openFileDialog, const std::string& defaultExt = {}, const std::string& fileName = {},
        DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const std::string& filter = {}, CWnd* parent = nullptr);

    int DoModal(); // IDOK or IDCANCEL
    std::string GetPathName() const { return m_strPath; }

    std::string m_strInitialDir; // folder the dialog starts in when the file name has none

private:
    FileDialogRequest m_request;
    std::string m_strPath;
};

// The tip-of-the-day dialog: one tip per line of a text file, shown one at a
// time with a button for the next.
class CTipDlg : public CDialog {
public:
    static constexpr UINT IDC_TIP_TEXT = 1000;
    static constexpr UINT IDC_NEXT_TIP = 1001;

    CTipDlg(const std::string& tipsPath, CWnd* parent = nullptr);

    const std::vector<std::string>& Tips() const { return m_tips; }
    BOOL OnCommand(UINT id, UINT code) override;

protected:
    BOOL OnInitDialog() override;

private:
    std::string m_strPath;
    std::vector<std::string> m_tips;
    std::size_t m_nNext = 0;
};
