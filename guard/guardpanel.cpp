#include "guard/guardpanel.h"

#include "guard/guardcontrol.h"
#include "process/catalogue.h"

GuardPanel guardPanelFor(bool guardIsRunning)
{
    if (guardIsRunning)
        return {true, QStringLiteral("Guard on"),
                QStringLiteral("Anything Adobe restarts is killed within %1 seconds.").arg(guardInterval), false, true};
    return {false, QStringLiteral("Guard off"), QStringLiteral("Opening an Adobe app will start them again."), true, false};
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
    return {false, QStringLiteral("Can't check"), guardNoManagerText, false, false};
}

QString guardWriteFailedText(const QString &path)
{
    return QStringLiteral("Couldn't write %1; the guard keeps what it had.").arg(path);
}

QString guardLockFailedText(const QString &path)
{
    return QStringLiteral("Couldn't lock %1; nothing was changed.").arg(path);
}
