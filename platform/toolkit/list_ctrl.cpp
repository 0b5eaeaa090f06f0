#include "list_ctrl.h"

#include <QListWidget>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionViewItem>

#include <algorithm>

namespace {

constexpr int kDataRole = Qt::UserRole;

// Items are never user-checkable in Qt's sense: the list toggles a box
// itself after the owner saw the click, so the order of the two is the
// platform's.
class ListWidget final : public QListWidget {
public:
    ListWidget(CWnd& owner, UINT id, QWidget* parent) : QListWidget(parent), m_owner(owner), m_id(id)
    {
        setSelectionMode(QAbstractItemView::SingleSelection);
        setViewMode(QListView::ListMode);
    }

    QRect CheckBoxRect(int row) const
    {
        const QListWidgetItem* it = item(row);
        if (!it)
            return {};
        QStyleOptionViewItem opt;
        initViewItemOption(&opt);
        opt.rect = visualItemRect(it);
        opt.features |= QStyleOptionViewItem::HasCheckIndicator;
        opt.checkState = it->checkState();
        return style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, this);
    }

    bool ShowsBoxes() const { return m_bBoxes; }
    void SetShowsBoxes(bool on) { m_bBoxes = on; }

protected:
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        QListWidget::mouseReleaseEvent(e);
        if (e->button() != Qt::LeftButton)
            return;
        const QPoint p = e->position().toPoint();
        auto* control = static_cast<CListCtrl*>(m_owner.GetDlgItem(m_id));
        if (!control)
            return;
        CListCtrl& list = *control;
        UINT flags = 0;
        const int row = list.HitTest({p.x(), p.y()}, &flags);
        NMITEMACTIVATE nm{{list.GetSafeHwnd(), m_id, NM_CLICK}, row, {p.x(), p.y()}};
        m_owner.SendMessage(WM_NOTIFY, m_id, reinterpret_cast<LPARAM>(&nm));
        if (row >= 0 && (flags & LVHT_ONITEMSTATEICON))
            list.SetCheck(row, !list.GetCheck(row));
    }

private:
    CWnd& m_owner;
    UINT m_id;
    bool m_bBoxes = false;
};

ListWidget* List(const CWnd* w)
{
    return w ? dynamic_cast<ListWidget*>(w->Widget()) : nullptr;
}

} // namespace

QWidget* MakeListWidget(CWnd& owner, UINT id, QWidget* surface)
{
    return new ListWidget(owner, id, surface);
}

DWORD CListCtrl::SetExtendedStyle(DWORD style)
{
    const DWORD old = m_dwExStyle;
    m_dwExStyle = style;
    if (ListWidget* l = List(this)) {
        const bool boxes = style & LVS_EX_CHECKBOXES;
        l->SetShowsBoxes(boxes);
        for (int i = 0; i < l->count(); ++i) {
            if (boxes && !l->item(i)->data(Qt::CheckStateRole).isValid())
                l->item(i)->setCheckState(Qt::Unchecked);
            else if (!boxes)
                l->item(i)->setData(Qt::CheckStateRole, QVariant());
        }
    }
    return old;
}

int CListCtrl::GetItemCount() const
{
    const ListWidget* l = List(this);
    return l ? l->count() : 0;
}

int CListCtrl::InsertItem(int index, const std::string& text)
{
    ListWidget* l = List(this);
    if (!l)
        return -1;
    index = std::clamp(index, 0, l->count());
    auto* it = new QListWidgetItem(QString::fromStdString(text));
    it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    if (l->ShowsBoxes())
        it->setCheckState(Qt::Unchecked);
    l->insertItem(index, it);
    return index;
}

BOOL CListCtrl::DeleteAllItems()
{
    ListWidget* l = List(this);
    if (!l)
        return FALSE;
    l->clear();
    return TRUE;
}

std::string CListCtrl::GetItemText(int index) const
{
    const ListWidget* l = List(this);
    const QListWidgetItem* it = l ? l->item(index) : nullptr;
    return it ? it->text().toStdString() : std::string();
}

BOOL CListCtrl::SetItemData(int index, DWORD_PTR data)
{
    ListWidget* l = List(this);
    QListWidgetItem* it = l ? l->item(index) : nullptr;
    if (!it)
        return FALSE;
    it->setData(kDataRole, QVariant::fromValue<qulonglong>(data));
    return TRUE;
}

DWORD_PTR CListCtrl::GetItemData(int index) const
{
    const ListWidget* l = List(this);
    const QListWidgetItem* it = l ? l->item(index) : nullptr;
    return it ? static_cast<DWORD_PTR>(it->data(kDataRole).toULongLong()) : 0;
}

BOOL CListCtrl::GetCheck(int index) const
{
    const ListWidget* l = List(this);
    const QListWidgetItem* it = l ? l->item(index) : nullptr;
    return it && l->ShowsBoxes() && it->checkState() == Qt::Checked;
}

BOOL CListCtrl::SetCheck(int index, BOOL check)
{
    ListWidget* l = List(this);
    QListWidgetItem* it = l ? l->item(index) : nullptr;
    if (!it || !l->ShowsBoxes())
        return FALSE;
    it->setCheckState(check ? Qt::Checked : Qt::Unchecked);
    return TRUE;
}

BOOL CListCtrl::SelectItem(int index)
{
    ListWidget* l = List(this);
    if (!l)
        return FALSE;
    if (index < 0 || index >= l->count()) {
        l->clearSelection();
        return index < 0;
    }
    l->setCurrentRow(index);
    return TRUE;
}

int CListCtrl::GetSelectedItem() const
{
    const ListWidget* l = List(this);
    if (!l)
        return -1;
    const QList<QListWidgetItem*> sel = l->selectedItems();
    return sel.isEmpty() ? -1 : l->row(sel.first());
}

int CListCtrl::HitTest(POINT pt, UINT* flags) const
{
    const ListWidget* l = List(this);
    const QPoint p(pt.x, pt.y);
    QListWidgetItem* it = l ? l->itemAt(p) : nullptr;
    if (!it) {
        if (flags)
            *flags = LVHT_NOWHERE;
        return -1;
    }
    const int row = l->row(it);
    if (flags)
        *flags = l->ShowsBoxes() && l->CheckBoxRect(row).contains(p) ? LVHT_ONITEMSTATEICON : LVHT_ONITEMLABEL;
    return row;
}

QRect CListCtrl::GetCheckBoxRect(int index) const
{
    const ListWidget* l = List(this);
    return l && l->ShowsBoxes() ? l->CheckBoxRect(index) : QRect();
}

QRect CListCtrl::GetItemRect(int index) const
{
    const ListWidget* l = List(this);
    const QListWidgetItem* it = l ? l->item(index) : nullptr;
    return it ? l->visualItemRect(it) : QRect();
}
