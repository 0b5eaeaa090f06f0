// The frame window: a top-level window with menu bar, toolbar and status
// bar built from the program's resources, commands by numeric identifier
// with update handlers that enable and check them, and the views it owns.
//
// Commands run as MFC routes them: a command is refused while its update
// handler disables it (so a shortcut of a disabled command does nothing),
// then offered to the active view, the frame and the application in turn.
// Menu and toolbar states are refreshed on every idle pass.
#pragma once

#include "doc_view.h"

#include <QAction>

#include <map>
#include <memory>

class QMainWindow;

constexpr UINT ID_APP_EXIT = 57665;
constexpr UINT ID_APP_ABOUT = 57664;
constexpr UINT ID_VIEW_STATUS_BAR = 59393;
constexpr UINT AFX_IDS_APP_TITLE = 57344;
constexpr UINT AFX_IDS_IDLEMESSAGE = 57345;
constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000);

// Toolbar button styles.
constexpr int BUTTON_ICON = 1;
constexpr int BUTTON_CAPTION = 2;
constexpr int BUTTON_ICON_AND_CAPTION = 3;

struct CREATESTRUCT {
    DWORD style = WS_OVERLAPPEDWINDOW;
    std::string lpszClass;
    int x = CW_USEDEFAULT;
    int y = CW_USEDEFAULT;
};

// The state an update handler gives one command.
class CCmdUI {
public:
    explicit CCmdUI(UINT id) : m_nID(id) {}
    void Enable(BOOL on = TRUE) { m_bEnabled = on; }
    void SetCheck(int check = 1) { m_nCheck = check; }

    UINT m_nID;
    BOOL m_bEnabled = TRUE;
    int m_nCheck = 0;
};

class CFrameWnd : public CWnd {
public:
    CFrameWnd();
    ~CFrameWnd() override;

    // Makes the window: PreCreateWindow, OnCreate, OnCreateClient.  The menu
    // and accelerators of resourceId are the frame's commands.  FALSE when a
    // step fails.
    BOOL LoadFrame(UINT resourceId, CCreateContext* context);
    const std::string& GetClassName() const { return m_strClassName; }
    DWORD GetStyle() const { return m_dwStyle; }

    CView* GetActiveView() const { return m_pActiveView; }
    void SetActiveView(CView* view) { m_pActiveView = view; }
    CDocument* GetActiveDocument() const;
    // The frame owns its views.
    CView* AdoptView(std::unique_ptr<CView> view);
    void RecalcLayout();
    void SetClientWindow(CWnd* client);
    void SetTitle(const std::string& title);
    std::string GetTitle() const;

    // Command bars.  Each returns the bar's window, null on failure.
    CWnd* CreateMenuBar(UINT menuId, const std::string& name);
    CWnd* CreateToolBar(UINT toolbarId);
    CWnd* CreateStatusBar(UINT id);
    void SetButtonStyle(UINT commandId, int style);

    // Commands.
    void ExecuteCommand(UINT id);
    CCmdUI QueryCommand(UINT id);
    void UpdateCommandUI();
    QAction* CommandAction(UINT id) const;

    BOOL OnCommand(UINT id, UINT code) override;
    virtual void OnUpdateCommandUI(CCmdUI* cmdUI);
    BOOL DestroyWindow() override;

protected:
    virtual BOOL PreCreateWindow(CREATESTRUCT& cs);
    virtual int OnCreate(const CREATESTRUCT& cs);
    virtual BOOL OnCreateClient(const CREATESTRUCT& cs, CCreateContext* context);
    // Default close: closes the document, which destroys this frame.
    void OnClose() override;

private:
    QAction* Action(UINT id);
    QMainWindow* Main() const;

    UINT m_nResourceId = 0;
    std::string m_strClassName;
    DWORD m_dwStyle = 0;
    CView* m_pActiveView = nullptr;
    std::vector<std::unique_ptr<CView>> m_views;
    std::map<UINT, QAction*> m_actions;
    std::vector<std::unique_ptr<CWnd>> m_bars;
    CWnd* m_pStatusBar = nullptr;
};
