#include "support/usermanager.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

UserManager::UserManager(const UserDirs &dirs) : dirs(dirs) {}

UserManager::~UserManager()
{
    stop();
}

QString UserManager::unavailableReason()
{
    const QString why = notIsolatedReason();
    return why.isEmpty() ? qEnvironmentVariable("HUSHWELL_NO_USER_MANAGER") : why;
}

bool UserManager::start()
{
    QByteArrayList environment;
    for (const auto &[name, value] : {std::pair{"HOME", dirs.home}, {"XDG_CONFIG_HOME", dirs.config},
                                      {"XDG_DATA_HOME", dirs.data}, {"XDG_RUNTIME_DIR", dirs.runtime},
                                      {"PATH", qEnvironmentVariable("PATH")}})
        environment << QByteArray(name) + '=' + QFile::encodeName(value);
    std::vector<char *> envp;
    for (QByteArray &entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    const QByteArray log = QFile::encodeName(dirs.runtime + QStringLiteral("/manager.log"));
    posix_spawn_file_actions_addopen(&actions, 1, log.constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    char exe[] = "/lib/systemd/systemd", user[] = "--user";
    char *argv[] = {exe, user, nullptr};
    const int failed = ::posix_spawn(&pid, exe, &actions, nullptr, argv, envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (failed) {
        pid = -1;
        return false;
    }
    const QDeadlineTimer deadline(15000);
    while (!deadline.hasExpired()) {
        // Reachable, and done starting its default units (the guard's timer among them).
        if (QFile::exists(dirs.runtime + QStringLiteral("/systemd/private"))
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
    QFile::remove(dirs.runtime + QStringLiteral("/systemd/private"));
}

bool UserManager::restart()
{
    stop();
    return start();
}

void ManagedHome::SetUp()
{
    static QString failedBefore; // one manager that cannot start is reason enough for all
    PrivateProcesses::SetUp();
    if (IsSkipped())
        return;
    QString why = UserManager::unavailableReason();
    if (why.isEmpty())
        why = failedBefore;
    if (why.isEmpty() && !manager.start())
        why = failedBefore = QStringLiteral("systemd --user did not answer within 15 s (see its manager.log)");
    if (!why.isEmpty())
        GTEST_SKIP() << "needs a systemd --user manager of its own: " << why.toStdString();
}

void ManagedHome::TearDown()
{
    if (!IsSkipped()) {
        stopGuard();
        manager.stop();
        const QString home = UserDirs::fromEnvironment().home;
        QDir(home).removeRecursively();
        QDir().mkpath(home);
    }
    PrivateProcesses::TearDown();
}
