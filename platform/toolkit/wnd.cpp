#include "wnd.h"

#include "app.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTimerEvent>

namespace {

const QEvent::Type kMessageEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

struct MessageEvent : QEvent {
    MessageEvent(UINT m, WPARAM w, LPARAM l) : QEvent(kMessageEvent), message(m), wParam(w), lParam(l) {}
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

} // namespace

// Receives the posted messages and timer ticks of one window.  It lives
// apart from the widget, so messages still reach a window whose widget was
// replaced, and it dies with the CWnd, which drops what is still queued.
struct CWnd::Bridge : QObject {
    explicit Bridge(CWnd& owner) : wnd(owner) {}

    bool event(QEvent* e) override
    {
        if (e->type() == kMessageEvent) {
            auto* m = static_cast<MessageEvent*>(e);
            wnd.WindowProc(m->message, m->wParam, m->lParam);
            return true;
        }
        return QObject::event(e);
    }

    void timerEvent(QTimerEvent* e) override
    {
        for (const auto& [id, qtId] : timers) {
            if (qtId == e->timerId()) {
                wnd.WindowProc(WM_TIMER, id, 0);
                return;
            }
        }
    }

    CWnd& wnd;
    std::map<UINT_PTR, int> timers;
};

CWnd::CWnd() : m_bridge(std::make_unique<Bridge>(*this)) {}

CWnd::~CWnd()
{
    m_controls.clear();
    delete m_widget.data();
}

void CWnd::Attach(QWidget* widget, CWnd* parent, UINT id)
{
    m_widget = widget;
    m_pParent = parent;
    m_nID = id;
}

QWidget* CWnd::ChildSurface(UINT) const
{
    return Widget();
}

CWnd* CWnd::AddControl(std::unique_ptr<CWnd> control)
{
    CWnd* raw = control.get();
    m_controls[control->GetDlgCtrlID()] = std::move(control);
    return raw;
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    QCoreApplication::postEvent(m_bridge.get(), new MessageEvent(message, wParam, lParam));
    return TRUE;
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    return WindowProc(message, wParam, lParam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_TIMER: OnTimer(wParam); break;
    case WM_CLOSE: OnClose(); break;
    default: break;
    }
    return 0;
}

BOOL CWnd::OnCommand(UINT, UINT)
{
    return FALSE;
}

void CWnd::OnTimer(UINT_PTR) {}

void CWnd::OnClose()
{
    DestroyWindow();
}

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapseMs)
{
    KillTimer(id);
    const int qtId = m_bridge->startTimer(static_cast<int>(elapseMs));
    if (qtId == 0)
        return 0;
    m_bridge->timers[id] = qtId;
    return id;
}

BOOL CWnd::KillTimer(UINT_PTR id)
{
    const auto it = m_bridge->timers.find(id);
    if (it == m_bridge->timers.end())
        return FALSE;
    m_bridge->killTimer(it->second);
    m_bridge->timers.erase(it);
    return TRUE;
}

void CWnd::SetWindowText(const std::string& text)
{
    QWidget* w = Widget();
    if (!w)
        return;
    const QString t = QString::fromStdString(text);
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        b->setText(t);
    else if (auto* e = qobject_cast<QLineEdit*>(w))
        e->setText(t);
    else if (auto* l = qobject_cast<QLabel*>(w))
        l->setText(t);
    else if (auto* g = qobject_cast<QGroupBox*>(w))
        g->setTitle(t);
    else
        w->setWindowTitle(t);
}

std::string CWnd::GetWindowText() const
{
    QWidget* w = Widget();
    if (!w)
        return {};
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text().toStdString();
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text().toStdString();
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text().toStdString();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->title().toStdString();
    return w->windowTitle().toStdString();
}

BOOL CWnd::EnableWindow(BOOL enable)
{
    QWidget* w = Widget();
    if (!w)
        return FALSE;
    const BOOL wasDisabled = !w->isEnabled();
    w->setEnabled(enable != FALSE);
    return wasDisabled;
}

BOOL CWnd::IsWindowEnabled() const
{
    return Widget() && Widget()->isEnabled();
}

BOOL CWnd::ShowWindow(int cmd)
{
    QWidget* w = Widget();
    if (!w)
        return FALSE;
    const BOOL wasVisible = w->isVisible();
    w->setVisible(cmd != SW_HIDE);
    return wasVisible;
}

BOOL CWnd::IsWindowVisible() const
{
    return Widget() && Widget()->isVisible();
}

void CWnd::RedrawWindow()
{
    if (QWidget* w = Widget())
        w->repaint();
}

BOOL CWnd::DestroyWindow()
{
    if (!m_widget)
        return FALSE;
    for (const auto& [id, qtId] : m_bridge->timers)
        m_bridge->killTimer(qtId);
    m_bridge->timers.clear();
    m_controls.clear();
    m_widget->hide();
    m_widget->deleteLater();
    m_widget = nullptr;
    return TRUE;
}

CWnd* CWnd::GetDlgItem(UINT id) const
{
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second.get();
}

void CWnd::SetDlgItemText(UINT id, const std::string& text)
{
    if (CWnd* c = GetDlgItem(id))
        c->SetWindowText(text);
}

std::string CWnd::GetDlgItemText(UINT id) const
{
    const CWnd* c = GetDlgItem(id);
    return c ? c->GetWindowText() : std::string();
}

void CWnd::CheckDlgButton(UINT id, UINT check)
{
    if (CWnd* c = GetDlgItem(id))
        if (auto* b = qobject_cast<QAbstractButton*>(c->Widget()))
            b->setChecked(check == BST_CHECKED);
}

UINT CWnd::IsDlgButtonChecked(UINT id) const
{
    const CWnd* c = GetDlgItem(id);
    const auto* b = c ? qobject_cast<QAbstractButton*>(c->Widget()) : nullptr;
    return b && b->isChecked() ? BST_CHECKED : BST_UNCHECKED;
}

void CWnd::CheckRadioButton(UINT first, UINT last, UINT checkId)
{
    for (UINT id = first; id <= last; ++id)
        CheckDlgButton(id, id == checkId ? BST_CHECKED : BST_UNCHECKED);
}

int CWnd::MessageBox(const std::string& text, const std::string& caption, UINT type)
{
    MessageBoxRequest r;
    r.owner = this;
    r.text = text;
    r.caption = caption.empty() ? AfxGetAppTitle() : caption;
    r.type = type;
    return UiService().MessageBox(r);
}
