#include "frame.h"

#include "app.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace {

const QColor kMask(255, 0, 255); // magenta marks transparent pixels of our strips

class FrameWidget final : public QMainWindow {
public:
    explicit FrameWidget(CFrameWnd& owner) : m_owner(owner) {}

protected:
    // The frame decides about closing (it may refuse).
    void closeEvent(QCloseEvent* e) override
    {
        e->ignore();
        m_owner.SendMessage(WM_CLOSE);
    }

private:
    CFrameWnd& m_owner;
};

Qt::WindowFlags FlagsForStyle(DWORD style)
{
    Qt::WindowFlags f = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
        | Qt::WindowCloseButtonHint;
    if (style & WS_MINIMIZEBOX)
        f |= Qt::WindowMinimizeButtonHint;
    if (style & WS_MAXIMIZEBOX)
        f |= Qt::WindowMaximizeButtonHint;
    return f;
}

void FillMenu(QMenu* menu, const std::vector<MenuTemplateItem>& items, CFrameWnd& frame,
    const std::function<QAction*(UINT)>& action)
{
    for (const MenuTemplateItem& item : items) {
        if (!item.items.empty()) {
            QMenu* sub = menu->addMenu(QString::fromStdString(item.text));
            FillMenu(sub, item.items, frame, action);
        } else if (item.id == 0) {
            menu->addSeparator();
        } else {
            QAction* a = action(item.id);
            a->setText(QString::fromStdString(item.text));
            menu->addAction(a);
        }
    }
    // Menus show the states of the moment, as WM_INITMENUPOPUP refreshes them.
    QObject::connect(menu, &QMenu::aboutToShow, menu, [&frame] { frame.UpdateCommandUI(); });
}

} // namespace

CFrameWnd::CFrameWnd() = default;

CFrameWnd::~CFrameWnd()
{
    // Views before the bars and the widget that hold their windows.
    m_pActiveView = nullptr;
    m_views.clear();
}

QMainWindow* CFrameWnd::Main() const
{
    return static_cast<QMainWindow*>(Widget());
}

BOOL CFrameWnd::LoadFrame(UINT resourceId, CCreateContext* context)
{
    m_nResourceId = resourceId;
    CREATESTRUCT cs;
    if (!PreCreateWindow(cs))
        return FALSE;
    m_strClassName = cs.lpszClass;
    m_dwStyle = cs.style;
    auto* w = new FrameWidget(*this);
    w->setWindowFlags(FlagsForStyle(cs.style));
    w->setObjectName(QString::fromStdString(m_strClassName));
    if (const QPixmap icon = LoadPicture(resourceId); !icon.isNull())
        w->setWindowIcon(QIcon(icon));
    if (cs.x != CW_USEDEFAULT)
        w->move(cs.x, cs.y);
    Attach(w);
    if (CWinApp* app = AfxGetApp(); app && !app->m_pMainWnd)
        app->m_pMainWnd = this;
    const auto acc = AfxResources().accelerators.find(resourceId);
    if (acc != AfxResources().accelerators.end())
        for (const AcceleratorEntry& e : acc->second)
            Action(e.id)->setShortcut(QKeySequence(QString::fromLatin1(e.keys)));
    if (OnCreate(cs) == -1 || !OnCreateClient(cs, context))
        return FALSE;
    if (!(cs.style & WS_THICKFRAME))
        w->layout()->setSizeConstraint(QLayout::SetFixedSize);
    RecalcLayout();
    UpdateCommandUI();
    return TRUE;
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCT&)
{
    return TRUE;
}

int CFrameWnd::OnCreate(const CREATESTRUCT&)
{
    return 0;
}

BOOL CFrameWnd::OnCreateClient(const CREATESTRUCT&, CCreateContext* context)
{
    if (!context || !context->m_newView)
        return TRUE;
    CView* view = AdoptView(context->m_newView());
    if (!view || !view->Create(this, AFX_IDW_PANE_FIRST, context->m_pCurrentDoc))
        return FALSE;
    SetClientWindow(view);
    SetActiveView(view);
    return TRUE;
}

CDocument* CFrameWnd::GetActiveDocument() const
{
    return m_pActiveView ? m_pActiveView->GetDocument() : nullptr;
}

CView* CFrameWnd::AdoptView(std::unique_ptr<CView> view)
{
    if (!view)
        return nullptr;
    m_views.push_back(std::move(view));
    return m_views.back().get();
}

void CFrameWnd::SetClientWindow(CWnd* client)
{
    if (Main() && client && client->Widget())
        Main()->setCentralWidget(client->Widget());
}

void CFrameWnd::RecalcLayout()
{
    if (QMainWindow* w = Main()) {
        w->layout()->activate();
        if (!(m_dwStyle & WS_THICKFRAME))
            w->adjustSize();
    }
}

void CFrameWnd::SetTitle(const std::string& title)
{
    if (QWidget* w = Widget(); w && w->windowTitle() != QString::fromStdString(title))
        w->setWindowTitle(QString::fromStdString(title));
}

std::string CFrameWnd::GetTitle() const
{
    return Widget() ? Widget()->windowTitle().toStdString() : std::string();
}

QAction* CFrameWnd::Action(UINT id)
{
    if (auto it = m_actions.find(id); it != m_actions.end())
        return it->second;
    auto* a = new QAction(QString::fromStdString(CommandTip(id)), Widget());
    a->setData(id);
    a->setStatusTip(QString::fromStdString(CommandPrompt(id)));
    a->setToolTip(QString::fromStdString(CommandTip(id)));
    a->setShortcutContext(Qt::WindowShortcut);
    QObject::connect(a, &QAction::triggered, a, [this, id] { ExecuteCommand(id); });
    Widget()->addAction(a);
    m_actions[id] = a;
    return a;
}

QAction* CFrameWnd::CommandAction(UINT id) const
{
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

CWnd* CFrameWnd::CreateMenuBar(UINT menuId, const std::string& name)
{
    const auto it = AfxResources().menus.find(menuId);
    if (it == AfxResources().menus.end() || !Main())
        return nullptr;
    auto* bar = new QMenuBar(Main());
    bar->setObjectName(QString::fromStdString(name));
    bar->setAccessibleName(QString::fromStdString(name));
    for (const MenuTemplateItem& popup : it->second.items) {
        QMenu* menu = bar->addMenu(QString::fromStdString(popup.text));
        FillMenu(menu, popup.items, *this, [this](UINT id) { return Action(id); });
    }
    Main()->setMenuBar(bar);
    auto wnd = std::make_unique<CWnd>();
    wnd->Attach(bar, this, menuId);
    m_bars.push_back(std::move(wnd));
    return m_bars.back().get();
}

CWnd* CFrameWnd::CreateToolBar(UINT toolbarId)
{
    const auto it = AfxResources().toolbars.find(toolbarId);
    if (it == AfxResources().toolbars.end() || !Main())
        return nullptr;
    const ToolBarTemplate& t = it->second;
    auto* bar = new QToolBar(Main());
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(t.width, t.height));
    const QPixmap strip = LoadPicture(t.bitmapId);
    int image = 0;
    for (UINT id : t.buttons) {
        if (id == 0) {
            bar->addSeparator();
            continue;
        }
        QAction* a = Action(id);
        if (a->icon().isNull())
            a->setIcon(QIcon(StripImage(strip, image, QSize(t.width, t.height), kMask)));
        ++image;
        bar->addAction(a);
    }
    Main()->addToolBar(Qt::TopToolBarArea, bar);
    auto wnd = std::make_unique<CWnd>();
    wnd->Attach(bar, this, toolbarId);
    m_bars.push_back(std::move(wnd));
    return m_bars.back().get();
}

void CFrameWnd::SetButtonStyle(UINT commandId, int style)
{
    QAction* a = CommandAction(commandId);
    if (!a)
        return;
    for (QObject* o : a->associatedObjects())
        if (auto* b = qobject_cast<QToolButton*>(o))
            b->setToolButtonStyle(style == BUTTON_ICON_AND_CAPTION ? Qt::ToolButtonTextBesideIcon
                    : style == BUTTON_CAPTION                      ? Qt::ToolButtonTextOnly
                                                                   : Qt::ToolButtonIconOnly);
}

CWnd* CFrameWnd::CreateStatusBar(UINT id)
{
    if (!Main())
        return nullptr;
    auto* bar = new QStatusBar(Main());
    // The idle text sits under the temporary command prompts.
    bar->addWidget(new QLabel(QString::fromStdString(LoadString(AFX_IDS_IDLEMESSAGE)), bar), 1);
    Main()->setStatusBar(bar);
    auto wnd = std::make_unique<CWnd>();
    wnd->Attach(bar, this, id);
    m_bars.push_back(std::move(wnd));
    m_pStatusBar = m_bars.back().get();
    return m_pStatusBar;
}

CCmdUI CFrameWnd::QueryCommand(UINT id)
{
    CCmdUI ui(id);
    OnUpdateCommandUI(&ui);
    return ui;
}

void CFrameWnd::UpdateCommandUI()
{
    for (const auto& [id, a] : m_actions) {
        const CCmdUI ui = QueryCommand(id);
        a->setEnabled(ui.m_bEnabled);
        a->setCheckable(ui.m_nCheck != 0);
        a->setChecked(ui.m_nCheck != 0);
    }
}

void CFrameWnd::ExecuteCommand(UINT id)
{
    if (!QueryCommand(id).m_bEnabled)
        return;
    if (m_pActiveView && m_pActiveView->OnCommand(id, 0))
        return;
    if (OnCommand(id, 0))
        return;
    if (CWinApp* app = AfxGetApp())
        app->OnCommand(id);
}

BOOL CFrameWnd::OnCommand(UINT id, UINT)
{
    switch (id) {
    case ID_VIEW_STATUS_BAR:
        if (m_pStatusBar)
            m_pStatusBar->ShowWindow(m_pStatusBar->Widget()->isHidden() ? SW_SHOW : SW_HIDE);
        return TRUE;
    case ID_APP_EXIT: PostMessage(WM_CLOSE, 0, 0); return TRUE;
    default: return FALSE;
    }
}

void CFrameWnd::OnUpdateCommandUI(CCmdUI* cmdUI)
{
    if (cmdUI->m_nID == ID_VIEW_STATUS_BAR) {
        cmdUI->Enable(m_pStatusBar != nullptr);
        cmdUI->SetCheck(m_pStatusBar && !m_pStatusBar->Widget()->isHidden());
    }
}

void CFrameWnd::OnClose()
{
    CWinApp* app = AfxGetApp();
    if (app && app->m_pMainWnd == this && GetActiveDocument())
        app->CloseAllDocuments();
    else
        DestroyWindow();
}

BOOL CFrameWnd::DestroyWindow()
{
    const BOOL destroyed = CWnd::DestroyWindow();
    m_actions.clear();
    CWinApp* app = AfxGetApp();
    if (destroyed && app && app->m_pMainWnd == this) {
        app->m_pMainWnd = nullptr;
        QCoreApplication::quit();
    }
    return destroyed;
}
