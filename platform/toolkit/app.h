// The application object: start-up and shut-down hooks around the Qt event
// loop, idle processing, the profile (registry) functions, the command line
// and the document template.  One application object exists at a time.
#pragma once

#include "doc_view.h"
#include "registry/registry.h"

#include <memory>
#include <string>
#include <vector>

class CFrameWnd;

class CCommandLineInfo {
public:
    enum { FileNew, FileOpen };
    int m_nShellCommand = FileNew;
    std::string m_strFileName;
};

class CWinApp {
public:
    // Settings go to store (the user's registry unless a test passes one).
    explicit CWinApp(RegistryStore& store = RegistryStore::User());
    virtual ~CWinApp();
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    // One idle pass; count starts at 0 each time the queue runs empty.
    // TRUE asks for another pass.  The base refreshes the main frame's
    // command states on pass 0.
    virtual BOOL OnIdle(LONG count);
    // Commands no view or frame took.  TRUE when handled.
    virtual BOOL OnCommand(UINT id);

    // The program: InitInstance, the event loop with idle processing,
    // ExitInstance.  Needs a QApplication (made here when there is none).
    int Run(int argc, char** argv);
    // Handles what is queued, then the idle passes (tests drive the loop so).
    void PumpAndIdle();

    // The arguments after the program name.
    void SetArguments(std::vector<std::string> args) { m_args = std::move(args); }
    void ParseCommandLine(CCommandLineInfo& info) const;
    // FileNew opens a new document; so does FileOpen, since this toolkit's
    // documents are never read from files.  FALSE on failure.
    BOOL ProcessShellCommand(const CCommandLineInfo& info);

    void SetRegistryKey(const std::string& company);
    CProfile* GetProfile() const { return m_profile.get(); }
    std::string GetProfileString(const std::string& section, const std::string& entry, const std::string& def = {});
    int GetProfileInt(const std::string& section, const std::string& entry, int def);
    BOOL WriteProfileString(const std::string& section, const std::string& entry, const std::string& value);
    BOOL WriteProfileInt(const std::string& section, const std::string& entry, int value);
    // Reads the recent-file list (up to maxMru entries).
    void LoadStdProfileSettings(UINT maxMru = 4);
    const std::vector<std::string>& RecentFiles() const { return m_recentFiles; }
    RegistryStore& Store() const { return m_store; }

    void AddDocTemplate(std::unique_ptr<CSingleDocTemplate> templ);
    CSingleDocTemplate* GetFirstDocTemplate() const { return m_template.get(); }
    void CloseAllDocuments();
    // Registers the template's document type ("ZDA.Document") under the
    // user's classes with its name, icon and open command.  No extension.
    void RegisterShellFileTypes();

    // The title from string AFX_IDS_APP_TITLE.
    std::string GetAppTitle() const;
    // Beside the program, as the original's help file: <program>.chm.
    std::string GetHelpFilePath() const;

    CFrameWnd* m_pMainWnd = nullptr;

private:
    RegistryStore& m_store;
    std::unique_ptr<CProfile> m_profile;
    std::vector<std::string> m_args;
    std::vector<std::string> m_recentFiles;
    std::unique_ptr<CSingleDocTemplate> m_template;
    bool m_bIdleRunning = false;

    friend BOOL AfxRegisterClass(const std::string&);
    friend BOOL AfxIsClassRegistered(const std::string&);
    std::vector<std::string> m_classes;
};

CWinApp* AfxGetApp();
CFrameWnd* AfxGetMainWnd();
std::string AfxGetAppTitle();
// The application's message box: caption the application title, owner the
// main window, and the exclamation icon when the type asks for none.
int AfxMessageBox(const std::string& text, UINT type = MB_OK);
// Window classes of the running application: a name may be registered once;
// FALSE for an empty name, one already registered, or no application.
BOOL AfxRegisterClass(const std::string& className);
BOOL AfxIsClassRegistered(const std::string& className);

// Dispatches what already waits in the event queue and returns without
// waiting for more.  Long work on the user-interface thread calls it now and
// then so that its own buttons, timers and repaints are served meanwhile.
void AfxPumpWaitingMessages();

// The wait cursor over the whole application for the object's lifetime.
class CWaitCursor {
public:
    CWaitCursor();
    ~CWaitCursor();
    CWaitCursor(const CWaitCursor&) = delete;
    CWaitCursor& operator=(const CWaitCursor&) = delete;
};
