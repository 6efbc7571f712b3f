#include "app/appdelegate.h"
#include "app/presentation.h"
#include "app/sound.h"
#include "process/version.h"

#include <QApplication>
#include <QProcessEnvironment>
#include <QTimer>

#include <cstdio>
#include <span>
#include <unistd.h>

namespace {

// While the platform plugin starts, Qt's own lines are held back: when it cannot start
// (no server on DISPLAY, no plugin for the one named) Qt ends in qFatal, which aborts; the
// user gets one line saying why and exit status 1 instead.
QStringList heldBack;
QByteArray failureLine;

void whileStarting(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtFatalMsg) {
        std::fputs(failureLine.constData(), stderr);
        ::_exit(1);
    }
    heldBack << message;
}

} // namespace

int main(int argc, char *argv[])
{
    const QStringList environment = QProcessEnvironment::systemEnvironment().toStringList();
    if (const auto message = noGraphicalSessionMessage(nativePlatform(), environment)) {
        std::fprintf(stderr, "%s\n", qPrintable(*message));
        return 1;
    }
    QStringList arguments;
    for (const char *argument : std::span(argv, std::size_t(argc)))
        arguments << QString::fromLocal8Bit(argument);
    if (const auto message = unsupportedPlatformMessage(environment, arguments)) {
        std::fprintf(stderr, "%s\n", qPrintable(*message));
        return 1;
    }
    chooseMediaBackend();
    failureLine = displayFailureMessage(environment).toLocal8Bit() + '\n';
    qInstallMessageHandler(whileStarting);
    QApplication app(argc, argv);
    qInstallMessageHandler(nullptr);
    for (const QString &line : heldBack)
        std::fprintf(stderr, "%s\n", qPrintable(line));

    QApplication::setApplicationName(QStringLiteral("Hushwell"));
    QApplication::setApplicationVersion(QStringLiteral(HUSHWELL_VERSION));
    int status = 0;
    {
        AppDelegate delegate;
        // Like a launch notification: the window is built once the event loop runs.
        QTimer::singleShot(0, &delegate, &AppDelegate::applicationDidFinishLaunching);
        status = app.exec();
    } // the controller waits for a kill or a guard change still running
    return leaveApplication(status);
}
