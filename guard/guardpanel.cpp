#include "guard/guardpanel.h"

#include "process/catalogue.h"

GuardPanel guardPanelFor(bool guardIsRunning)
{
    if (guardIsRunning)
        return {true, QStringLiteral("Guard on"),
                QStringLiteral("Anything Adobe restarts is killed within %1 seconds.").arg(guardInterval), false, true};
    return {false, QStringLiteral("Guard off"), QStringLiteral("Opening an Adobe app will start them again."), true, false};
}
