#include "brisa_record_app.h"

#include "app/brisa_record_doc.h"
#include "app/main_frame.h"
#include "app/path_utils.h"
#include "com/com.h"
#include "core/locale.h"
#include "extraction/extract_view.h"
#include "module/module.h"
#include "process/process.h"
#include "recording/recording_view.h"
#include "res/recorder_resources.h"
#include "res/resource.h"
#include "app/sound_device_check.h"
#include "toolkit/dialog.h"

#include <fstream>

std::string g_strLaunchMode;

namespace {

constexpr const char* kTipsMissingLine = "Tips.txt : 該当ﾌｧｲﾙが見つかりません。";

class CAboutDlg : public CDialog {
public:
    CAboutDlg() : CDialog(IDD_ABOUTBOX) {}

protected:
    BOOL OnInitDialog() override
    {
        CDialog::OnInitDialog();
        SetDlgItemText(IDC_ABOUT_VERSION, "Ardo サウンドレコーダー 1.0.0");
        return TRUE;
    }
};

bool IsSpecialLaunch(const std::string& word)
{
    return word == LAUNCH_INTERNAL || word == LAUNCH_MIC;
}

} // namespace

std::string ClassNameFromProgramFile(const std::string& fileName)
{
    // The rule counts the original platform's file name, which ends in ".exe".
    const std::string windowsName = fileName + ".exe";
    return windowsName.size() == 8 ? windowsName.substr(0, 4) : std::string();
}

CBrisaRecordApp* RecorderApp()
{
    return static_cast<CBrisaRecordApp*>(AfxGetApp());
}

CBrisaRecordApp::CBrisaRecordApp(RegistryStore& store) : CWinApp(store)
{
    AfxSetResources(&RecorderResources());
}

CBrisaRecordApp::~CBrisaRecordApp()
{
    ReleaseRunningInstance();
    CloseSharedBlock(m_camBlock);
}

CMainFrame* CBrisaRecordApp::GetMainFrame() const
{
    return dynamic_cast<CMainFrame*>(m_pMainWnd);
}

BOOL CBrisaRecordApp::InitInstance()
{
    const std::string program = GetModuleFileName();
    m_strClassName = ClassNameFromProgramFile(GetFileNamePart(program.c_str()));

    if (!ClaimRunningInstance())
        return FALSE;
    SetRegistryKey("VELMORA");
    if (m_strClassName.size() == 4 && !AfxRegisterClass(m_strClassName))
        return FALSE;
    LoadStdProfileSettings(4);
    CoInitialize(nullptr); // the extraction form makes the dump filter through it

    CCommandLineInfo cmdInfo;
    ParseCommandLine(cmdInfo);
    g_strLaunchMode = cmdInfo.m_strFileName;
    if (!IsSpecialLaunch(g_strLaunchMode)) {
        g_strLaunchMode.clear();
        if (GetSystemDefaultLCID() != LCID_JAPANESE) {
            AfxMessageBox(MSG_NOT_JAPANESE);
            return FALSE;
        }
        if (!IsMp3CodecInstalled()) {
            MessageBoxRequest r;
            r.text = MSG_NO_MP3_CODEC;
            r.caption = "情報";
            r.type = MB_OK | MB_ICONINFORMATION;
            UiService().MessageBox(r);
        }
        if (!CheckSoundDevice())
            return FALSE;
    }
    LookupVideoRecorder();

    AddDocTemplate(std::make_unique<CSingleDocTemplate>(
        IDR_MAINFRAME, [] { return std::make_unique<CBrisaRecordDoc>(); },
        [] { return std::make_unique<CMainFrame>(); }, [] { return std::make_unique<CBrisaRecordView>(); }));
    RegisterShellFileTypes();

    // Any other parameter starts a new document too: the settings are loaded
    // only on that path, and there is no file to open.
    cmdInfo.m_nShellCommand = CCommandLineInfo::FileNew;
    cmdInfo.m_strFileName.clear();
    if (!ProcessShellCommand(cmdInfo))
        return FALSE;

    CMainFrame* frame = GetMainFrame();
    CDocument* doc = GetFirstDocTemplate()->GetFirstDoc();
    if (!frame || !doc)
        return FALSE;
    auto extract = std::make_unique<CExtractView>();
    if (!extract->Create(frame, AFX_IDW_PANE_FIRST + 1, doc))
        return FALSE;
    extract->ShowWindow(SW_HIDE);
    frame->AdoptView(std::move(extract))->OnInitialUpdate();

    frame->ShowWindow(SW_SHOW);
    frame->m_pRecordView = frame->ActiveRecordView();
    return TRUE;
}

int CBrisaRecordApp::ExitInstance()
{
    ReleaseRunningInstance();
    return CWinApp::ExitInstance();
}

BOOL CBrisaRecordApp::OnIdle(LONG count)
{
    if (m_pMainWnd)
        m_pMainWnd->SetTitle("Ardo サウンドレコーダー");
    return CWinApp::OnIdle(count);
}

BOOL CBrisaRecordApp::OnCommand(UINT id)
{
    switch (id) {
    case ID_APP_ABOUT: OnAppAbout(); return TRUE;
    case ID_TIP_OF_DAY: OnTipOfTheDay(); return TRUE;
    default: return CWinApp::OnCommand(id);
    }
}

BOOL CBrisaRecordApp::ClaimRunningInstance()
{
    CloseSharedBlock(m_recorderBlock);
    if (OpenSharedBlock(RECORDER_BLOCK_NAME, m_recorderBlock)) {
        if (ReadRunningRecord(m_recorderBlock).running != 0) {
            m_bClaimReleased = TRUE;
            CloseSharedBlock(m_recorderBlock);
            AfxMessageBox(MSG_ALREADY_RUNNING);
            return FALSE;
        }
    } else {
        if (OpenSharedBlock(CAM_BLOCK_NAME, m_camBlock) && ReadRunningRecord(m_camBlock).running != 0) {
            m_bClaimReleased = TRUE;
            AfxMessageBox(MSG_ALREADY_RUNNING);
            return FALSE;
        }
        // Without a block (no writable runtime folder) no claim can be
        // written; the recorder still runs, unguarded, and releases nothing.
        if (!CreateSharedBlock(RECORDER_BLOCK_NAME, sizeof(RunningRecord), m_recorderBlock))
            return TRUE;
    }
    RunningRecord r = ReadRunningRecord(m_recorderBlock);
    r.flags |= RUNNING_FLAG_RECORDER;
    r.running = 1;
    WriteRunningRecord(m_recorderBlock, r);
    m_bClaimReleased = FALSE;
    return TRUE;
}

void CBrisaRecordApp::ReleaseRunningInstance()
{
    if (!m_bClaimReleased) {
        RunningRecord r = ReadRunningRecord(m_recorderBlock);
        r.running = 0;
        r.flags &= ~RUNNING_FLAG_RECORDER;
        WriteRunningRecord(m_recorderBlock, r);
        m_bClaimReleased = TRUE;
    }
    CloseSharedBlock(m_recorderBlock);
}

BOOL CBrisaRecordApp::IsMp3CodecInstalled()
{
    HMODULE lib = LoadLibrary("lame_enc.dll");
    if (!lib)
        return FALSE;
    FreeLibrary(lib);
    return TRUE;
}

BOOL CBrisaRecordApp::CheckSoundDevice()
{
    const char* problem = SoundDeviceProblem();
    if (!problem)
        return TRUE;
    AfxMessageBox(problem);
    return FALSE;
}

BOOL CBrisaRecordApp::LookupVideoRecorder()
{
    m_strCamPath.clear();
    return FALSE;
}

BOOL CBrisaRecordApp::LaunchVideoRecorder(std::string path)
{
    if (!LookupVideoRecorder())
        return FALSE;
    if (ShellExecute("", path, "", "", SW_SHOWNORMAL) > 32)
        return TRUE;
    AfxMessageBox(MSG_CANNOT_RUN_CAM, MB_OK | MB_ICONSTOP);
    return FALSE;
}

void CBrisaRecordApp::OnAppAbout()
{
    CAboutDlg dlg;
    dlg.DoModal();
}

std::string CBrisaRecordApp::TipsFilePath() const
{
    const CPathParts parts(GetHelpFilePath());
    return parts.GetDrive() + parts.GetFolder() + "Data/tips.dat";
}

void CBrisaRecordApp::OnTipOfTheDay()
{
    const std::string path = TipsFilePath();
    if (!FileExists(path)) {
        std::ofstream out(path); // a failure to write is of no consequence
        out << kTipsMissingLine << '\n';
    }
    CTipDlg dlg(path);
    dlg.DoModal();
}
