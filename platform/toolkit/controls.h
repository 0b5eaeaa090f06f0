// The controls of forms and dialogs, made from a dialog template and reached
// by their identifiers (GetDlgItem), and the data exchange between controls
// and a window's members (UpdateData / DoDataExchange).
#pragma once

#include "resources.h"
#include "wnd.h"

class QButtonGroup;

class CStatic : public CWnd {};
class CEdit : public CWnd {};

class CButton : public CWnd {
public:
    void SetCheck(UINT check) { GetParent()->CheckDlgButton(GetDlgCtrlID(), check); }
    UINT GetCheck() const { return GetParent()->IsDlgButtonChecked(GetDlgCtrlID()); }
    void SetImage(const QPixmap& image);
    // The radio group this button belongs to (radios only).
    QButtonGroup* m_pGroup = nullptr;
};

// A drop-down list.  Selection indices are 0-based, -1 for none.
class CComboBox : public CWnd {
public:
    int AddString(const std::string& text);
    void ResetContent();
    int GetCount() const;
    int GetCurSel() const;
    int SetCurSel(int index); // -1 (CB_ERR) for an index out of the list
    std::string GetLBText(int index) const;
};

class CProgressCtrl : public CWnd {
public:
    void SetRange(int lower, int upper);
    int SetPos(int pos); // the previous position
    int GetPos() const;
};

// Up and down arrows that step the number in their buddy edit.
class CSpinButtonCtrl : public CWnd {
public:
    void SetRange(int lower, int upper);
    CWnd* m_pBuddy = nullptr;
    int m_nLower = 0;
    int m_nUpper = 100;
};

constexpr int CB_ERR = -1;

// Builds the controls of a template on the window's widget; notifications go
// to owner.OnCommand(id, code).
void CreateControls(CWnd& owner, const DialogTemplate& templ);

// One UpdateData pass: loading (members -> controls) or saving.
class CDataExchange {
public:
    CDataExchange(CWnd* window, BOOL saveAndValidate) : m_pDlgWnd(window), m_bSaveAndValidate(saveAndValidate) {}
    // Marks the pass failed; UpdateData then returns FALSE.
    void Fail() { m_bFailed = true; }

    CWnd* m_pDlgWnd;
    BOOL m_bSaveAndValidate;
    bool m_bFailed = false;
};

void DDX_Text(CDataExchange* dx, UINT id, std::string& value);
// Numbers: an edit that does not hold one shows "整数を入力してください。"
// and fails the pass.
void DDX_Text(CDataExchange* dx, UINT id, int& value);
void DDX_Text(CDataExchange* dx, UINT id, UINT& value);
void DDX_CBIndex(CDataExchange* dx, UINT id, int& index);
void DDX_Check(CDataExchange* dx, UINT id, BOOL& value);
// The radio group that starts at firstId: the index of the checked radio,
// -1 for none.
void DDX_Radio(CDataExchange* dx, UINT firstId, int& index);
