#include "main_frame.h"

#include "app/brisa_record_app.h"
#include "app/brisa_record_doc.h"
#include "extraction/extract_view.h"
#include "process/process.h"
#include "recording/recording_view.h"
#include "res/resource.h"

namespace {

const QColor kMask(255, 0, 255);
const std::vector<UINT> kModeCommands = {ID_MODE_PCSOUND, ID_MODE_MIC, ID_MODE_USER, ID_MODE_EXTRACT};

// The maker's pages behind the help commands.
const char* WebPage(UINT id)
{
    switch (id) {
    case ID_ONLINE_MANUAL: return "https://www.velmora.example/ardo/soundrecorder/manual/";
    case ID_WEB_PRODUCT: return "https://www.velmora.example/ardo/soundrecorder/";
    case ID_WEB_MANUAL: return "https://www.velmora.example/ardo/soundrecorder/manual/index.html";
    case ID_WEB_FAQ: return "https://www.velmora.example/ardo/soundrecorder/faq/";
    case ID_WEB_FORUM: return "https://www.velmora.example/ardo/forum/";
    default: return nullptr;
    }
}

int SourceKindOfMode(UINT id)
{
    switch (id) {
    case ID_MODE_PCSOUND: return SRC_PCSOUND;
    case ID_MODE_MIC: return SRC_MIC;
    case ID_MODE_USER: return SRC_USER;
    default: return -1;
    }
}

} // namespace

BOOL CRecorderSplitter::CreateStatic(CWnd* parent, int rows, int cols, DWORD style, UINT id)
{
    if (!CSplitterWnd::CreateStatic(parent, rows, cols, style, id))
        return FALSE;
    SetSplitterSizes(4, 2);
    return TRUE;
}

BOOL CMainFrame::PreCreateWindow(CREATESTRUCT& cs)
{
    if (!CFrameWnd::PreCreateWindow(cs))
        return FALSE;
    cs.lpszClass = "XTPMainFrame";
    if (!AfxIsClassRegistered(cs.lpszClass))
        AfxRegisterClass(cs.lpszClass);
    cs.style |= WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    cs.style &= ~(WS_MAXIMIZEBOX | WS_MINIMIZEBOX | WS_THICKFRAME);
    if (CBrisaRecordApp* app = RecorderApp(); app && app->m_strClassName.size() == 4)
        cs.lpszClass = app->m_strClassName;
    if (g_strLaunchMode == LAUNCH_INTERNAL || g_strLaunchMode == LAUNCH_MIC) {
        cs.x = -1000;
        cs.y = -1000;
    }
    return TRUE;
}

int CMainFrame::OnCreate(const CREATESTRUCT& cs)
{
    if (CFrameWnd::OnCreate(cs) == -1)
        return -1;
    if (!CreateStatusBar(IDW_STATUS_BAR))
        return -1;
    if (!CreateToolBar(IDR_MAINFRAME))
        return -1;
    SetButtonStyle(ID_VIDEO_MODE, BUTTON_ICON_AND_CAPTION);
    m_pMenuBar = CreateMenuBar(IDR_MAINFRAME, "メニューバー");
    if (!m_pMenuBar)
        return -1;
    SetTitle("Ardo サウンドレコーダー");
    PostMessage(WM_FRAME_STARTUP, 0, 0);
    return 0;
}

BOOL CMainFrame::OnCreateClient(const CREATESTRUCT&, CCreateContext* context)
{
    if (!m_wndSplitter.CreateStatic(this, 1, 2, WS_CHILD | WS_VISIBLE, IDW_SPLITTER))
        return FALSE;
    if (!m_wndModeBar.Create(&m_wndSplitter, CSplitterWnd::IdFromRowCol(0, 0), this))
        return FALSE;
    m_wndModeBar.SetIcons(IDB_MODES_16, kModeCommands, 16, kMask);
    m_wndModeBar.SetIcons(IDB_MODES_24, kModeCommands, 24, kMask);
    for (UINT id : kModeCommands)
        m_wndModeBar.AddItem(id);
    m_wndModeBar.SelectItem(m_wndModeBar.FindItem(ID_MODE_PCSOUND));
    if (CWinApp* app = AfxGetApp(); app && app->GetProfile())
        m_wndModeBar.LoadState(*app->GetProfile(), "ShortcutBar");
    m_wndModeBar.ShowClientPane(FALSE);
    m_wndSplitter.ReplaceView(0, 0, &m_wndModeBar);
    m_wndSplitter.SetColumnInfo(0, 180, 50);

    if (!context || !context->m_newView)
        return FALSE;
    CView* view = AdoptView(context->m_newView());
    if (!view || !view->Create(&m_wndSplitter, CSplitterWnd::IdFromRowCol(0, 1), context->m_pCurrentDoc))
        return FALSE;
    m_wndSplitter.ReplaceView(0, 1, view);
    SetActiveView(view);
    SetClientWindow(&m_wndSplitter);
    return TRUE;
}

CBrisaRecordView* CMainFrame::ActiveRecordView() const
{
    return dynamic_cast<CBrisaRecordView*>(GetActiveView());
}

CExtractView* CMainFrame::ActiveExtractView() const
{
    return dynamic_cast<CExtractView*>(GetActiveView());
}

void CMainFrame::SwitchView(UINT formId)
{
    CDocument* doc = GetActiveDocument();
    CView* target = nullptr;
    if (formId == IDD_RECORD_FORM)
        target = m_pRecordView;
    else if (formId == IDD_EXTRACT_FORM && doc)
        target = doc->FindView<CExtractView>();
    if (!target || !m_wndSplitter.ReplaceView(0, 1, target))
        return;
    SetActiveView(target);
    if (formId == IDD_EXTRACT_FORM)
        static_cast<CExtractView*>(target)->CheckDumpFilter();
    RecalcLayout();
}

void CMainFrame::EnableModeBar(BOOL enable)
{
    m_wndModeBar.EnableWindow(enable);
}

void CMainFrame::ApplyRecordingSource(int devIndex, int ctrlIndex, int ctrlValue)
{
    ::ApplyRecordingSource(m_mixer, devIndex, ctrlIndex, ctrlValue, GetSafeHwnd());
}

LRESULT CMainFrame::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_SHORTCUTBAR_NOTIFY: return OnModeBarNotify(wParam, lParam);
    case WM_FRAME_STARTUP: return OnFrameStartup(wParam, lParam);
    default: return CFrameWnd::WindowProc(message, wParam, lParam);
    }
}

LRESULT CMainFrame::OnModeBarNotify(WPARAM code, LPARAM param)
{
    if (code != SBN_SELECTION_CHANGING)
        return FALSE; // a right click does nothing
    const auto* item = reinterpret_cast<const CShortcutBarItem*>(param);
    CDocument* doc = GetActiveDocument();
    if (!item || !doc)
        return TRUE;
    const UINT id = item->GetID();
    if (const int kind = SourceKindOfMode(id); kind >= 0) {
        SwitchView(IDD_RECORD_FORM);
        static_cast<CBrisaRecordDoc*>(doc)->SetCurrentSource(kind);
        if (CBrisaRecordView* view = ActiveRecordView()) {
            view->RefreshFormatControls();
            view->RefreshFileType();
            view->UpdateData(FALSE);
        }
    } else if (id == ID_MODE_EXTRACT) {
        SwitchView(IDD_EXTRACT_FORM);
    }
    return TRUE;
}

LRESULT CMainFrame::OnFrameStartup(WPARAM wParam, LPARAM)
{
    if (wParam != 0)
        return 0;
    if (g_strLaunchMode == LAUNCH_INTERNAL) {
        PostMessage(WM_CLOSE, 0, 0);
    } else if (g_strLaunchMode == LAUNCH_MIC) {
        ShowWindow(SW_HIDE);
        if (CBrisaRecordView* view = ActiveRecordView())
            view->RunDeviceOptions(SRC_MIC, TRUE);
        PostMessage(WM_CLOSE, 0, 0);
        g_strLaunchMode.clear();
    }
    return 0;
}

BOOL CMainFrame::OnCommand(UINT id, UINT code)
{
    CBrisaRecordView* rec = ActiveRecordView();
    switch (id) {
    case ID_MODE_PCSOUND:
    case ID_MODE_MIC:
    case ID_MODE_USER:
    case ID_MODE_EXTRACT: m_wndModeBar.SelectItem(m_wndModeBar.FindItem(id)); return TRUE;
    case ID_RECORD:
        if (rec)
            rec->OnRecord();
        return TRUE;
    case ID_PAUSE:
        if (rec)
            rec->OnPause();
        return TRUE;
    case ID_STOP:
        if (rec)
            rec->OnStop();
        return TRUE;
    case ID_SETTINGS_PCSOUND:
        if (rec)
            rec->ShowPcSoundNotice();
        return TRUE;
    case ID_SETTINGS_MIC:
        if (rec)
            rec->RunDeviceOptions(SRC_MIC, FALSE);
        return TRUE;
    case ID_SETTINGS_USER:
        if (rec)
            rec->RunDeviceOptions(SRC_USER, FALSE);
        return TRUE;
    case ID_PLAY: OnPlay(); return TRUE;
    case ID_VIDEO_MODE: OnVideoMode(); return TRUE;
    case ID_TOOLBAR_SHOW:
    case ID_TOOLBAR_SHOW2: return TRUE;
    default:
        if (WebPage(id)) {
            OpenWebPage(id);
            return TRUE;
        }
        return CFrameWnd::OnCommand(id, code);
    }
}

void CMainFrame::OnUpdateCommandUI(CCmdUI* ui)
{
    const CBrisaRecordView* rec = ActiveRecordView();
    const BOOL recording = rec && rec->IsRecording();
    const CShortcutBarItem* selected = m_wndModeBar.GetSelectedItem();
    switch (ui->m_nID) {
    case ID_RECORD:
    case ID_SETTINGS_PCSOUND:
    case ID_SETTINGS_MIC:
    case ID_SETTINGS_USER: ui->Enable(rec && !recording); break;
    case ID_PAUSE:
    case ID_STOP: ui->Enable(rec && recording); break;
    case ID_MODE_PCSOUND:
    case ID_MODE_MIC:
    case ID_MODE_USER:
        ui->Enable(!recording);
        ui->SetCheck(rec && !recording && selected && selected->GetID() == ui->m_nID);
        break;
    case ID_MODE_EXTRACT:
        ui->Enable(!recording);
        ui->SetCheck(ActiveExtractView() != nullptr);
        break;
    case ID_PLAY: ui->Enable(!m_strLastRecording.empty()); break;
    case ID_VIDEO_MODE: {
        const CBrisaRecordApp* app = RecorderApp();
        ui->Enable(rec ? !recording : app && !app->m_strCamPath.empty());
        break;
    }
    default: CFrameWnd::OnUpdateCommandUI(ui); break;
    }
}

void CMainFrame::OnClose()
{
    if (const CExtractView* ext = ActiveExtractView(); ext && ext->IsExtracting())
        return;
    if (const CBrisaRecordView* rec = ActiveRecordView(); rec && rec->IsRecording()) {
        MessageBox(MSG_CLOSE_WHILE_RECORDING);
        return;
    }
    CFrameWnd::OnClose();
}

void CMainFrame::OnPlay()
{
    if (ShellExecute("", m_strLastRecording, "", "", SW_SHOWNORMAL) <= 32)
        MessageBox(MSG_FILE_NOT_FOUND);
}

void CMainFrame::OnVideoMode()
{
    if (MessageBox(MSG_SWITCH_TO_VIDEO, {}, MB_YESNO) != IDYES)
        return;
    CBrisaRecordApp* app = RecorderApp();
    app->ReleaseRunningInstance();
    if (app->LaunchVideoRecorder(app->m_strCamPath))
        PostMessage(WM_CLOSE, 0, 0);
    else
        app->m_strCamPath.clear();
}

void CMainFrame::OpenWebPage(UINT id)
{
    ShellExecute("open", WebPage(id), "", "", SW_SHOWNORMAL);
}
