// How long the window keeps its event loop from running, and what a dome repaint costs:
//   bench_responsiveness blocks ROUNDS   for a refresh, a hover, a settings change and a
//       kill (with the guard on, where a user manager answers), and for an idle stretch
//       (the floor): "NAME WALL CPU" a line, WALL the median over ROUNDS of the longest
//       block in milliseconds, CPU the most the main thread itself ran in any block
//   bench_responsiveness dome|button RATIO N   N repaints at that pixel ratio, counted by
//       callgrind (run it with --instr-atstart=no): the first repaint, which builds
//       what later ones reuse, is left out
#include "app/appdelegate.h"
#include "guard/guardcontrol.h"
#include "skin/domebutton.h"
#include "skin/skin.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
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
#include <utility>
#include <vector>

#if __has_include(<valgrind/callgrind.h>)
#include <valgrind/callgrind.h>
#else
#define CALLGRIND_START_INSTRUMENTATION
#define CALLGRIND_STOP_INSTRUMENTATION
#endif

namespace {

// The main thread's own CPU time, in milliseconds.
double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// What one delivery of an event (a click, a timer, a job's result, a paint) kept the event
// loop from running: its wall time, and how much of it the main thread itself ran (the rest
// it waited for a core: on two cores a scan of the process table and the service manager's
// reload compete with it).
struct Block {
    double wallMs = 0, cpuMs = 0;
};

// Times every event the application delivers from its event loop (nested deliveries are
// part of the outer one), keeping the longest by wall time and the most CPU of any.
class TimedApplication : public QApplication
{
public:
    using QApplication::QApplication;
    Block longest, mostCpu;

    bool notify(QObject *receiver, QEvent *event) override
    {
        if (depth > 0)
            return QApplication::notify(receiver, event);
        ++depth;
        QElapsedTimer clock;
        clock.start();
        const double cpu = threadCpuMs();
        const bool done = QApplication::notify(receiver, event);
        const Block block{double(clock.nsecsElapsed()) / 1e6, threadCpuMs() - cpu};
        --depth;
        if (block.wallMs > longest.wallMs)
            longest = block;
        if (block.cpuMs > mostCpu.cpuMs)
            mostCpu = block;
        return done;
    }

private:
    int depth = 0;
};

// Runs `start` and then the event loop until the window has had no job for 20 ms, and
// returns its longest block and the most CPU of any block.
std::pair<Block, Block> longestBlock(const AppDelegate &delegate, const std::function<void()> &start)
{
    auto *app = static_cast<TimedApplication *>(QCoreApplication::instance());
    QElapsedTimer clock;
    clock.start();
    const double cpu = threadCpuMs();
    start();
    app->longest = app->mostCpu = {double(clock.nsecsElapsed()) / 1e6, threadCpuMs() - cpu}; // what `start` itself held the loop for
    QEventLoop loop;
    QTimer check;
    int idleChecks = 0;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        idleChecks = delegate.busy() ? 0 : idleChecks + 1;
        if (idleChecks >= 4)
            loop.quit();
    });
    check.start(5);
    loop.exec();
    return {app->longest, app->mostCpu};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Runs `action` ROUNDS times and prints the median longest block and the most CPU the
// main thread ran in one.
void measure(const AppDelegate &delegate, const char *name, int rounds, const std::function<void()> &action)
{
    std::vector<double> walls;
    double cpu = 0;
    for (int round = 0; round < rounds; ++round) {
        const auto [longest, mostCpu] = longestBlock(delegate, action);
        walls.push_back(longest.wallMs);
        cpu = std::max(cpu, mostCpu.cpuMs);
    }
    std::printf("%s %.3f %.3f\n", name, median(walls), cpu);
    std::fflush(stdout);
}

int blocks(int rounds)
{
    AppDelegate delegate;
    delegate.applicationDidFinishLaunching();
    QMainWindow *window = delegate.mainWindow();
    longestBlock(delegate, [] {}); // the first frame and its refresh
    auto *refresh = window->findChild<QPushButton *>(QStringLiteral("refreshButton"));
    auto *detail = window->findChild<QLabel *>(QStringLiteral("detail"));
    auto *coreSync = window->findChild<QCheckBox *>(QStringLiteral("coreSyncBox"));
    auto *dome = window->findChild<QAbstractButton *>(QStringLiteral("dome"));
    const bool guardOn = serviceManagerReachable() && startGuard();
    measure(delegate, "idle", rounds, [] {});
    measure(delegate, "refresh", rounds, [&] { refresh->click(); });
    measure(delegate, "hover", rounds, [&] {
        QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), detail->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(detail, &hover);
    });
    if (guardOn)
        measure(delegate, "settings", rounds, [&] { coreSync->click(); });
    measure(delegate, "kill", rounds, [&] { dome->click(); });
    if (guardOn)
        stopGuard();
    return guardOn ? 0 : 3;
}

// N repaints of `widget` into an image at a pixel ratio, counted alone.
int repaints(QWidget &widget, qreal ratio, int count)
{
    QImage image(widget.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    const auto repaint = [&] {
        QPainter painter(&image);
        widget.render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    };
    repaint();
    CALLGRIND_START_INSTRUMENTATION;
    for (int i = 0; i < count; ++i)
        repaint();
    CALLGRIND_STOP_INSTRUMENTATION;
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    TimedApplication app(argc, argv);
    const QByteArray mode = argc > 1 ? argv[1] : "";
    if (mode == "blocks" && argc > 2)
        return blocks(atoi(argv[2]));
    if ((mode == "dome" || mode == "button") && argc > 3) {
        const qreal ratio = QByteArray(argv[2]).toDouble();
        const int count = atoi(argv[3]);
        if (mode == "button") {
            QPushButton button(QStringLiteral("Start Guard"));
            button.resize(115, 30);
            return repaints(button, ratio, count);
        }
        DomeButton dome;
        dome.resize(210, 210);
        dome.setBackdrop(Skin::housing()); // as the window shows it
        return repaints(dome, ratio, count);
    }
    std::fprintf(stderr, "usage: bench_responsiveness blocks ROUNDS | dome RATIO N | button RATIO N\n");
    return 2;
}
