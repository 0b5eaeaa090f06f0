// COrvApp: the agent program.  It keeps one instance per user through the
// named mutex, creates the hidden frame window under its class name (other
// programs end the agent by posting WM_CLOSE to that class) and runs the
// message loop until the frame is closed.
#pragma once

#include "main_frame.h"
#include "system_services.h"

#include <memory>

class NamedMutex;

constexpr const char* kInstanceMutexName = "Orv.exe.VelmoraCarekit.Velmora";

class COrvApp {
public:
    COrvApp();
    ~COrvApp();

    // FALSE when another instance runs or the frame cannot be created: the
    // program then ends at once, silently.
    BOOL InitInstance();
    // The message loop; returns the program's exit code.
    int Run();

private:
    class CFrameWindow;

    std::unique_ptr<NamedMutex> m_mutex;
    CSystemClock m_clock;
    CSystemConnectivity m_connectivity;
    CSystemStarter m_starter;
    COrvLib m_orvLib;
    std::unique_ptr<CFrameWindow> m_frame;
};
