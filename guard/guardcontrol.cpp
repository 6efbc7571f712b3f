#include "guard/guardcontrol.h"

#include "guard/guardfiles.h"
#include "guard/servicemanager.h"
#include "process/preferences.h"
#include "process/shell.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
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

// Held for one start, stop or settings follow-up. flock, not a lock file that is polled:
// a waiter wakes the moment the holder is done, and the kernel frees the lock when its
// holder's process ends, so no crash leaves the account locked. A lock that cannot even
// be opened (a read-only folder) does not keep the user from their guard.
class GuardLock
{
public:
    explicit GuardLock(const UserDirs &dirs)
    {
        const QString folder = dirs.runtime.isEmpty() ? dirs.config + QStringLiteral("/hushwell") : dirs.runtime;
        QDir().mkpath(folder);
        const QByteArray path = QFile::encodeName(folder + QStringLiteral("/hushwell-guard.lock"));
        fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0)
            while (::flock(fd, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~GuardLock()
    {
        if (fd >= 0)
            ::close(fd);
    }
    GuardLock(const GuardLock &) = delete;
    GuardLock &operator=(const GuardLock &) = delete;

private:
    int fd = -1;
};

bool startHoldingLock(Platform platform, const UserDirs &dirs)
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

} // namespace

bool guardRunning(Platform platform, const UserDirs &dirs)
{
    return probe(commandsFor(platform, dirs));
}

bool serviceManagerReachable(Platform platform, const UserDirs &dirs)
{
    const QString reachable = commandsFor(platform, dirs).reachable;
    return reachable.isEmpty() || shell(reachable) == QLatin1String("yes");
}

bool startGuard(Platform platform, const UserDirs &dirs)
{
    const GuardLock lock(dirs);
    return startHoldingLock(platform, dirs);
}

bool stopGuard(Platform platform, const UserDirs &dirs)
{
    const GuardLock lock(dirs);
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

PreferenceChange applyTargetPreferences(const QList<std::pair<QString, bool>> &values, Platform platform, const UserDirs &dirs)
{
    PreferenceChange change;
    bool anyStored = false;
    for (const auto &[key, value] : values) {
        const bool stored = storePreference(key, value, dirs);
        change.stored = change.stored && stored;
        anyStored = anyStored || stored;
    }
    if (!anyStored)
        return change;
    // A loaded guard keeps the target list it was started with; start it again.
    const GuardLock lock(dirs);
    if (guardRunning(platform, dirs))
        change.guardFollowed = startHoldingLock(platform, dirs);
    return change;
}
