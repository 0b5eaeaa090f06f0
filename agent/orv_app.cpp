#include "orv_app.h"

#include "paramkit.h"
#include "core/text.h"
#include "module/module.h"
#include "msgloop/msgloop.h"
#include "named/named_object.h"

// The hidden frame window: hands the frame's messages to CMainFrame and
// gives it its timers; WM_CLOSE ends in the window's destruction and that
// in the end of the message loop.
class COrvApp::CFrameWindow : public IWindowProc, public IFrameHost {
public:
    explicit CFrameWindow(const AgentServices& services) : m_frame(services, *this) {}

    LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message) {
        case WM_CREATE:
            m_hwnd = hwnd;
            return m_frame.OnCreate();
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_CLOSE:
            m_frame.OnClose();
            return DefWindowProc(hwnd, message, wParam, lParam);
        default:
            return m_frame.Dispatch(message, wParam) ? 0 : DefWindowProc(hwnd, message, wParam, lParam);
        }
    }

    void SetTimer(UINT id, UINT elapseMs) override { ::SetTimer(m_hwnd, id, elapseMs); }
    void KillTimer(UINT id) override { ::KillTimer(m_hwnd, id); }
    void PostToSelf(UINT message) override { ::PostMessage(m_hwnd, message, 0, 0); }

private:
    HWND m_hwnd = nullptr;
    CMainFrame m_frame;
};

COrvApp::COrvApp() = default;
COrvApp::~COrvApp() = default;

BOOL COrvApp::InitInstance()
{
    bool alreadyExisted = false;
    m_mutex = NamedMutex::Create(kInstanceMutexName, &alreadyExisted);
    if (!m_mutex || alreadyExisted)
        return FALSE;
    // The support library is linked by the original: without it the agent
    // cannot run at all.
    if (!m_orvLib.Load())
        return FALSE;
    const AgentServices services{m_clock, m_connectivity, m_starter, m_orvLib, &CDL_GetConstData,
        Utf8ToUtf16(GetProgramFolder())};
    m_frame = std::make_unique<CFrameWindow>(services);
    return CreateHiddenWindow(kFrameClassName, m_frame.get()) != nullptr;
}

int COrvApp::Run()
{
    return RunMessageLoop();
}
