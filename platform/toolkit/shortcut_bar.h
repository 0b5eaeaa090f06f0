// The shortcut bar: a column of large items with icon and caption, one of
// them selected.  Selecting an item, by the user or by SelectItem, first asks
// the owner with WM_SHORTCUTBAR_NOTIFY (code SBN_SELECTION_CHANGING, the
// item as lParam); the selection changes only when the owner returns TRUE.
// A right click sends SBN_RCLICK.
#pragma once

#include "wnd.h"

#include <QIcon>

#include <map>
#include <memory>
#include <vector>

class CProfile;
class QSpacerItem;
class QToolButton;

constexpr UINT WM_SHORTCUTBAR_NOTIFY = WM_APP + 0x100;
constexpr WPARAM SBN_SELECTION_CHANGING = 1;
constexpr WPARAM SBN_RCLICK = 2;

class CShortcutBarItem {
public:
    CShortcutBarItem(UINT id, QToolButton* button) : m_nID(id), m_pButton(button) {}
    UINT GetID() const { return m_nID; }
    std::string GetCaption() const;
    QToolButton* Button() const { return m_pButton; }

private:
    UINT m_nID;
    QToolButton* m_pButton;
};

class CShortcutBar : public CWnd {
public:
    // The bar as a child of parent; notifications go to owner.
    BOOL Create(CWnd* parent, UINT id, CWnd* owner);
    // Icons of the items by command id from a picture strip of size x size
    // images in the order of ids; mask is the transparent colour.  Calls for
    // several sizes add up; the items show the largest.
    void SetIcons(UINT bitmapId, const std::vector<UINT>& ids, int size, const QColor& mask);
    // An item with the caption of string id and its icon, if set.
    CShortcutBarItem* AddItem(UINT id);
    CShortcutBarItem* FindItem(UINT id) const;
    CShortcutBarItem* GetSelectedItem() const { return m_pSelected; }
    // Asks the owner, then selects; FALSE when the owner refused.
    BOOL SelectItem(CShortcutBarItem* item);
    // The saved state: how many items are shown ("ExpandedLinesCount").
    void LoadState(CProfile& profile, const std::string& section);
    void ShowClientPane(BOOL show);

private:
    void ShowSelection();

    CWnd* m_pOwner = nullptr;
    std::vector<std::unique_ptr<CShortcutBarItem>> m_items;
    std::map<UINT, QIcon> m_icons;
    CShortcutBarItem* m_pSelected = nullptr;
    QWidget* m_pClientPane = nullptr;
    QSpacerItem* m_pTail = nullptr;
};
