// CWnd: a window of the toolkit, over one Qt widget.  It receives posted
// messages and timer ticks through WindowProc, holds the child controls of a
// form or dialog by their numeric identifiers, and shows message boxes
// through the UI service.
//
// Threads: PostMessage may be called from any thread (it only queues the
// message for the user-interface thread); everything else runs on the
// user-interface thread.
#pragma once

#include "core/messages.h"
#include "core/wintypes.h"
#include "process/process.h" // SW_ show commands
#include "ui_service.h"

#include <QPointer>
#include <QWidget>

#include <map>
#include <memory>
#include <string>

// Window styles (winuser.h values).
constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
constexpr DWORD WS_GROUP = 0x00020000;
constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
constexpr DWORD WS_TABSTOP = 0x00010000;
constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr DWORD WS_SYSMENU = 0x00080000;
constexpr DWORD WS_CAPTION = 0x00C00000;
constexpr DWORD WS_OVERLAPPEDWINDOW = 0x00CF0000;
constexpr DWORD WS_DISABLED = 0x08000000;
constexpr DWORD WS_VISIBLE = 0x10000000;
constexpr DWORD WS_CLIPCHILDREN = 0x02000000;
constexpr DWORD WS_CLIPSIBLINGS = 0x04000000;
constexpr DWORD WS_CHILD = 0x40000000;
// Edit styles.
constexpr DWORD ES_CENTER = 0x0001;
constexpr DWORD ES_READONLY = 0x0800;
constexpr DWORD ES_NUMBER = 0x2000;


// Notification codes of controls, passed to OnCommand.
constexpr UINT BN_CLICKED = 0;
constexpr UINT CBN_SELCHANGE = 1;
constexpr UINT EN_CHANGE = 0x0300;

// Check states of buttons.
constexpr UINT BST_UNCHECKED = 0;
constexpr UINT BST_CHECKED = 1;

class CDataExchange;

class CWnd : public IMessageTarget {
public:
    CWnd();
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    QWidget* Widget() const { return m_widget.data(); }
    // The window as a handle for interfaces that pass windows around: the
    // CWnd itself.
    HWND GetSafeHwnd() const { return reinterpret_cast<HWND>(const_cast<CWnd*>(this)); }
    static CWnd* FromHandle(HWND hwnd) { return reinterpret_cast<CWnd*>(hwnd); }
    BOOL IsWindow() const { return m_widget != nullptr; }
    CWnd* GetParent() const { return m_pParent; }
    UINT GetDlgCtrlID() const { return m_nID; }

    // Queues the message for WindowProc on the user-interface thread.
    BOOL PostMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Calls WindowProc at once.
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    // A repeating timer that delivers WM_TIMER with the id; setting an id
    // again restarts it.
    UINT_PTR SetTimer(UINT_PTR id, UINT elapseMs);
    BOOL KillTimer(UINT_PTR id);

    void SetWindowText(const std::string& text);
    std::string GetWindowText() const;
    BOOL EnableWindow(BOOL enable = TRUE);
    BOOL IsWindowEnabled() const;
    BOOL ShowWindow(int cmd);
    BOOL IsWindowVisible() const;
    void RedrawWindow();
    // Destroys the widget; the C++ object stays.
    virtual BOOL DestroyWindow();

    // Child controls by identifier (null when there is none).
    CWnd* GetDlgItem(UINT id) const;
    void SetDlgItemText(UINT id, const std::string& text);
    std::string GetDlgItemText(UINT id) const;
    void CheckDlgButton(UINT id, UINT check);
    UINT IsDlgButtonChecked(UINT id) const;
    void CheckRadioButton(UINT first, UINT last, UINT checkId);

    // Moves values between the members and the controls through
    // DoDataExchange: TRUE saves the controls into the members.  FALSE when
    // a control's value could not be taken over (already reported).
    BOOL UpdateData(BOOL saveAndValidate = TRUE);

    // A message box owned by this window; an empty caption means the
    // application title.  No icon is added.
    int MessageBox(const std::string& text, const std::string& caption = {}, UINT type = MB_OK);

    // The widget that a child window with this identifier goes into: the
    // window's own, unless it places children elsewhere (a splitter's panes).
    virtual QWidget* ChildSurface(UINT childId) const;

    // Takes the widget (and owns it from now on) as this window.
    void Attach(QWidget* widget, CWnd* parent = nullptr, UINT id = 0);
    // Adds a child control made elsewhere; this window owns it.
    CWnd* AddControl(std::unique_ptr<CWnd> control);

    // Entry points for the toolkit's widgets; the window's behaviour lives in
    // the virtual handlers below.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // A control's notification; TRUE when handled.
    virtual BOOL OnCommand(UINT id, UINT code);

protected:
    virtual void DoDataExchange(CDataExchange* dx);
    virtual void OnTimer(UINT_PTR id);
    // WM_CLOSE: destroys the window unless a subclass decides otherwise.
    virtual void OnClose();

private:
    struct Bridge;
    QPointer<QWidget> m_widget;
    CWnd* m_pParent = nullptr;
    UINT m_nID = 0;
    std::unique_ptr<Bridge> m_bridge;
    std::map<UINT, std::unique_ptr<CWnd>> m_controls;
};
