#include "app/appdelegate.h"
#include "process/version.h"
#include "app/presentation.h"
#include "app/sound.h"

#include <QApplication>
#include <QProcessEnvironment>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (const auto message = noGraphicalSessionMessage(nativePlatform(), QProcessEnvironment::systemEnvironment().toStringList())) {
        std::fprintf(stderr, "%s\n", qPrintable(*message));
        return 1;
    }
    chooseMediaBackend();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Hushwell"));
    QApplication::setApplicationVersion(QStringLiteral(HUSHWELL_VERSION));
    AppDelegate delegate;
    // Like a launch notification: the window is built once the event loop runs.
    QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);
    return app.exec();
}
