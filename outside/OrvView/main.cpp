// OrvView MESSAGEID: shows the message of that identifier from the support
// data folder and ends when the user closes it.  With a display it opens a
// small window; without one it prints the message, and on a terminal waits
// for Enter.
//
// Exit codes: 0 shown; 160 not one argument; 13 an identifier that names no
// file of its own; 2 no such message.
#include "message_store.h"
#include "process/process.h"
#include "support_folder.h"
#include "viewer_window.h"

#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

bool HasDisplay()
{
    const char* x = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x && *x) || (wayland && *wayland);
}

DWORD Show(int argc, char** argv)
{
    if (argc != 2)
        return ERROR_BAD_ARGUMENTS;
    const std::string id = argv[1];
    if (!IsValidMessageId(id))
        return ERROR_INVALID_DATA;
    const auto text = LoadMessageText(SupportDataFolder(), id);
    if (!text)
        return ERROR_FILE_NOT_FOUND;
    if (HasDisplay()) {
        QApplication app(argc, argv);
        COrvViewWindow window(QString::fromStdString(*text));
        window.exec();
        return ERROR_SUCCESS;
    }
    std::printf("%s\n", text->c_str());
    std::fflush(stdout);
    if (::isatty(STDIN_FILENO)) {
        std::printf("[Enter で閉じます]\n");
        std::fflush(stdout);
        for (int c; (c = std::getchar()) != EOF && c != '\n';) {}
    }
    return ERROR_SUCCESS;
}

} // namespace

int main(int argc, char** argv)
{
    return ExitCodeForMain(Show(argc, argv));
}
