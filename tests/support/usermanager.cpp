#include "support/usermanager.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

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
    QProcessEnvironment environment;
    for (const auto &[name, value] : {std::pair{"HOME", dirs.home}, {"XDG_CONFIG_HOME", dirs.config},
                                      {"XDG_DATA_HOME", dirs.data}, {"XDG_RUNTIME_DIR", dirs.runtime},
                                      {"PATH", qEnvironmentVariable("PATH")}})
        environment.insert(QLatin1String(name), value);
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardOutputFile(dirs.runtime + QStringLiteral("/manager.log"), QIODevice::Append);
    process.start(QStringLiteral("/lib/systemd/systemd"), {QStringLiteral("--user")});
    const QDeadlineTimer deadline(15000);
    while (process.state() != QProcess::NotRunning && !deadline.hasExpired()) {
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
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(15000)) {
        process.kill();
        process.waitForFinished();
    }
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
