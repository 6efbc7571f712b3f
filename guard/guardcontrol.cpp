#include "guard/guardcontrol.h"

#include "guard/guardfiles.h"
#include "guard/servicemanager.h"
#include "process/preferences.h"
#include "process/shell.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

bool writeAtomically(const GuardFile &file)
{
    // QSaveFile writes through a link to its target: a link here (a mask, which systemctl
    // links to /dev/null, or anything else) is replaced by the file, never written through.
    if (QFileInfo(file.path).isSymLink() && !QFile::remove(file.path))
        return false;
    QSaveFile out(file.path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = file.content.toUtf8();
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
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
    const ServiceManager manager = serviceManager(platform, dirs);
    if (!writeGuardFiles({manager.scriptPath, guardScriptFor(platform, targetList(dirs))}, manager.files))
        return false;

    const GuardCommands &commands = manager.commands;
    shell(commands.unload);
    if (commands.unloadIsAsynchronous)
        waitUntilUnloaded(commands);
    shell(commands.load);
    return probe(commands);
}

} // namespace

bool writeGuardFiles(const GuardFile &script, const QList<GuardFile> &managerFiles)
{
    if (managerFiles.isEmpty())
        return false;
    // A folder that cannot be made is not an error of its own: the write below fails.
    QDir().mkpath(QFileInfo(script.path).path());
    for (const GuardFile &file : managerFiles)
        QDir().mkpath(QFileInfo(file.path).path());

    if (!writeAtomically(script))
        return false;
    // Set explicitly: an older script may have had another mode.
    if (!QFile::setPermissions(script.path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                                | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther))
        return false;
    for (const GuardFile &file : managerFiles)
        if (!writeAtomically(file))
            return false;
    return true;
}

bool startGuardForAllUsers(Platform platform, const SystemFolders &system)
{
    const ServiceManager manager = allUsersServiceManager(platform, system);
    if (!writeGuardFiles({manager.scriptPath, guardScriptFor(platform, targetList(system.asUserDirs()))}, manager.files))
        return false;
    shell(manager.commands.load);
    return probe(manager.commands);
}

bool stopGuardForAllUsers(Platform platform, const SystemFolders &system)
{
    const ServiceManager manager = allUsersServiceManager(platform, system);
    shell(manager.commands.remove);
    // Nothing of it stays: no account's next login may find any of it.
    for (const QString &path : manager.filePaths + QStringList{manager.scriptPath})
        QFile::remove(path);
    return !probe(manager.commands);
}

bool guardRunsForAllUsers(Platform platform, const SystemFolders &system)
{
    return probe(allUsersServiceManager(platform, system).commands);
}

bool guardInstalledForAllUsers(Platform platform)
{
    // Where the units lie does not depend on the program's prefix.
    return QFile::exists(allUsersServiceManager(platform, SystemFolders()).loginEntry);
}

bool guardRunning(Platform platform, const UserDirs &dirs)
{
    return probe(serviceManager(platform, dirs).commands);
}

bool serviceManagerReachable(Platform platform, const UserDirs &dirs)
{
    const QString reachable = serviceManager(platform, dirs).commands.reachable;
    return reachable.isEmpty() || shell(reachable) == QLatin1String("yes");
}

bool startGuard(Platform platform, const UserDirs &dirs)
{
    if (guardInstalledForAllUsers(platform))
        return false;
    const GuardLock lock(dirs);
    return startHoldingLock(platform, dirs);
}

bool stopGuard(Platform platform, const UserDirs &dirs)
{
    const GuardLock lock(dirs);
    const ServiceManager manager = serviceManager(platform, dirs);
    const GuardCommands &commands = manager.commands;
    shell(commands.remove);
    for (const QString &path : manager.filePaths)
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
