#include "guard/servicemanager.h"

#include "guard/quoting.h"
#include "process/catalogue.h"
#include "process/shell.h"

#include <QDir>

namespace {

ServiceManager launchd(const UserDirs &dirs, uid_t userId)
{
    ServiceManager manager;
    manager.scriptPath = dirs.home + QStringLiteral("/Library/Application Support/Hushwell/guard.sh");
    manager.loginEntry = dirs.home + QStringLiteral("/Library/LaunchAgents/") + guardLabel + QStringLiteral(".plist");
    manager.filePaths = {manager.loginEntry};
    if (!holdsControlCharacter(manager.scriptPath))
        manager.files = {{manager.loginEntry, guardPlistFor(manager.scriptPath)}};

    const QString domain = QStringLiteral("gui/") + QString::number(userId);
    const QString service = domain + QLatin1Char('/') + guardLabel;
    const QString bootout = QStringLiteral("launchctl bootout ") + service + QStringLiteral(" 2>/dev/null");
    manager.commands = {
        bootout,
        QStringLiteral("launchctl bootstrap ") + domain + QLatin1Char(' ') + shellQuoted(manager.loginEntry)
            + QStringLiteral(" 2>/dev/null; launchctl enable ") + service + QStringLiteral(" 2>/dev/null"),
        QStringLiteral("launchctl print ") + service + QStringLiteral(" >/dev/null 2>&1 && echo yes"),
        bootout,
        QString(),
        QString(),
        true,
    };
    return manager;
}

ServiceManager systemdUser(const UserDirs &dirs)
{
    ServiceManager manager;
    const QString units = dirs.config + QStringLiteral("/systemd/user/") + guardLabel;
    manager.scriptPath = dirs.data + QStringLiteral("/Hushwell/guard.sh");
    manager.loginEntry = units + QStringLiteral(".timer");
    manager.filePaths = {units + QStringLiteral(".service"), manager.loginEntry};
    if (!holdsControlCharacter(manager.scriptPath))
        manager.files = {{manager.filePaths[0], guardServiceUnitFor(manager.scriptPath)}, {manager.loginEntry, guardTimerUnit()}};

    const QString timer = guardLabel + QStringLiteral(".timer");
    // Stopping the service too ends a run in progress, as launchd's bootout does.
    const QString stop = QStringLiteral("systemctl --user stop ") + timer + QLatin1Char(' ') + guardLabel
                         + QStringLiteral(".service 2>/dev/null");
    const QString reload = QStringLiteral("systemctl --user daemon-reload 2>/dev/null");
    manager.commands = {
        stop,
        reload + QStringLiteral("; systemctl --user enable --now ") + timer + QStringLiteral(" 2>/dev/null"),
        QStringLiteral("systemctl --user is-active --quiet ") + timer + QStringLiteral(" 2>/dev/null && echo yes"),
        // Stopped before it is disabled: disable reloads the manager, and a reload makes
        // a loaded OnActiveSec=0 timer fire once more, killing what the user just asked
        // to leave alone.
        stop + QStringLiteral("; systemctl --user disable ") + timer + QStringLiteral(" 2>/dev/null"),
        // A guard run cut short by the stop would otherwise stay listed as failed.
        reload + QStringLiteral("; systemctl --user reset-failed ") + guardLabel + QStringLiteral(".service ") + timer
            + QStringLiteral(" 2>/dev/null"),
        // su sessions, containers and WSL often have no user manager at all.
        QStringLiteral("systemctl --user show-environment >/dev/null 2>&1 && echo yes"),
        false,
    };
    return manager;
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
    return {QString(), config, data, QString()};
}

ServiceManager allUsersServiceManager(Platform platform, const SystemFolders &system)
{
    ServiceManager manager;
    switch (platform) {
    case Platform::MacOS:
        manager.scriptPath = QStringLiteral("/Library/Application Support/Hushwell/guard.sh");
        manager.loginEntry = QStringLiteral("/Library/LaunchAgents/") + guardLabel + QStringLiteral(".plist");
        manager.filePaths = {manager.loginEntry};
        manager.files = {{manager.loginEntry, guardPlistFor(manager.scriptPath)}};
        // launchd loads it for each user at login; installing it is a file copy.
        manager.commands.probe = QStringLiteral("[ -f ") + shellQuoted(manager.loginEntry) + QStringLiteral(" ] && echo yes");
        return manager;
    case Platform::Linux: {
        const QString units = system.units + QLatin1Char('/') + guardLabel;
        const QString timer = guardLabel + QStringLiteral(".timer");
        manager.scriptPath = system.data + QStringLiteral("/hushwell/guard.sh");
        manager.loginEntry = units + QStringLiteral(".timer");
        manager.filePaths = {units + QStringLiteral(".service"), manager.loginEntry};
        if (!holdsControlCharacter(manager.scriptPath))
            manager.files = {{manager.filePaths[0], guardServiceUnitFor(manager.scriptPath)}, {manager.loginEntry, guardTimerUnit()}};
        manager.commands.load = QStringLiteral("systemctl --global enable ") + timer + QStringLiteral(" 2>/dev/null");
        manager.commands.probe = QStringLiteral("systemctl --global is-enabled --quiet ") + timer + QStringLiteral(" 2>/dev/null && echo yes");
        manager.commands.remove = QStringLiteral("systemctl --global disable ") + timer + QStringLiteral(" 2>/dev/null");
        return manager;
    }
    }
    Q_UNREACHABLE();
}

ServiceManager serviceManager(Platform platform, const UserDirs &dirs, uid_t userId)
{
    switch (platform) {
    case Platform::MacOS:
        return launchd(dirs, userId);
    case Platform::Linux:
        return systemdUser(dirs);
    }
    Q_UNREACHABLE();
}

QString guardScriptPath(Platform platform, const UserDirs &dirs)
{
    return serviceManager(platform, dirs).scriptPath;
}

QString guardPlistPath(Platform platform, const UserDirs &dirs)
{
    return serviceManager(platform, dirs).loginEntry;
}
