// The floor of the first-frame figures: a bare QLabel window, linked with Qt Widgets alone
// and built as Hushwell is. Prints the milliseconds from START_NS (the wall clock just
// before this process was started) to its first painted frame, and its resident memory in
// KiB, then ends without its teardown, as bench_window does:
//   bench_floor START_NS
#include "bench/resident.h"

#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

struct FirstPaint : QObject {
    qint64 startNs = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            QTimer::singleShot(0, [this] {
                std::printf("%.1f %ld\n", (QDateTime::currentMSecsSinceEpoch() * 1000000 - startNs) / 1e6, residentKib());
                std::fflush(stdout);
                std::_Exit(0);
            });
        return false;
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    FirstPaint watch;
    watch.startNs = argc > 1 ? QByteArray(argv[1]).toLongLong() : QDateTime::currentMSecsSinceEpoch() * 1000000;
    QLabel label(QStringLiteral("Checking\u2026"));
    label.resize(420, 600);
    label.installEventFilter(&watch);
    label.show();
    return QApplication::exec();
}
