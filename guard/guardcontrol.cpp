#include "guard/guardcontrol.h"

#include "guard/guardfiles.h"
#include "guard/servicemanager.h"
#include "process/preferences.h"
#include "process/shell.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <unistd.h>

namespace {

GuardCommands nativeCommands()
{
    return guardCommands(nativePlatform(), ::getuid(), guardPlistPath());
}

bool probe(const GuardCommands &commands)
{
    return shell(commands.probe) == QLatin1String("yes");
}

} // namespace

bool guardRunning()
{
    return probe(nativeCommands());
}

bool startGuard()
{
    const Platform platform = nativePlatform();
    const QString scriptPath = guardScriptPath(platform);
    const GuardFile script{scriptPath, guardScriptFor(platform, targetList())};
    if (!writeGuardFiles(script, serviceManagerFiles(platform, scriptPath)))
        return false;

    const GuardCommands commands = nativeCommands();
    shell(commands.unload);
    if (commands.waitUntilUnloaded) {
        const QDeadlineTimer deadline(10000);
        while (probe(commands) && !deadline.hasExpired())
            QThread::msleep(100);
    }
    shell(commands.load);
    return probe(commands);
}

bool stopGuard()
{
    const Platform platform = nativePlatform();
    const GuardCommands commands = nativeCommands();
    shell(commands.remove);
    for (const GuardFile &file : serviceManagerFiles(platform, guardScriptPath(platform)))
        QFile::remove(file.path);
    if (!commands.afterRemove.isEmpty())
        shell(commands.afterRemove);
    return !probe(commands);
}
