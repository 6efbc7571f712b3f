#include "support/managedhome.h"

#include "cli/cli.h"
#include "guard/guardcontrol.h"
#include "process/shell.h"

#include <QDir>
#include <QFile>
#include <QTextStream>

bool ManagedHome::startManager(const UserDirs &dirs)
{
    QProcessEnvironment environment;
    for (const auto &[name, value] : {std::pair{"HOME", dirs.home},
                                      {"XDG_CONFIG_HOME", dirs.config},
                                      {"XDG_DATA_HOME", dirs.data},
                                      {"XDG_RUNTIME_DIR", dirs.runtime},
                                      {"PATH", qEnvironmentVariable("PATH")}})
        environment.insert(QLatin1String(name), value);
    manager.setProcessEnvironment(environment);
    manager.setProcessChannelMode(QProcess::MergedChannels);
    manager.setStandardOutputFile(dirs.runtime + QStringLiteral("/manager.log"), QIODevice::Append);
    // In the cgroup a login gives it (user@UID.service, as the run's own cgroup namespace
    // sees it), so that the journal files what its units print under their unit names.
    const QString inLoginCgroup = qEnvironmentVariableIsEmpty("HUSHWELL_CGROUPS")
                                      ? QString()
                                      : QStringLiteral("for h in /sys/fs/cgroup/systemd /sys/fs/cgroup/unified /sys/fs/cgroup; do"
                                                       "  c=$h/user.slice/user-$(id -u).slice/user@$(id -u).service;"
                                                       "  [ -e $h/cgroup.procs ] && mkdir -p $c && echo $$ >$c/cgroup.procs;"
                                                       " done; ");
    manager.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), inLoginCgroup + QStringLiteral("exec /lib/systemd/systemd --user")});
    // Reachable, and done starting its default units (the guard's timer among them).
    return waitUntil(
        [this, dirs] {
            return manager.state() != QProcess::NotRunning && QFile::exists(dirs.runtime + QStringLiteral("/systemd/private"))
                   && ::system("systemctl --user is-system-running --wait >/dev/null 2>&1;"
                               " systemctl --user show-environment >/dev/null 2>&1")
                          == 0;
        },
        15000);
}

void ManagedHome::stopManager()
{
    if (manager.state() == QProcess::NotRunning)
        return;
    manager.terminate();
    if (!manager.waitForFinished(15000))
        manager.kill();
    manager.waitForFinished();
    QFile::remove(UserDirs::fromEnvironment().runtime + QStringLiteral("/systemd/private"));
}

void ManagedHome::SetUp()
{
    static QString failedBefore; // one manager that cannot start is reason enough for all
    PrivateProcesses::SetUp();
    if (IsSkipped() || HasFatalFailure())
        return;
    QString why = qEnvironmentVariable("HUSHWELL_NO_USER_MANAGER");
    if (why.isEmpty())
        why = failedBefore;
    if (why.isEmpty() && !startManager()) {
        failedBefore = QStringLiteral("systemd --user did not answer within 15 s (see its manager.log)");
        why = failedBefore;
    }
    if (!why.isEmpty())
        skipOrFailForIsolation("needs a systemd --user manager of its own: " + why.toStdString());
}

void ManagedHome::TearDown()
{
    if (!IsSkipped()) {
        stopGuard();
        stopManager();
        QDir home(UserDirs::fromEnvironment().home);
        home.removeRecursively();
        home.mkpath(QStringLiteral("."));
    }
    PrivateProcesses::TearDown();
}

CtlResult ctl(const QStringList &args)
{
    CtlResult result;
    QTextStream out(&result.out), err(&result.err);
    result.status = runCli(args, out, err);
    out.flush();
    err.flush();
    return result;
}

QString systemctl(const QString &arguments)
{
    return shell("systemctl --user " + arguments + " 2>/dev/null");
}
