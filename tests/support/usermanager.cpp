#include "support/usermanager.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

extern char **environ;

UserManager::UserManager()
{
    ::chmod(QFile::encodeName(runtimeDir.path()).constData(), 0700);
    qputenv("XDG_RUNTIME_DIR", runtimeDir.path().toUtf8());
}

UserManager::~UserManager()
{
    stop();
    qunsetenv("XDG_RUNTIME_DIR");
}

QString UserManager::unavailableReason()
{
    const QString why = qEnvironmentVariable("HUSHWELL_NO_USER_MANAGER");
    if (!why.isEmpty())
        return why;
    if (qEnvironmentVariable("HUSHWELL_PRIVATE_SYSTEMD") != QLatin1String("1"))
        return QStringLiteral("not started through tests/support/private-systemd.sh");
    return {};
}

bool UserManager::start()
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray log = QFile::encodeName(runtimeDir.path() + QStringLiteral("/manager.log"));
    posix_spawn_file_actions_addopen(&actions, 1, log.constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    char exe[] = "/lib/systemd/systemd", user[] = "--user";
    char *argv[] = {exe, user, nullptr};
    const int failed = ::posix_spawn(&pid, exe, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed) {
        pid = -1;
        return false;
    }
    const QString socket = runtimeDir.path() + QStringLiteral("/systemd/private");
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired()) {
        // Reachable, and done starting its default units (the guard's timer among them).
        if (QFile::exists(socket)
            && ::system("systemctl --user is-system-running --wait >/dev/null 2>&1;"
                        " systemctl --user show-environment >/dev/null 2>&1") == 0)
            return true;
        QThread::msleep(50);
    }
    return false;
}

void UserManager::stop()
{
    if (pid <= 0)
        return;
    ::kill(pid, SIGTERM);
    const QDeadlineTimer deadline(15000);
    while (::waitpid(pid, nullptr, WNOHANG) == 0) {
        if (deadline.hasExpired()) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            break;
        }
        QThread::msleep(20);
    }
    pid = -1;
    QFile::remove(runtimeDir.path() + QStringLiteral("/systemd/private"));
}

bool UserManager::restart()
{
    stop();
    return start();
}
