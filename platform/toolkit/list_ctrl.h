// A list of items with optional check boxes (a list view in list style with
// single selection), and its notifications.  A click on an item reaches the
// owner as WM_NOTIFY with NM_CLICK; a click on an item's check box then
// toggles that box, as the platform's list does after the owner saw the
// click.  The owner alone decides the boxes otherwise.
#pragma once

#include "wnd.h"

#include <QRect>

class QWidget;

constexpr UINT WM_NOTIFY = 0x004E;
// Notification codes (commctrl.h values).
constexpr UINT NM_CLICK = static_cast<UINT>(-2);
constexpr UINT LVN_ITEMCHANGING = static_cast<UINT>(-100);

// Extended list styles.
constexpr DWORD LVS_EX_CHECKBOXES = 0x00000004;

// Hit-test results: where on an item a point lies.
constexpr UINT LVHT_NOWHERE = 0x0001;
constexpr UINT LVHT_ONITEMICON = 0x0002;
constexpr UINT LVHT_ONITEMLABEL = 0x0004;
constexpr UINT LVHT_ONITEMSTATEICON = 0x0008; // the check box

struct POINT {
    LONG x;
    LONG y;
};

struct NMHDR {
    HWND hwndFrom;
    UINT_PTR idFrom;
    UINT code;
};

// NM_CLICK: the item under the click (-1 for none) and the point in the
// list's client coordinates.  Sent as WM_NOTIFY(id, &record).
struct NMITEMACTIVATE {
    NMHDR hdr;
    int iItem;
    POINT ptAction;
};

class CListCtrl : public CWnd {
public:
    DWORD SetExtendedStyle(DWORD style); // the previous style
    DWORD GetExtendedStyle() const { return m_dwExStyle; }

    int GetItemCount() const;
    // Inserts at index (clamped to the end); the new item's index or -1.
    int InsertItem(int index, const std::string& text);
    BOOL DeleteAllItems();
    std::string GetItemText(int index) const;
    BOOL SetItemData(int index, DWORD_PTR data);
    DWORD_PTR GetItemData(int index) const;
    // Check boxes (with LVS_EX_CHECKBOXES).
    BOOL GetCheck(int index) const;
    BOOL SetCheck(int index, BOOL check = TRUE);
    // Selects index alone (-1: clears the selection).
    BOOL SelectItem(int index);
    // The selected item or -1.
    int GetSelectedItem() const;

    // The item at point (client coordinates) and where on it, or -1.
    int HitTest(POINT pt, UINT* flags = nullptr) const;
    // Where an item's check box is drawn, in client coordinates.
    QRect GetCheckBoxRect(int index) const;
    QRect GetItemRect(int index) const;

private:
    DWORD m_dwExStyle = 0;
};

// The widget of a list control made from a template; clicks go to owner.
QWidget* MakeListWidget(CWnd& owner, UINT id, QWidget* surface);
