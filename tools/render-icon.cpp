// Renders the application icon from the program's own drawing code, at build time:
//   hushwell-icon OUTPUT_DIR SIZE...
// writes OUTPUT_DIR/hushwell-SIZE.png for each size.
#include "skin/domeicon.h"

#include <QApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: hushwell-icon OUTPUT_DIR SIZE...\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);
    for (int i = 2; i < argc; ++i) {
        const int size = atoi(argv[i]);
        if (size <= 0 || !renderDomeIcon(size).save(QStringLiteral("%1/hushwell-%2.png").arg(dir).arg(size))) {
            std::fprintf(stderr, "hushwell-icon: could not write the %s pixel icon\n", argv[i]);
            return 1;
        }
    }
    return 0;
}
