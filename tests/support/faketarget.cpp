#include "support/faketarget.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

FakeTarget::FakeTarget(const QString &commandName, Signals handling)
{
    const QByteArray name = commandName.toUtf8();
    processId = ::fork();
    if (processId == 0) {
        // An ignored signal stays ignored across exec, which is how the TERM-proof fake is made.
        ::signal(SIGTERM, handling == IgnoreTerm ? SIG_IGN : SIG_DFL);
        ::setpgid(0, 0);
        char seconds[] = "300";
        char *argv[] = {const_cast<char *>(name.constData()), seconds, nullptr};
        ::execv("/bin/sleep", argv);
        ::_exit(127);
    }
    // Wait until exec has replaced the forked copy, so ps shows the chosen command line.
    QElapsedTimer timer;
    timer.start();
    const QString cmdline = QStringLiteral("/proc/%1/cmdline").arg(processId);
    while (timer.elapsed() < 5000) {
        QFile file(cmdline);
        if (file.open(QIODevice::ReadOnly) && file.readAll().startsWith(name))
            break;
        QThread::msleep(2);
    }
}

FakeTarget::~FakeTarget()
{
    if (processId > 0 && !reaped) {
        ::kill(processId, SIGKILL);
        ::waitpid(processId, nullptr, 0);
    }
}

bool FakeTarget::alive()
{
    if (reaped)
        return false;
    if (::waitpid(processId, nullptr, WNOHANG) == processId) {
        reaped = true;
        return false;
    }
    return true;
}

bool FakeTarget::diesWithin(double seconds)
{
    QElapsedTimer timer;
    timer.start();
    while (alive()) {
        if (timer.elapsed() > seconds * 1000)
            return false;
        QThread::msleep(20);
    }
    return true;
}
