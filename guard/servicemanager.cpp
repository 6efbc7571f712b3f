#include "guard/servicemanager.h"

#include "process/catalogue.h"
#include "process/shell.h"

GuardCommands guardCommands(Platform platform, uid_t userId, const QString &plistPath)
{
    switch (platform) {
    case Platform::MacOS: {
        const QString domain = QStringLiteral("gui/") + QString::number(userId);
        const QString service = domain + QLatin1Char('/') + guardLabel;
        const QString bootout = QStringLiteral("launchctl bootout ") + service + QStringLiteral(" 2>/dev/null");
        return {
            bootout,
            QStringLiteral("launchctl bootstrap ") + domain + QLatin1Char(' ') + shellQuoted(plistPath)
                + QStringLiteral(" 2>/dev/null; launchctl enable ") + service + QStringLiteral(" 2>/dev/null"),
            QStringLiteral("launchctl print ") + service + QStringLiteral(" >/dev/null 2>&1 && echo yes"),
            bootout,
            QString(),
            QString(),
            true,
        };
    }
    case Platform::Linux: {
        const QString timer = guardLabel + QStringLiteral(".timer");
        // Stopping the service too ends a run in progress, as launchd's bootout does.
        const QString stop = QStringLiteral("systemctl --user stop ") + timer + QLatin1Char(' ') + guardLabel
                             + QStringLiteral(".service 2>/dev/null");
        const QString reload = QStringLiteral("systemctl --user daemon-reload 2>/dev/null");
        return {
            stop,
            reload + QStringLiteral("; systemctl --user enable --now ") + timer + QStringLiteral(" 2>/dev/null"),
            QStringLiteral("systemctl --user is-active --quiet ") + timer + QStringLiteral(" 2>/dev/null && echo yes"),
            // Stopped before it is disabled: disable reloads the manager, and a reload makes
            // a loaded OnActiveSec=0 timer fire once more, killing what the user just
            // asked to leave alone.
            stop + QStringLiteral("; systemctl --user disable ") + timer + QStringLiteral(" 2>/dev/null"),
            // A guard run cut short by the stop would otherwise stay listed as failed.
            reload + QStringLiteral("; systemctl --user reset-failed ") + guardLabel + QStringLiteral(".service ") + timer
                + QStringLiteral(" 2>/dev/null"),
            // su sessions, containers and WSL often have no user manager at all.
            QStringLiteral("systemctl --user show-environment >/dev/null 2>&1 && echo yes"),
            false,
        };
    }
    }
    Q_UNREACHABLE();
}
