#include "guard/servicemanager.h"

#include "guard/quoting.h"
#include "process/catalogue.h"

GuardCommands guardCommands(Platform platform, uid_t userId, const QString &plistPath)
{
    if (platform == Platform::MacOS) {
        const QString domain = QStringLiteral("gui/") + QString::number(userId);
        const QString service = domain + QLatin1Char('/') + guardLabel;
        return {
            QStringLiteral("launchctl bootout ") + service + QStringLiteral(" 2>/dev/null; "),
            QStringLiteral("launchctl bootstrap ") + domain + QLatin1Char(' ') + shellQuoted(plistPath)
                + QStringLiteral(" 2>/dev/null; launchctl enable ") + service + QStringLiteral(" 2>/dev/null"),
            QStringLiteral("launchctl print ") + service + QStringLiteral(" >/dev/null 2>&1 && echo yes"),
            QStringLiteral("launchctl bootout ") + service + QStringLiteral(" 2>/dev/null"),
            QString(),
            true,
        };
    }
    const QString timer = guardLabel + QStringLiteral(".timer");
    const QString service = guardLabel + QStringLiteral(".service");
    // Stopping the service too ends a run in progress, as launchd's bootout does;
    // otherwise a run that began just before could still kill after the guard stopped.
    return {
        QStringLiteral("systemctl --user stop ") + timer + QLatin1Char(' ') + service + QStringLiteral(" 2>/dev/null; "),
        QStringLiteral("systemctl --user daemon-reload 2>/dev/null; systemctl --user enable --now ") + timer
            + QStringLiteral(" 2>/dev/null"),
        QStringLiteral("systemctl --user is-active --quiet ") + timer + QStringLiteral(" 2>/dev/null && echo yes"),
        QStringLiteral("systemctl --user disable --now ") + timer + QStringLiteral(" 2>/dev/null; systemctl --user stop ")
            + service + QStringLiteral(" 2>/dev/null"),
        QStringLiteral("systemctl --user daemon-reload 2>/dev/null"),
        false,
    };
}

QString startCommandLine(const GuardCommands &commands)
{
    return commands.unload + commands.load;
}
