#include "app/appdelegate.h"
#include "app/sound.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char *argv[])
{
    chooseMediaBackend();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Hushwell"));
    QApplication::setApplicationVersion(QStringLiteral(HUSHWELL_VERSION));
    AppDelegate delegate;
    // Like a launch notification: the window is built once the event loop runs.
    QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);
    return app.exec();
}
