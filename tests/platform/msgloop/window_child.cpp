// A program with one hidden window of the class given as its argument: prints
// "ready" once the window exists and ends with 7 after a WM_CLOSE reached it,
// whoever sent it (another process through the class, or SIGTERM).
#include "msgloop/msgloop.h"

#include <cstdio>

namespace {

class Proc : public IWindowProc {
public:
    LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override
    {
        if (message == WM_CLOSE) {
            std::printf("close\n");
            std::fflush(stdout);
            PostQuitMessage(7);
        }
        return DefWindowProc(hwnd, message, wParam, lParam);
    }
};

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    Proc proc;
    if (!CreateHiddenWindow(argv[1], &proc))
        return 3;
    std::printf("ready\n");
    std::fflush(stdout);
    return RunMessageLoop();
}
