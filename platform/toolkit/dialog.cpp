#include "dialog.h"

#include "app.h"
#include "frame.h"

#include <QCloseEvent>
#include <QDialog>
#include <QKeyEvent>

#include <filesystem>
#include <fstream>

namespace {

// Hands the keys and the close box to the CDialog, which decides.
class DialogWidget final : public QDialog {
public:
    DialogWidget(CDialog& owner, QWidget* parent) : QDialog(parent), m_owner(owner) {}

    void reject() override { m_owner.OnCancel(); }

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        switch (e->key()) {
        case Qt::Key_Escape: m_owner.OnCancel(); return;
        case Qt::Key_Return:
        case Qt::Key_Enter: m_owner.OnCommand(IDOK, BN_CLICKED); return;
        default: QDialog::keyPressEvent(e);
        }
    }

    void closeEvent(QCloseEvent* e) override
    {
        e->ignore();
        m_owner.SendMessage(WM_CLOSE);
    }

private:
    CDialog& m_owner;
};

} // namespace

CDialog::CDialog(UINT templateId, CWnd* parent) : m_nTemplateId(templateId), m_pParentWnd(parent)
{
    if (const DialogTemplate* t = FindDialogTemplate(templateId))
        m_template = *t;
}

CDialog::CDialog(DialogTemplate templ, CWnd* parent) : m_template(std::move(templ)), m_pParentWnd(parent) {}

CDialog::~CDialog() = default;

int CDialog::DoModal()
{
    if (m_template.cx == 0 && m_template.controls.empty())
        return -1;
    CWnd* parent = m_pParentWnd ? m_pParentWnd : AfxGetMainWnd();
    QWidget* parentWidget = parent ? parent->Widget() : nullptr;
    // A hidden owner (the "MIC" launch) must not hide its dialog too.
    if (parentWidget && !parentWidget->isVisible())
        parentWidget = nullptr;
    m_pDialog = new DialogWidget(*this, parentWidget);
    m_pDialog->setWindowTitle(QString::fromStdString(m_template.caption));
    m_pDialog->setWindowFlags(m_pDialog->windowFlags() & ~Qt::WindowContextHelpButtonHint);
    const QPoint size = DialogUnitsToPixels(m_template.cx, m_template.cy);
    m_pDialog->setFixedSize(size.x(), size.y());
    Attach(m_pDialog, parent, m_nTemplateId);
    CreateControls(*this, m_template);
    m_bEnded = false;
    m_nResult = IDCANCEL;
    OnInitDialog();
    m_bRunning = TRUE;
    const int result = m_bEnded ? m_nResult : UiService().RunModal(*this);
    m_bRunning = FALSE;
    DestroyWindow();
    m_pDialog = nullptr;
    return result;
}

int CDialog::ExecModalLoop()
{
    if (!m_bEnded)
        m_pDialog->exec();
    return m_nResult;
}

void CDialog::EndDialog(int result)
{
    m_nResult = result;
    m_bEnded = true;
    if (m_pDialog && m_pDialog->isVisible())
        m_pDialog->done(result);
}

BOOL CDialog::OnInitDialog()
{
    UpdateData(FALSE);
    return TRUE;
}

void CDialog::OnOK()
{
    if (UpdateData(TRUE))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::OnClose()
{
    OnCancel();
}

BOOL CDialog::OnCommand(UINT id, UINT code)
{
    if (code != BN_CLICKED)
        return FALSE;
    if (id == static_cast<UINT>(IDOK)) {
        OnOK();
        return TRUE;
    }
    if (id == static_cast<UINT>(IDCANCEL)) {
        OnCancel();
        return TRUE;
    }
    return FALSE;
}

CFileDialog::CFileDialog(BOOL openFileDialog, const std::string& defaultExt, const std::string& fileName, DWORD flags,
    const std::string& filter, CWnd* parent)
{
    m_request.owner = parent ? parent : AfxGetMainWnd();
    m_request.open = openFileDialog != FALSE;
    m_request.initialPath = fileName;
    m_request.filter = filter;
    m_request.defaultExt = defaultExt;
    m_request.flags = flags;
}

int CFileDialog::DoModal()
{
    FileDialogRequest r = m_request;
    if (!m_strInitialDir.empty() && r.initialPath.find('/') == std::string::npos)
        r.initialPath = (std::filesystem::path(m_strInitialDir) / r.initialPath).string();
    std::string path;
    if (!UiService().FileDialog(r, &path))
        return IDCANCEL;
    m_strPath = path;
    return IDOK;
}

namespace {

DialogTemplate TipTemplate()
{
    DialogTemplate t;
    t.caption = "ヒント";
    t.cx = 230;
    t.cy = 110;
    t.controls = {
        {ControlKind::Static, IDC_STATIC, "ご存知ですか...", 10, 8, 200, 10},
        {ControlKind::Static, CTipDlg::IDC_TIP_TEXT, "", 10, 22, 210, 60},
        {ControlKind::Button, CTipDlg::IDC_NEXT_TIP, "次のヒント(&N)", 100, 90, 60, 14},
        {ControlKind::DefButton, static_cast<UINT>(IDOK), "閉じる", 165, 90, 55, 14},
    };
    return t;
}

} // namespace

CTipDlg::CTipDlg(const std::string& tipsPath, CWnd* parent) : CDialog(TipTemplate(), parent), m_strPath(tipsPath) {}

BOOL CTipDlg::OnInitDialog()
{
    CDialog::OnInitDialog();
    std::ifstream in(m_strPath);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            m_tips.push_back(line);
    }
    OnCommand(IDC_NEXT_TIP, BN_CLICKED);
    return TRUE;
}

BOOL CTipDlg::OnCommand(UINT id, UINT code)
{
    if (id != IDC_NEXT_TIP || code != BN_CLICKED)
        return CDialog::OnCommand(id, code);
    if (!m_tips.empty())
        SetDlgItemText(IDC_TIP_TEXT, m_tips[m_nNext++ % m_tips.size()]);
    return TRUE;
}
