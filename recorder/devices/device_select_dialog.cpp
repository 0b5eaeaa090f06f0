#include "devices/device_select_dialog.h"

#include "res/resource.h"
#include "toolkit/list_ctrl.h"
#include "toolkit/slider_ctrl.h"

namespace {

// Devices the dialog offers: usable, with a level to set, and able to
// capture when they are the monitor of an output.
bool Listed(const stNSndDevInfo& info)
{
    return info.state < 3 && info.hasVolume != 0 && (info.flagA == 0 || info.flagB != 0);
}

} // namespace

CDeviceSelectDialog::CDeviceSelectDialog(CWnd* parent) : CDialog(IDD_DEVICE_SELECT, parent) {}

void CDeviceSelectDialog::DoDataExchange(CDataExchange* dx)
{
    auto* slider = static_cast<CSliderCtrl*>(GetDlgItem(IDC_DEVICE_LEVEL));
    if (!slider)
        return;
    if (dx->m_bSaveAndValidate)
        m_nLevelPos = slider->GetPos();
    else
        slider->SetPos(m_nLevelPos);
}

BOOL CDeviceSelectDialog::OnInitDialog()
{
    CDialog::OnInitDialog();
    auto* list = static_cast<CListCtrl*>(GetDlgItem(IDC_DEVICE_LIST));
    list->SetExtendedStyle(list->GetExtendedStyle() | LVS_EX_CHECKBOXES);
    static_cast<CSliderCtrl*>(GetDlgItem(IDC_DEVICE_LEVEL))->SetRange(0, 100);
    GetDlgItem(IDOK)->ShowWindow(m_bAutomatic ? SW_HIDE : SW_SHOW);
    GetDlgItem(IDCANCEL)->ShowWindow(m_bAutomatic ? SW_HIDE : SW_SHOW);
    GetDlgItem(IDC_DEVICE_SELECT)->ShowWindow(m_bAutomatic ? SW_SHOW : SW_HIDE);
    FillList();
    if (!m_strCaption.empty())
        SetWindowText(m_strCaption);
    if (m_nDeviceIndex != -1)
        ShowDeviceChosen(m_nDeviceIndex);
    return TRUE;
}

void CDeviceSelectDialog::FillList()
{
    if (!m_pOption)
        return;
    auto* list = static_cast<CListCtrl*>(GetDlgItem(IDC_DEVICE_LIST));
    const int count = m_pOption->GetInfoCount();
    for (int i = 0; i < count; ++i) {
        const stNSndDevInfo* info = m_pOption->GetInfo(i);
        if (!info || !Listed(*info))
            continue;
        const int item = list->InsertItem(list->GetItemCount(), info->name ? info->name : "");
        list->SetItemData(item, static_cast<DWORD_PTR>(info->index));
    }
}

void CDeviceSelectDialog::ShowDeviceChosen(int device)
{
    auto* list = static_cast<CListCtrl*>(GetDlgItem(IDC_DEVICE_LIST));
    for (int i = 0; i < list->GetItemCount(); ++i) {
        const bool chosen = static_cast<int>(list->GetItemData(i)) == device;
        list->SetCheck(i, chosen);
        if (!chosen || !m_pOption)
            continue;
        m_pOption->SelectDevInfo(device);
        float level = 0.0f;
        m_pOption->GetDevValue(device, level);
        ApplyLevel(level);
    }
}

void CDeviceSelectDialog::ApplyLevel(float level)
{
    if (!m_pOption)
        return;
    const int index = m_pOption->GetDevInfoIndex();
    m_pOption->SetDevMute(index, 0);
    m_pOption->SetDevValue(index, level);
    m_nLevelPos = 100 - static_cast<int>(level * 100);
    UpdateData(FALSE);
}

LRESULT CDeviceSelectDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_VSCROLL) {
        UpdateData(TRUE);
        ApplyLevel(static_cast<float>((100 - m_nLevelPos) / 100.0));
        return 0;
    }
    if (message == WM_NOTIFY && wParam == IDC_DEVICE_LIST) {
        const auto* nm = reinterpret_cast<const NMITEMACTIVATE*>(lParam);
        if (nm->hdr.code == NM_CLICK && nm->iItem != -1)
            OnListClick(nm->iItem, nm->ptAction.x, nm->ptAction.y);
        return FALSE; // LVN_ITEMCHANGING and the rest: allowed
    }
    return CDialog::WindowProc(message, wParam, lParam);
}

void CDeviceSelectDialog::OnListClick(int item, long x, long y)
{
    auto* list = static_cast<CListCtrl*>(GetDlgItem(IDC_DEVICE_LIST));
    for (int i = 0; i < list->GetItemCount(); ++i)
        list->SetCheck(i, FALSE);
    const int device = static_cast<int>(list->GetItemData(item));
    if (device != m_nDeviceIndex) {
        m_nDeviceIndex = device;
        ShowDeviceChosen(device);
        const stNSndDevInfo* info = m_pOption ? m_pOption->GetInfo(device) : nullptr;
        if (info && info->hasVolume)
            GetDlgItem(IDC_DEVICE_LEVEL)->EnableWindow(TRUE);
    }
    // A click on the box itself is followed by the list's own toggle, which
    // sets it; a click beside it sets it here.  Either way the box is set.
    UINT where = 0;
    list->HitTest({static_cast<LONG>(x), static_cast<LONG>(y)}, &where);
    list->SetCheck(item, !(where & LVHT_ONITEMSTATEICON));
    list->SelectItem(item);
}

BOOL CDeviceSelectDialog::OnCommand(UINT id, UINT code)
{
    if (id == IDC_DEVICE_SELECT && code == BN_CLICKED) {
        Confirm();
        return TRUE;
    }
    return CDialog::OnCommand(id, code);
}

void CDeviceSelectDialog::Confirm()
{
    if (!m_pOption)
        return;
    m_nDeviceIndex = m_pOption->GetDevInfoIndex();
    EndDialog(IDOK);
}

void CDeviceSelectDialog::OnOK()
{
    // The automatic form swallows Enter: only "指定(&S)" confirms it.
    if (!m_bAutomatic)
        Confirm();
}

void CDeviceSelectDialog::OnCancel()
{
    // Escape and the close box do nothing in the automatic form.
    if (m_bAutomatic)
        return;
    if (m_pOption)
        m_pOption->RollbackDevInfos();
    EndDialog(IDCANCEL);
}
