#include "shortcut_bar.h"

#include "registry/registry.h"
#include "resources.h"

#include <QMouseEvent>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// An item that reports right clicks instead of acting on them.
class ItemButton final : public QToolButton {
public:
    ItemButton(QWidget* parent, std::function<void()> onRightClick) : QToolButton(parent), m_rightClick(std::move(onRightClick)) {}

protected:
    void mousePressEvent(QMouseEvent* e) override
    {
        if (e->button() == Qt::RightButton) {
            m_rightClick();
            return;
        }
        QToolButton::mousePressEvent(e);
    }

private:
    std::function<void()> m_rightClick;
};

} // namespace

std::string CShortcutBarItem::GetCaption() const
{
    return m_pButton->text().toStdString();
}

BOOL CShortcutBar::Create(CWnd* parent, UINT id, CWnd* owner)
{
    auto* w = new QWidget(parent ? parent->ChildSurface(id) : nullptr);
    w->setAutoFillBackground(true);
    auto* layout = new QVBoxLayout(w);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(2);
    m_pClientPane = new QWidget(w);
    layout->addWidget(m_pClientPane, 1);
    // Items go between the client pane and this spacer, which takes the
    // free room once the pane is hidden so the items stand at the top.
    m_pTail = new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Fixed);
    layout->addSpacerItem(m_pTail);
    Attach(w, parent, id);
    m_pOwner = owner;
    return TRUE;
}

void CShortcutBar::SetIcons(UINT bitmapId, const std::vector<UINT>& ids, int size, const QColor& mask)
{
    const QPixmap strip = LoadPicture(bitmapId);
    if (strip.isNull())
        return;
    // Each size adds to the icon, so a bar keeps a small and a large picture.
    for (std::size_t i = 0; i < ids.size(); ++i)
        m_icons[ids[i]].addPixmap(StripImage(strip, static_cast<int>(i), QSize(size, size), mask));
    for (const auto& item : m_items)
        if (auto it = m_icons.find(item->GetID()); it != m_icons.end()) {
            item->Button()->setIcon(it->second);
            item->Button()->setIconSize(QSize(size, size).expandedTo(item->Button()->iconSize()));
        }
}

CShortcutBarItem* CShortcutBar::AddItem(UINT id)
{
    auto* b = new ItemButton(Widget(), [this, id] {
        if (m_pOwner)
            m_pOwner->SendMessage(WM_SHORTCUTBAR_NOTIFY, SBN_RCLICK, reinterpret_cast<LPARAM>(FindItem(id)));
    });
    b->setText(QString::fromStdString(LoadString(id)));
    b->setCheckable(true);
    b->setAutoRaise(true);
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    b->setMinimumHeight(32);
    if (auto it = m_icons.find(id); it != m_icons.end()) {
        b->setIcon(it->second);
        b->setIconSize(it->second.availableSizes().value(it->second.availableSizes().size() - 1));
    }
    auto* layout = static_cast<QVBoxLayout*>(Widget()->layout());
    layout->insertWidget(layout->count() - 1, b);
    m_items.push_back(std::make_unique<CShortcutBarItem>(id, b));
    CShortcutBarItem* item = m_items.back().get();
    QObject::connect(b, &QToolButton::clicked, b, [this, item] {
        SelectItem(item);
        ShowSelection(); // a refused click must not leave the button pressed
    });
    return item;
}

CShortcutBarItem* CShortcutBar::FindItem(UINT id) const
{
    for (const auto& item : m_items)
        if (item->GetID() == id)
            return item.get();
    return nullptr;
}

BOOL CShortcutBar::SelectItem(CShortcutBarItem* item)
{
    if (!item)
        return FALSE;
    if (m_pOwner
        && !m_pOwner->SendMessage(WM_SHORTCUTBAR_NOTIFY, SBN_SELECTION_CHANGING, reinterpret_cast<LPARAM>(item)))
        return FALSE;
    m_pSelected = item;
    ShowSelection();
    return TRUE;
}

void CShortcutBar::ShowSelection()
{
    for (const auto& i : m_items)
        i->Button()->setChecked(i.get() == m_pSelected);
}

void CShortcutBar::LoadState(CProfile& profile, const std::string& section)
{
    const int shown = profile.GetProfileInt(section, "ExpandedLinesCount", static_cast<int>(m_items.size()));
    for (std::size_t i = 0; i < m_items.size(); ++i)
        m_items[i]->Button()->setVisible(shown < 0 || static_cast<int>(i) < shown);
}

void CShortcutBar::ShowClientPane(BOOL show)
{
    m_pClientPane->setVisible(show);
    m_pTail->changeSize(0, 0, QSizePolicy::Minimum, show ? QSizePolicy::Fixed : QSizePolicy::Expanding);
    Widget()->layout()->invalidate();
}
