#include "guard/guardpanel.h"

#include "guard/guardcontrol.h"
#include "process/catalogue.h"

GuardPanel guardPanelFor(bool guardIsRunning)
{
    if (guardIsRunning)
        return {.on = true,
                .status = QStringLiteral("Guard on"),
                .detail = QStringLiteral("Anything Adobe restarts is killed within %1 seconds.").arg(guardInterval),
                .startEnabled = false,
                .stopEnabled = true};
    return {.on = false,
            .status = QStringLiteral("Guard off"),
            .detail = QStringLiteral("Opening an Adobe app will start them again."),
            .startEnabled = true,
            .stopEnabled = false};
}

GuardPanel guardPanelFor(GuardState state)
{
    switch (state) {
    case GuardState::On:
        return guardPanelFor(true);
    case GuardState::Off:
        return guardPanelFor(false);
    case GuardState::Unknown:
        break;
    }
    return {
        .on = false, .status = QStringLiteral("Can't check"), .detail = guardNoManagerText, .startEnabled = false, .stopEnabled = false};
}

GuardPanel guardPanelFor(const GuardReading &reading)
{
    GuardPanel panel = guardPanelFor(reading.state);
    if (reading.refreshed)
        panel.detail = guardRefreshedText;
    else if (!reading.detail.isEmpty())
        panel.detail = reading.detail;
    return panel;
}

QString sessionSilentText(const QString &account, bool starting)
{
    return starting ? QStringLiteral("%1's session did not answer; it gets the guard at its next login.").arg(account)
                    : QStringLiteral("%1's session did not answer; the guard runs there until its next login.").arg(account);
}

QString ownGuardKeptText(const QString &account)
{
    return QStringLiteral("%1 keeps a guard of the account's own: %1 stops it with hushwellctl guard stop.").arg(account);
}

QString guardNotRemovedText(const QString &path)
{
    return QStringLiteral("Couldn't remove %1; the guard is still installed.").arg(path);
}

QString guardWriteFailedText(const QString &path)
{
    return QStringLiteral("Couldn't write %1; the guard keeps what it had.").arg(path);
}

QString guardLockFailedText(const QString &path)
{
    return QStringLiteral("Couldn't lock %1; nothing was changed.").arg(path);
}

QString guardUnitsUnseenText(const QString &written, const QString &managerReads)
{
    return QStringLiteral("Couldn't start the guard: the user manager reads its units from %1, not %2 (XDG_CONFIG_HOME differs); "
                          "nothing was left there.")
        .arg(managerReads, written);
}
