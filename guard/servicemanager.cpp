#include "guard/servicemanager.h"

#include "guard/quoting.h"
#include "process/catalogue.h"
#include "process/shell.h"

#include <QDir>

#include <initializer_list>

namespace {

// Hushwell's folder among the application data of the account or of the system; the
// FHS's state folders are lower case.
QString scriptPathFor(const Guard &guard)
{
    const bool own = guard.scope == GuardScope::Account;
    switch (guard.platform) {
    case Platform::MacOS:
        return (own ? guard.dirs.home : QString()) + QStringLiteral("/Library/Application Support/Hushwell/guard.sh");
    case Platform::Linux:
        return own ? guard.dirs.data + QStringLiteral("/Hushwell/guard.sh") : guard.system.state + QStringLiteral("/hushwell/guard.sh");
    }
    Q_UNREACHABLE();
}

ServiceManager launchd(const Guard &guard, uid_t userId)
{
    ServiceManager manager;
    manager.scriptPath = scriptPathFor(guard);
    manager.loginEntry = guard.dirs.home + QStringLiteral("/Library/LaunchAgents/") + guardLabel + QStringLiteral(".plist");
    manager.filePaths = {manager.loginEntry};
    if (!holdsControlCharacter(manager.scriptPath))
        manager.files = {{manager.loginEntry, guardPlistFor(manager.scriptPath)}};

    const QString domain = QStringLiteral("gui/") + QString::number(userId);
    const QString service = domain + QLatin1Char('/') + guardLabel;
    const QString bootout = QStringLiteral("launchctl bootout ") + service + QStringLiteral(" 2>/dev/null");
    const QString sharedPlist = serviceManager(guard.withScope(GuardScope::EveryAccount)).loginEntry;
    manager.commands = {
        .unload = bootout,
        .load = QStringLiteral("launchctl bootstrap ") + domain + QLatin1Char(' ') + shellQuoted(manager.loginEntry)
                + QStringLiteral(" 2>/dev/null; launchctl enable ") + service + QStringLiteral(" 2>/dev/null"),
        .probe = QStringLiteral("launchctl print ") + service + QStringLiteral(" >/dev/null 2>&1 && echo yes"),
        .remove = bootout,
        .resumeShared =
            QStringLiteral("launchctl bootstrap ") + domain + QLatin1Char(' ') + shellQuoted(sharedPlist) + QStringLiteral(" 2>/dev/null"),
        .pauseShared = bootout,
        .unloadIsAsynchronous = true,
    };
    return manager;
}

// `systemctl --user` with each argument list in turn, errors dropped, joined with "; ".
QString systemctlUser(std::initializer_list<QString> calls)
{
    QStringList lines;
    for (const QString &arguments : calls)
        lines << QStringLiteral("systemctl --user ") + arguments + QStringLiteral(" 2>/dev/null");
    return lines.join(QStringLiteral("; "));
}

ServiceManager systemdUser(const Guard &guard)
{
    const UserDirs &dirs = guard.dirs;
    ServiceManager manager;
    const QString units = dirs.config + QStringLiteral("/systemd/user/") + guardLabel;
    manager.scriptPath = scriptPathFor(guard);
    manager.loginEntry = units + QStringLiteral(".timer");
    manager.filePaths = {units + QStringLiteral(".service"), manager.loginEntry};
    if (!holdsControlCharacter(manager.scriptPath))
        manager.files = {{manager.filePaths[0], guardServiceUnitFor(manager.scriptPath)}, {manager.loginEntry, guardTimerUnit()}};
    manager.enabledBy = dirs.config + QStringLiteral("/systemd/user/timers.target.wants/") + guardLabel + QStringLiteral(".timer");

    const QString timer = guardLabel + QStringLiteral(".timer"), service = guardLabel + QStringLiteral(".service");
    // Stopping the service too ends a run in progress, as launchd's bootout does.
    const QString stop = QStringLiteral("stop ") + timer + QLatin1Char(' ') + service;
    // A run cut short by the stop that precedes every load would stay listed as failed.
    const QString resume =
        systemctlUser({QStringLiteral("daemon-reload"), QStringLiteral("start ") + timer, QStringLiteral("reset-failed ") + service});
    manager.commands = {
        .unload = systemctlUser({stop}),
        .load = systemctlUser(
            {QStringLiteral("daemon-reload"), QStringLiteral("enable --now ") + timer, QStringLiteral("reset-failed ") + service}),
        .probe = QStringLiteral("systemctl --user is-active --quiet ") + timer + QStringLiteral(" 2>/dev/null && echo yes"),
        // What "on" is judged by: where each unit was loaded from, what overrides it, and
        // the service's command, input and last result.
        .inspect = QStringLiteral("systemctl --user show -p LoadState,ActiveState,FragmentPath,DropInPaths,NeedDaemonReload,Result,"
                                  "ExecStart,StandardInput ")
                   + timer + QLatin1Char(' ') + service + QStringLiteral(" 2>/dev/null"),
        // Stopped before it is disabled: disable reloads the manager, and a reload makes
        // a loaded OnActiveSec=0 timer fire once more, killing what the user just asked
        // to leave alone.
        .remove = systemctlUser({stop, QStringLiteral("disable ") + timer}),
        // A guard run cut short by the stop would otherwise stay listed as failed.
        .afterRemove =
            systemctlUser({QStringLiteral("daemon-reload"), QStringLiteral("reset-failed ") + service + QLatin1Char(' ') + timer}),
        // su sessions, containers and WSL often have no user manager at all; in a chroot
        // systemctl says "Running in chroot, ignoring command" and succeeds: only a manager
        // that lists its environment answers.
        .reachable = QStringLiteral("systemctl --user show-environment 2>/dev/null | grep -q = && echo yes"),
        .unitsUnseen = QStringLiteral("[ \"$(systemctl --user show -P LoadState ") + timer
                       + QStringLiteral(" 2>/dev/null)\" = not-found ] && systemctl --user show -P UnitPath 2>/dev/null | tr ' ' '\\n'"),
        .resumeShared = resume,
        .pauseShared = systemctlUser({stop, QStringLiteral("reset-failed ") + service}),
    };
    return manager;
}

ServiceManager forEveryAccount(const Guard &guard)
{
    ServiceManager manager;
    manager.scriptPath = scriptPathFor(guard);
    const SystemFolders &system = guard.system;
    switch (guard.platform) {
    case Platform::MacOS:
        manager.loginEntry = QStringLiteral("/Library/LaunchAgents/") + guardLabel + QStringLiteral(".plist");
        manager.filePaths = {manager.loginEntry};
        manager.files = {{manager.loginEntry, guardPlistFor(manager.scriptPath)}};
        // launchd loads it for each user at login; installing it is a file copy.
        return manager;
    case Platform::Linux: {
        const QString units = system.units + QLatin1Char('/') + guardLabel;
        const QString timer = guardLabel + QStringLiteral(".timer");
        manager.oldScriptPaths = {system.data + QStringLiteral("/hushwell/guard.sh")};
        manager.loginEntry = units + QStringLiteral(".timer");
        manager.filePaths = {units + QStringLiteral(".service"), manager.loginEntry};
        if (!holdsControlCharacter(manager.scriptPath))
            manager.files = {{manager.filePaths[0], guardServiceUnitFor(manager.scriptPath)}, {manager.loginEntry, guardTimerUnit()}};
        manager.enabledBy = system.units + QStringLiteral("/timers.target.wants/") + timer;
        manager.sessions = system.runtime;
        const QString global = QStringLiteral("systemctl --global ");
        const QString service = guardLabel + QStringLiteral(".service");
        const QString stop = QStringLiteral("stop ") + timer + QLatin1Char(' ') + service;
        manager.commands = {
            .load = global + QStringLiteral("enable ") + timer + QStringLiteral(" 2>/dev/null"),
            .remove = global + QStringLiteral("disable ") + timer + QStringLiteral(" 2>/dev/null"),
            // Stopped first, so that the new units' OnActiveSec=0 runs the new script at once.
            .loadInSessions = systemctlUser(
                {stop, QStringLiteral("daemon-reload"), QStringLiteral("start ") + timer, QStringLiteral("reset-failed ") + service}),
            // Stopped in every manager before the disable, for the reason an account's own
            // stop is; only where that manager runs the system's units.
            .removeInSessions = QStringLiteral("f=$(systemctl --user show -P FragmentPath ") + timer
                                + QStringLiteral(" 2>/dev/null); case $f in ") + shellQuoted(system.units + QLatin1Char('/'))
                                + QStringLiteral("*) ") + systemctlUser({stop}) + QStringLiteral(";; esac; echo \"$f\""),
            .afterRemoveInSessions =
                systemctlUser({QStringLiteral("daemon-reload"), QStringLiteral("reset-failed ") + service + QLatin1Char(' ') + timer}),
        };
        return manager;
    }
    }
    Q_UNREACHABLE();
}

} // namespace

SystemFolders SystemFolders::forProgramIn(const QString &programDir)
{
    SystemFolders system;
    if (programDir.endsWith(QLatin1String("/bin")))
        system.data = QDir::cleanPath(programDir + QStringLiteral("/../share"));
    return system;
}

UserDirs SystemFolders::asUserDirs() const
{
    return {.home = QString(), .config = config, .data = data, .runtime = QString()};
}

UserDirs Guard::preferences() const
{
    switch (scope) {
    case GuardScope::Account:
        return dirs;
    case GuardScope::EveryAccount:
        return system.asUserDirs();
    }
    Q_UNREACHABLE();
}

ServiceManager serviceManager(const Guard &guard, uid_t userId)
{
    if (guard.scope == GuardScope::EveryAccount)
        return forEveryAccount(guard);
    switch (guard.platform) {
    case Platform::MacOS:
        return launchd(guard, userId);
    case Platform::Linux:
        return systemdUser(guard);
    }
    Q_UNREACHABLE();
}

QString guardScriptPath(const Guard &guard)
{
    return serviceManager(guard).scriptPath;
}

QString guardPlistPath(const Guard &guard)
{
    return serviceManager(guard).loginEntry;
}
