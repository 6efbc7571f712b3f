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

GuardCommands commandsFor(Platform platform, const UserDirs &dirs)
{
    return guardCommands(platform, ::getuid(), guardPlistPath(platform, dirs));
}

bool probe(const GuardCommands &commands)
{
    return shell(commands.probe) == QLatin1String("yes");
}

// launchd may take a few seconds to end a running job after bootout; wait (at most 10 s)
// until the probe no longer finds it. Returns whether it is gone.
bool waitUntilUnloaded(const GuardCommands &commands)
{
    const QDeadlineTimer deadline(10000);
    while (probe(commands)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(100);
    }
    return true;
}

} // namespace

bool guardRunning(Platform platform, const UserDirs &dirs)
{
    return probe(commandsFor(platform, dirs));
}

bool startGuard(Platform platform, const UserDirs &dirs)
{
    const GuardFile script{guardScriptPath(platform, dirs), guardScriptFor(platform, targetList(dirs))};
    if (!writeGuardFiles(script, serviceManagerFiles(platform, dirs)))
        return false;

    const GuardCommands commands = commandsFor(platform, dirs);
    shell(commands.unload);
    if (commands.unloadIsAsynchronous)
        waitUntilUnloaded(commands);
    shell(commands.load);
    return probe(commands);
}

bool stopGuard(Platform platform, const UserDirs &dirs)
{
    const GuardCommands commands = commandsFor(platform, dirs);
    shell(commands.remove);
    for (const QString &path : serviceManagerPaths(platform, dirs))
        QFile::remove(path);
    if (!commands.afterRemove.isEmpty())
        shell(commands.afterRemove);
    if (commands.unloadIsAsynchronous)
        return waitUntilUnloaded(commands);
    return !probe(commands);
}

bool applyTargetPreferences(const QList<std::pair<QString, bool>> &values)
{
    bool stored = true;
    for (const auto &[key, value] : values)
        stored = storePreference(key, value) && stored;
    // A loaded guard keeps the target list it was started with; start it again.
    if (guardRunning())
        startGuard();
    return stored;
}
