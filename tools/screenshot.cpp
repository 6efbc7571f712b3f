// Renders the real window offscreen and saves it with the drawer closed and open, and
// optionally its About panel (QT_SCALE_FACTOR=2 renders all at 2x):
//   hushwell-screenshot CLOSED.png OPEN.png [ABOUT.png]
// The preferences and guard of whatever HOME it runs under decide what it shows;
// scripts/screenshot.sh gives it a fresh one.
#include "app/appdelegate.h"
#include "app/sound.h"

#include <QApplication>
#include <QMainWindow>
#include <QPushButton>
#include <QThread>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    chooseMediaBackend();
    QApplication app(argc, argv);
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: hushwell-screenshot CLOSED.png OPEN.png [ABOUT.png]\n");
        return 2;
    }
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    QMainWindow *window = delegate.mainWindow();
    // Until the first reading is shown and nothing more is under way: the drawer's move
    // too, which is animated.
    const auto settle = [&delegate] {
        for (int idle = 0; idle < 20;) {
            QApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(10);
            idle = delegate.busy() ? 0 : idle + 1;
        }
    };
    settle();
    bool saved = window->grab().save(QString::fromLocal8Bit(argv[1]));
    delegate.toggleSettings();
    settle();
    saved = window->grab().save(QString::fromLocal8Bit(argv[2])) && saved;
    if (argc == 4) {
        // The panel is modal: it is grabbed and closed from the loop it runs.
        bool aboutSaved = false;
        QTimer::singleShot(200, [&] {
            if (QWidget *about = QApplication::activeModalWidget()) {
                aboutSaved = about->grab().save(QString::fromLocal8Bit(argv[3]));
                about->close();
            }
        });
        delegate.showAbout();
        saved = aboutSaved && saved;
    }
    return saved ? 0 : 1;
}
