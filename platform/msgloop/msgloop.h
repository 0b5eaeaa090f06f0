// The minimal message loop of the update programs: hidden windows, posted
// messages, window timers and registered messages on one thread, driven by
// poll().
//
// A hidden window is registered by its class name: another process of the
// same user finds it and posts to it (WM_CLOSE to end the program) through a
// datagram Unix socket named after the class, in $XDG_RUNTIME_DIR/velmora-windows
// (or /tmp/velmora-windows-<uid>).  SIGTERM and SIGINT reach the first window
// still alive as WM_CLOSE, so `kill` closes a program the way its window
// would be closed.
//
// Threads: everything runs on the thread that calls RunMessageLoop, except
// PostMessage and PostQuitMessage, which any thread may call.
#pragma once

#include "core/messages.h"

#include <cstdint>
#include <string>

using UINT_PTR = std::uintptr_t;

// What a window does with its messages.  Messages it does not handle go to
// DefWindowProc.
class IWindowProc {
public:
    virtual ~IWindowProc() = default;
    virtual LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) = 0;
};

// The default handling: WM_CLOSE destroys the window; everything else is
// ignored (0).
LRESULT DefWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Creates a hidden window of that class and sends it WM_CREATE before
// returning.  Null when the class name is already taken by a live window of
// another process (ERROR_ALREADY_EXISTS), when its socket cannot be made, or
// when WM_CREATE answered -1 (the window is then destroyed again).
HWND CreateHiddenWindow(const std::string& className, IWindowProc* proc);

// Sends WM_DESTROY, drops the window's timers and queued messages and stops
// listening under its class name.  FALSE for a window that is gone.
BOOL DestroyWindow(HWND hwnd);
BOOL IsWindow(HWND hwnd);

// Queues a message for the window; never waits.  FALSE for a window that is
// gone.  Thread-safe.
BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Makes RunMessageLoop return exitCode once the messages already queued are
// handled.  Thread-safe.
void PostQuitMessage(int exitCode);

// Starts or restarts (same window and id) a timer that sends WM_TIMER with
// the id as wParam every elapse milliseconds.  Like the original, WM_TIMER
// comes only when no posted message waits, and a late timer fires once, not
// once per missed period.  Returns the id, or 0 for a window that is gone.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// A message number in 0xC000..0xFFFF for the name, the same in every process
// that registers the same name (names compare without regard to case).
UINT RegisterWindowMessage(const std::string& name);

// Dispatches messages until WM_QUIT; returns the quit code.
int RunMessageLoop();

// For other processes: whether a live window of that class exists, and
// posting to it (the FindWindow + PostMessage pair).  FALSE with
// ERROR_FILE_NOT_FOUND when no such window is alive.
BOOL FindWindowByClass(const std::string& className);
BOOL PostMessageToClass(const std::string& className, UINT message, WPARAM wParam, LPARAM lParam);
