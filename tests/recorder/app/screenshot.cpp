// Takes the README's picture of the main window: starts the recorder with
// answered boxes and a private sound server, and saves what the display
// shows of the frame.
//   xvfb-run -a -s "-screen 0 1024x768x24" build/tests/recorder_screenshot docs/recorder.png
#include "app/brisa_record_app.h"
#include "app/main_frame.h"
#include "pulse_server.h"
#include "toolkit/scripted_ui.h"

#include <QApplication>
#include <QScreen>
#include <QThread>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: recorder_screenshot OUT.png\n");
        return 2;
    }
    QApplication qt(argc, argv);
    ::setenv("LC_ALL", "ja_JP.UTF-8", 1);
    testkit::PulseServer sound; // the start checks the sound device
    if (!sound.Start()) {
        std::fprintf(stderr, "no sound server: %s\n", sound.Log().c_str());
        return 1;
    }
    ScriptedUi ui; // the MP3 notice and any other box are answered
    CBrisaRecordApp app;
    if (!app.InitInstance())
        return 1;
    CMainFrame* frame = app.GetMainFrame();
    frame->Widget()->move(0, 0);
    for (int i = 0; i < 20; ++i) {
        app.PumpAndIdle();
        QThread::msleep(50);
    }
    const QPixmap shot = frame->Widget()->screen()->grabWindow(frame->Widget()->winId());
    const bool saved = shot.save(QString::fromLocal8Bit(argv[1]));
    frame->SendMessage(WM_CLOSE);
    app.ExitInstance();
    return saved ? 0 : 1;
}
