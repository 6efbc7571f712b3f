// Start-up to first painted frame, resident memory, and what the idle window costs:
//   bench_window START_NS [IDLE_SECONDS]
// With IDLE_SECONDS 0 it prints only the milliseconds to the first frame and the resident
// KiB then, and ends there; otherwise what the idle window cost.
// START_NS is the wall clock (ns since the epoch) just before this process was started.
// Runs the window as the program does, on whatever platform QT_QPA_PLATFORM names.
#include "app/appdelegate.h"
#include "app/sound.h"
#include "bench/resident.h"

#include <QApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

namespace {

double cpuMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
}

// Sees every event the application delivers: notes the first paint of the window and
// counts timer events that are not the benchmark's own.
class Watcher : public QObject
{
public:
    qint64 startNs = 0;
    bool painted = false;
    bool counting = false;
    int timerEvents = 0;
    QStringList qtInternal;
    QObject *own = nullptr;
    QObject *controller = nullptr;
    std::function<void()> onFirstPaint;

    bool eventFilter(QObject *object, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !painted && object->objectName() == QLatin1String("casing")) {
            painted = true;
            QTimer::singleShot(0, onFirstPaint); // after this paint has been done
        }
        if (counting && event->type() == QEvent::Timer && object != own) {
            // Hushwell's own objects are its controller, its widgets and any QTimer; the
            // rest belong to Qt (such as the pixmap cache's periodic flush).
            if (object == controller || object->isWidgetType() || object->inherits("QTimer"))
                ++timerEvents;
            else
                qtInternal << QString::fromLatin1(object->metaObject()->className());
        }
        return false;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    chooseMediaBackend();
    QApplication app(argc, argv);
    Watcher watcher;
    watcher.startNs = argc > 1 ? QByteArray(argv[1]).toLongLong() : QDateTime::currentMSecsSinceEpoch() * 1000000;
    const int idleSeconds = argc > 2 ? atoi(argv[2]) : 30;
    app.installEventFilter(&watcher);

    AppDelegate delegate;
    watcher.controller = &delegate;
    QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);

    QTimer idleEnd;
    idleEnd.setSingleShot(true);
    watcher.own = &idleEnd;
    double cpuAtStart = 0;
    QElapsedTimer idleClock;
    watcher.onFirstPaint = [&] {
        const double ms = (QDateTime::currentMSecsSinceEpoch() * 1000000 - watcher.startNs) / 1e6;
        if (idleSeconds == 0) {
            // Milliseconds and resident KiB, as bench_floor prints them. Ends here, without
            // the teardown, so that an instruction count of the whole process is that of
            // its start up to this frame.
            std::printf("%.1f %ld\n", ms, residentKib());
            std::fflush(stdout);
            std::_Exit(0);
        }
        // Idle begins once what the launch set going after its first frame (the first
        // refresh, the icon) has finished.
        QTimer::singleShot(2000, [&] {
            watcher.counting = true;
            cpuAtStart = cpuMs();
            idleClock.start();
            idleEnd.start(idleSeconds * 1000);
        });
    };
    QObject::connect(&idleEnd, &QTimer::timeout, [&] {
        // Seconds idle, CPU milliseconds in them, timer events of its own and of Qt's (named).
        std::printf("%.1f %.1f %d %lld %s\n", idleClock.elapsed() / 1000.0, cpuMs() - cpuAtStart, watcher.timerEvents,
                    static_cast<long long>(watcher.qtInternal.size()), qPrintable(watcher.qtInternal.join(QLatin1Char(' '))));
        QApplication::quit();
    });
    return app.exec();
}
