// Window messages: the numbers the system's code posts and handles, and the
// one interface through which engines post to a window without knowing the
// toolkit behind it.
#pragma once

#include "wintypes.h"

constexpr UINT WM_CREATE = 0x0001;
constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_TIMER = 0x0113;
constexpr UINT WM_USER = 0x0400;
constexpr UINT WM_APP = 0x8000;

// A window that accepts posted messages.  PostMessage is thread-safe, only
// queues the message for the window's own thread and never waits for it, so
// a capture or streaming thread may call it.
class IMessageTarget {
public:
    virtual ~IMessageTarget() = default;
    virtual BOOL PostMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
};
