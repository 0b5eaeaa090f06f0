// CMainFrame: the agent's hidden frame and its check cycle.
//
// Once at creation and then on timer 1 (every minute) the frame checks
// whether the PC is on line; when it is, it downloads and unpacks the
// message archive when checkInterval hours have passed, and, after a good
// download, starts the update program when updateInterval hours have passed
// and shows a waiting message through the viewer.  Timer 2 (every 3 s)
// watches the viewer; when it ends, the frame posts itself the registered
// message, which looks for the next message at once.
//
// Nothing is kept between runs: every start finds the download and the
// update program due.  Everything runs on the program's one thread; a
// download or unpacking blocks it until the started program ends, with
// timer 1 stopped meanwhile.
#pragma once

#include "agent_services.h"
#include "launcher.h"

#include <cstdint>
#include <string>

constexpr UINT kCheckTimer = 1;
constexpr UINT kViewerTimer = 2;
constexpr UINT kCheckPeriodMs = 60000;
constexpr UINT kViewerPeriodMs = 3000;

extern const char* const kFrameClassName;    // "Main.ORV.Velmora"
extern const char* const kCheckMessageName;  // "checkMessage.MainFrm.orv.velmora"
extern const char16_t* const kTempDataFileName; // "orvTempDataOrv"

struct AgentServices {
    IClock& clock;
    IConnectivity& connectivity;
    IProgramStarter& starter;
    ISupportLibrary& support;
    ConstLookupFn constLookup;
    std::u16string programFolder;
};

class CMainFrame {
public:
    CMainFrame(const AgentServices& services, IFrameHost& host);
    ~CMainFrame(); // gives up a held viewer handle; the viewer keeps running
    CMainFrame(const CMainFrame&) = delete;
    CMainFrame& operator=(const CMainFrame&) = delete;

    // The frame's messages.  OnCreate answers 0, or -1 to refuse creation.
    int OnCreate();
    void OnTimer(UINT id);
    void OnCheckMessage();
    // WM_CLOSE: removes the temporary data file; the caller then destroys the window.
    void OnClose();
    // Handles a timer or the registered message; false for any other message.
    bool Dispatch(UINT message, WPARAM wParam);

    UINT CheckMessage() const { return m_nCheckMessage; }

    // State, for the diagnostics of tests.
    const std::u16string& MessageFileUrl() const { return m_strMessageFileUrl; }
    double CheckInterval() const { return m_dCheckInterval; }
    double UpdateInterval() const { return m_dUpdateInterval; }
    bool MessagesReady() const { return m_bMessagesReady; }
    bool ViewerRunning() const { return m_hViewerProcess != 0; }

private:
    void ReadConstants();
    void RemoveTempDataFile();
    void CheckCycle();
    void CheckDownload();
    BOOL UpdateMessage();
    void CheckUpdate();
    void CheckPopup();
    void WatchViewer();
    // The due test of CheckDownload and CheckUpdate; *now gets the time it used.
    bool IsDue(double intervalHours, std::int64_t last, const char16_t* invalidLine, const char16_t* endLine,
        std::int64_t* now);
    std::u16string DataFolder();

    AgentServices m_services;
    IFrameHost& m_host;
    CProgramLauncher m_launcher;
    UINT m_nCheckMessage;

    std::u16string m_strMessageFileUrl;
    double m_dCheckInterval = 3.0;
    double m_dUpdateInterval = 24.0;
    std::int64_t m_tLastDownloadTime = 0;
    std::int64_t m_tLastUpdateCheckTime = 0;
    bool m_bMessagesReady = false;
    ProgramHandle m_hViewerProcess = 0;
};

// The decimal value at the start of a text, as the C library's text-to-double
// conversion reads it; 0 when the text does not start with a number.
double DecimalValue(const std::u16string& text);
