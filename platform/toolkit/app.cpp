#include "app.h"

#include "frame.h"
#include "module/module.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEvent>

#include <algorithm>

namespace {
CWinApp* g_app = nullptr;

// Field n of a document template string ("title\ndoc\nnew\nfilter\next\ntype\ntype name").
std::string TemplateField(UINT resourceId, int n)
{
    std::string s = LoadString(resourceId);
    for (int i = 0; i < n; ++i) {
        const std::size_t nl = s.find('\n');
        if (nl == std::string::npos)
            return {};
        s.erase(0, nl + 1);
    }
    return s.substr(0, s.find('\n'));
}
} // namespace

CWinApp::CWinApp(RegistryStore& store) : m_store(store)
{
    g_app = this;
}

CWinApp::~CWinApp()
{
    m_template.reset();
    if (g_app == this)
        g_app = nullptr;
}

CWinApp* AfxGetApp()
{
    return g_app;
}

CFrameWnd* AfxGetMainWnd()
{
    return g_app ? g_app->m_pMainWnd : nullptr;
}

std::string AfxGetAppTitle()
{
    return g_app ? g_app->GetAppTitle() : LoadString(AFX_IDS_APP_TITLE);
}

int AfxMessageBox(const std::string& text, UINT type)
{
    MessageBoxRequest r;
    r.owner = AfxGetMainWnd();
    r.text = text;
    r.caption = AfxGetAppTitle();
    r.type = (type & MB_ICONMASK) ? type : type | MB_ICONEXCLAMATION;
    return UiService().MessageBox(r);
}

BOOL AfxRegisterClass(const std::string& className)
{
    if (!g_app || className.empty() || AfxIsClassRegistered(className))
        return FALSE;
    g_app->m_classes.push_back(className);
    return TRUE;
}

BOOL AfxIsClassRegistered(const std::string& className)
{
    return g_app && std::find(g_app->m_classes.begin(), g_app->m_classes.end(), className) != g_app->m_classes.end();
}

void AfxPumpWaitingMessages()
{
    // Without WaitForMoreEvents this never blocks; nested use from inside a
    // handler is what Qt's processEvents is made for.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

CWaitCursor::CWaitCursor()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

CWaitCursor::~CWaitCursor()
{
    QApplication::restoreOverrideCursor();
}

BOOL CWinApp::InitInstance()
{
    return TRUE;
}

int CWinApp::ExitInstance()
{
    return 0;
}

BOOL CWinApp::OnIdle(LONG count)
{
    if (count == 0 && m_pMainWnd)
        m_pMainWnd->UpdateCommandUI();
    return count < 1;
}

BOOL CWinApp::OnCommand(UINT)
{
    return FALSE;
}

int CWinApp::Run(int argc, char** argv)
{
    std::unique_ptr<QApplication> qt;
    if (!QCoreApplication::instance())
        qt = std::make_unique<QApplication>(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false); // hidden frames and dialogs must not end the program
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i)
        args.emplace_back(argv[i]);
    SetArguments(std::move(args));
    QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, [this] {
        if (m_bIdleRunning)
            return;
        m_bIdleRunning = true;
        for (LONG n = 0; OnIdle(n); ++n) {
        }
        m_bIdleRunning = false;
    });
    if (!InitInstance())
        return ExitInstance();
    QCoreApplication::exec();
    m_template.reset();
    return ExitInstance();
}

void CWinApp::PumpAndIdle()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (LONG n = 0; OnIdle(n); ++n) {
    }
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info) const
{
    for (const std::string& a : m_args) {
        if (a.empty() || a[0] == '-' || a[0] == '/')
            continue;
        info.m_nShellCommand = CCommandLineInfo::FileOpen;
        info.m_strFileName = a;
        return;
    }
}

BOOL CWinApp::ProcessShellCommand(const CCommandLineInfo&)
{
    return m_template && m_template->OpenDocumentFile() ? TRUE : FALSE;
}

void CWinApp::SetRegistryKey(const std::string& company)
{
    m_profile = std::make_unique<CProfile>(m_store, company, GetAppTitle());
}

std::string CWinApp::GetProfileString(const std::string& section, const std::string& entry, const std::string& def)
{
    return m_profile ? m_profile->GetProfileString(section, entry, def) : def;
}

int CWinApp::GetProfileInt(const std::string& section, const std::string& entry, int def)
{
    return m_profile ? m_profile->GetProfileInt(section, entry, def) : def;
}

BOOL CWinApp::WriteProfileString(const std::string& section, const std::string& entry, const std::string& value)
{
    return m_profile ? m_profile->WriteProfileString(section, entry, value) : FALSE;
}

BOOL CWinApp::WriteProfileInt(const std::string& section, const std::string& entry, int value)
{
    return m_profile ? m_profile->WriteProfileInt(section, entry, value) : FALSE;
}

void CWinApp::LoadStdProfileSettings(UINT maxMru)
{
    m_recentFiles.clear();
    for (UINT i = 1; i <= maxMru; ++i) {
        std::string f = GetProfileString("Recent File List", "File" + std::to_string(i));
        if (!f.empty())
            m_recentFiles.push_back(std::move(f));
    }
}

void CWinApp::AddDocTemplate(std::unique_ptr<CSingleDocTemplate> templ)
{
    m_template = std::move(templ);
}

void CWinApp::CloseAllDocuments()
{
    if (m_template)
        m_template->CloseAllDocuments();
}

void CWinApp::RegisterShellFileTypes()
{
    if (!m_template)
        return;
    const UINT id = m_template->GetResourceId();
    const std::string type = TemplateField(id, 5);
    if (type.empty())
        return;
    const std::string exe = GetModuleFileName();
    const std::string key = "Software\\Classes\\" + type;
    m_store.SetString(key, "", TemplateField(id, 6));
    m_store.SetString(key + "\\DefaultIcon", "", exe + ",0");
    m_store.SetString(key + "\\shell\\open\\command", "", "\"" + exe + "\" \"%1\"");
}

std::string CWinApp::GetAppTitle() const
{
    const std::string t = LoadString(AFX_IDS_APP_TITLE);
    if (!t.empty())
        return t;
    const std::string program = GetModuleFileName();
    return program.substr(program.rfind('/') + 1);
}

std::string CWinApp::GetHelpFilePath() const
{
    return GetModuleFileName() + ".chm";
}
