// How long the window keeps its event loop from running, and what a dome repaint costs:
//   bench_responsiveness blocks   longest block during a refresh, a hover and a settings
//                                 change (with the guard on, where a user manager answers)
//   bench_responsiveness dome     a dome repaint beside a QPushButton's, at 1x and 2x
//   bench_responsiveness floor START_NS   first painted frame of a bare QLabel window
#include "app/appdelegate.h"
#include "guard/guardcontrol.h"
#include "skin/domebutton.h"
#include "skin/skin.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QLabel>
#include <QMainWindow>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <time.h>

namespace {

// The main thread's own CPU time, in milliseconds.
double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// The longest gap between two turns of the event loop, and how much of it the main thread
// itself ran (the rest it waited for a core: on two cores a scan of the process table and
// the service manager's reload compete with it).
struct Block {
    double wallMs = 0, cpuMs = 0;
};

// Runs the event loop until the window has no job left, and returns its longest block.
Block longestBlock(const AppDelegate &delegate, const std::function<void()> &start)
{
    QElapsedTimer clock;
    clock.start();
    double cpu = threadCpuMs();
    start();
    Block longest{double(clock.nsecsElapsed()) / 1e6, threadCpuMs() - cpu}; // what `start` itself held the loop for
    for (int idleTurns = 0; idleTurns < 20;) {
        const qint64 last = clock.nsecsElapsed();
        cpu = threadCpuMs();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const Block turn{double(clock.nsecsElapsed() - last) / 1e6, threadCpuMs() - cpu};
        if (turn.wallMs > longest.wallMs)
            longest = turn;
        idleTurns = delegate.busy() ? 0 : idleTurns + 1;
    }
    return longest;
}

void printBlock(const char *what, const Block &block)
{
    std::printf("  %s: %.0f ms (the main thread ran %.1f ms of it)\n", what, block.wallMs, block.cpuMs);
}

int blocks()
{
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    QMainWindow *window = delegate.mainWindow();
    longestBlock(delegate, [] {}); // the first frame and its refresh
    auto *refresh = window->findChild<QPushButton *>(QStringLiteral("refreshButton"));
    auto *detail = window->findChild<QLabel *>(QStringLiteral("detail"));
    auto *coreSync = window->findChild<QCheckBox *>(QStringLiteral("coreSyncBox"));
    printBlock("refresh", longestBlock(delegate, [&] { refresh->click(); }));
    printBlock("hover on the count", longestBlock(delegate, [&] {
                   QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), detail->mapToGlobal(QPoint(5, 5)));
                   QCoreApplication::sendEvent(detail, &hover);
               }));
    if (serviceManagerReachable() && startGuard()) {
        printBlock("settings change, guard on", longestBlock(delegate, [&] { coreSync->click(); }));
        stopGuard();
    } else {
        std::printf("  settings change, guard on: skipped (no user manager answers)\n");
    }
    std::printf("  goal: no block longer than 16 ms (one frame at 60 Hz)\n");
    return 0;
}

// Microseconds per repaint of `widget` into an image at a device pixel ratio, median of 7
// runs of 200.
double repaintUs(QWidget &widget, qreal ratio)
{
    QImage image(widget.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    std::vector<double> runs;
    for (int run = 0; run < 7; ++run) {
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 200; ++i) {
            QPainter painter(&image);
            widget.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
        }
        runs.push_back(clock.nsecsElapsed() / 1e3 / 200);
    }
    std::sort(runs.begin(), runs.end());
    return runs[3];
}

int dome()
{
    DomeButton dome;
    dome.resize(210, 210);
    dome.setBackdrop(Skin::housing()); // as the window shows it
    QPushButton button(QStringLiteral("Start Guard"));
    button.resize(115, 30);
    for (const qreal ratio : {1.0, 2.0}) {
        const double domeUs = repaintUs(dome, ratio), buttonUs = repaintUs(button, ratio);
        std::printf("  at %.0fx: dome %.0f us, QPushButton %.0f us, ratio %.2f (goal <= 2)\n", ratio, domeUs, buttonUs, domeUs / buttonUs);
    }
    return 0;
}

int floorFrame(qint64 startNs)
{
    QLabel label(QStringLiteral("Checking\u2026"));
    label.resize(420, 600);
    struct FirstPaint : QObject {
        qint64 startNs;
        bool eventFilter(QObject *, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                QTimer::singleShot(0, [this] {
                    std::printf("%.0f\n", (QDateTime::currentMSecsSinceEpoch() * 1000000 - startNs) / 1e6);
                    QApplication::quit();
                });
            return false;
        }
    } watch;
    watch.startNs = startNs;
    label.installEventFilter(&watch);
    label.show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QByteArray mode = argc > 1 ? argv[1] : "";
    if (mode == "blocks")
        return blocks();
    if (mode == "dome")
        return dome();
    if (mode == "floor" && argc > 2)
        return floorFrame(QByteArray(argv[2]).toLongLong());
    std::fprintf(stderr, "usage: bench_responsiveness blocks | dome | floor START_NS\n");
    return 2;
}
