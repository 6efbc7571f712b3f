#include "guard/guardcontrol.h"

#include "guard/guardfiles.h"
#include "guard/guardpanel.h"
#include "guard/servicemanager.h"
#include "process/catalogue.h"
#include "process/preferences.h"
#include "process/shell.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <functional>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// How long a start, stop or settings follow-up waits for another one of the same account.
constexpr int lockWaitMs = 5000;

bool fileStatus(const QString &path, struct stat &status)
{
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0;
}

QByteArray readAll(const QByteArray &path)
{
    QFile file(QFile::decodeName(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The whole text goes to a new file beside `path` first; only when every byte was
// written, synced and read back does it take the path's place, in one rename. A full disk
// or a cut-short write leaves the previous file as it was. The rename replaces a link at
// the path (a mask, which systemctl links to /dev/null, or anything else) instead of
// writing through it.
bool writeWhole(const QString &path, const QByteArray &content, std::optional<mode_t> mode)
{
    static std::atomic<unsigned> written{0};
    const QByteArray target = QFile::encodeName(path);
    const QByteArray temporary = target + ".hushwell-" + QByteArray::number(::getpid()) + '-' + QByteArray::number(++written);
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return false;
    bool whole = true;
    for (qsizetype done = 0; whole && done < content.size();) {
        const ssize_t n = ::write(fd, content.constData() + done, size_t(content.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        whole = n > 0;
        done += n > 0 ? n : 0;
    }
    whole = whole && (!mode || ::fchmod(fd, *mode) == 0) && ::fsync(fd) == 0;
    whole = ::close(fd) == 0 && whole;
    whole = whole && readAll(temporary) == content && ::rename(temporary.constData(), target.constData()) == 0;
    if (!whole)
        ::unlink(temporary.constData());
    return whole;
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

// A folder for the lock that no other account can reach into: owned by this one, and
// writable by no one else.
bool ownedByThisAccountOnly(const QString &folder)
{
    struct stat status {};
    return fileStatus(folder, status) && S_ISDIR(status.st_mode) && status.st_uid == ::geteuid()
           && (status.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}

// Held for one start, stop or settings follow-up of one account. flock, not a lock file
// that is polled for existence: the kernel frees it when its holder's process ends, so no
// crash leaves the account locked. It lives in the runtime folder when only this account
// owns that, else in the account's config folder; it waits a few seconds for another
// holder, then gives up; a lock that cannot be taken refuses the operation, never runs it
// unlocked.
class GuardLock
{
public:
    explicit GuardLock(const UserDirs &dirs)
    {
        QString folder = dirs.runtime;
        if (folder.isEmpty() || !ownedByThisAccountOnly(folder)) {
            folder = dirs.config + QStringLiteral("/hushwell");
            QDir().mkpath(folder);
        }
        const QString path = folder + QStringLiteral("/hushwell-guard.lock");
        if (!ownedByThisAccountOnly(folder)) {
            failure = guardLockFailedText(path);
            return;
        }
        fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
        struct stat status {};
        if (fd < 0 || ::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
            failure = guardLockFailedText(path);
            return;
        }
        const QDeadlineTimer deadline(lockWaitMs);
        while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) || deadline.hasExpired()) {
                failure = errno == EWOULDBLOCK ? guardLockBusyText : guardLockFailedText(path);
                return;
            }
            QThread::msleep(20);
        }
    }
    ~GuardLock()
    {
        if (fd >= 0)
            ::close(fd);
    }
    GuardLock(const GuardLock &) = delete;
    GuardLock &operator=(const GuardLock &) = delete;

    std::optional<QString> failure; // why the lock is not held

private:
    int fd = -1;
};

// What stops an account's start, stop or follow-up before anything is written or asked:
// a home of another account, no manager to ask.
std::optional<QString> accountRefusal(Platform platform, const UserDirs &dirs)
{
    if (homeOfAnotherAccount(dirs))
        return homeOfAnotherAccountText;
    if (!serviceManagerReachable(platform, dirs))
        return guardNoManagerText;
    return std::nullopt;
}

// The steps of every start, for either scope: the files, then the manager.
GuardResult writeAndLoad(const ServiceManager &manager, const QStringList &targets, Platform platform,
                         const std::function<bool()> &isOn)
{
    if (const auto failed = writeGuardFiles({manager.scriptPath, guardScriptFor(platform, targets)}, manager.files))
        return {.done = false, .message = {}, .unwrittenFile = *failed};
    const GuardCommands &commands = manager.commands;
    shell(commands.unload);
    if (commands.unloadIsAsynchronous)
        waitUntilUnloaded(commands);
    shell(commands.load);
    return {isOn(), {}};
}

// The steps of every stop: unloaded, its files gone (the script only where asked), and
// what the manager keeps of it cleared.
void unloadAndRemove(const ServiceManager &manager, bool scriptToo)
{
    const GuardCommands &commands = manager.commands;
    shell(commands.remove);
    for (const QString &path : manager.filePaths)
        QFile::remove(path);
    if (scriptToo)
        QFile::remove(manager.scriptPath);
    if (!commands.afterRemove.isEmpty())
        shell(commands.afterRemove);
}

bool ownFilesExist(const ServiceManager &manager)
{
    struct stat status {};
    return fileStatus(manager.loginEntry, status);
}

GuardResult startHoldingLock(Platform platform, const UserDirs &dirs)
{
    const ServiceManager manager = serviceManager(platform, dirs);
    const GuardCommands &commands = manager.commands;
    const auto isOn = [&commands] { return probe(commands); };
    if (!guardInstalledForAllUsers(platform))
        return writeAndLoad(manager, targetList(dirs), platform, isOn);
    // An own guard beside the administrator's would shadow it, and outlive its removal.
    if (ownFilesExist(manager))
        unloadAndRemove(manager, false);
    shell(commands.resumeShared);
    return {isOn(), {}};
}

bool rootForAllUsers()
{
    return ::geteuid() == 0;
}

// Stores each value; `change.stored` says whether all were. True when a target key was
// stored, which a loaded guard must follow (the sound is none of its business).
bool storeAll(const QList<std::pair<QString, bool>> &values, const UserDirs &dirs, PreferenceChange &change)
{
    bool targetsChanged = false;
    for (const auto &[key, value] : values) {
        const bool stored = storePreference(key, value, dirs);
        change.stored = change.stored && stored;
        targetsChanged = targetsChanged || (stored && key != kSound);
    }
    return targetsChanged;
}

} // namespace

std::optional<QString> writeGuardFiles(const GuardFile &script, const QList<GuardFile> &managerFiles)
{
    if (managerFiles.isEmpty())
        return QString();
    // A folder that cannot be made is not an error of its own: the write below fails.
    QDir().mkpath(QFileInfo(script.path).path());
    for (const GuardFile &file : managerFiles)
        QDir().mkpath(QFileInfo(file.path).path());

    // Executable for everyone, set explicitly: an older script may have had another mode.
    if (!writeWhole(script.path, script.content.toUtf8(), mode_t(0755)))
        return script.path;
    for (const GuardFile &file : managerFiles)
        if (!writeWhole(file.path, file.content.toUtf8(), std::nullopt))
            return file.path;
    return std::nullopt;
}

GuardState guardState(Platform platform, const UserDirs &dirs)
{
    if (!serviceManagerReachable(platform, dirs))
        return GuardState::Unknown;
    return probe(serviceManager(platform, dirs).commands) ? GuardState::On : GuardState::Off;
}

bool guardRunning(Platform platform, const UserDirs &dirs)
{
    return guardState(platform, dirs) == GuardState::On;
}

bool serviceManagerReachable(Platform platform, const UserDirs &dirs)
{
    const QString reachable = serviceManager(platform, dirs).commands.reachable;
    return reachable.isEmpty() || shell(reachable) == QLatin1String("yes");
}

GuardResult startGuard(Platform platform, const UserDirs &dirs)
{
    if (const auto refused = accountRefusal(platform, dirs))
        return {false, *refused};
    const GuardLock lock(dirs);
    if (lock.failure)
        return {false, *lock.failure};
    return startHoldingLock(platform, dirs);
}

GuardResult stopGuard(Platform platform, const UserDirs &dirs)
{
    if (const auto refused = accountRefusal(platform, dirs))
        return {false, *refused};
    const GuardLock lock(dirs);
    if (lock.failure)
        return {false, *lock.failure};
    const ServiceManager manager = serviceManager(platform, dirs);
    const GuardCommands &commands = manager.commands;
    // Under the administrator's guard that guard is paused, and an own guard left from
    // before goes too.
    const bool shared = guardInstalledForAllUsers(platform);
    if (!shared || ownFilesExist(manager))
        unloadAndRemove(manager, false);
    if (shared)
        shell(commands.pauseShared);
    const QString message = shared ? guardPausedText : QString();
    const bool off = commands.unloadIsAsynchronous ? waitUntilUnloaded(commands) : !probe(commands);
    return {off, message};
}

GuardResult startGuardForAllUsers(Platform platform, const SystemFolders &system)
{
    if (!rootForAllUsers())
        return {false, guardNeedsRootText};
    return writeAndLoad(allUsersServiceManager(platform, system), targetList(system.asUserDirs()), platform,
                        [platform, system] { return guardInstalledForAllUsers(platform, system); });
}

GuardResult stopGuardForAllUsers(Platform platform, const SystemFolders &system)
{
    if (!rootForAllUsers())
        return {false, guardNeedsRootText};
    // Nothing of it stays: no account's next login may find any of it.
    unloadAndRemove(allUsersServiceManager(platform, system), true);
    return {!guardInstalledForAllUsers(platform, system), {}};
}

bool guardInstalledForAllUsers(Platform platform, const SystemFolders &system)
{
    // Only looked at, never opened or followed: a FIFO there would block a reader, and a
    // link or a unit without an [Install] section ("static") installs nothing.
    const ServiceManager manager = allUsersServiceManager(platform, system);
    struct stat entry {}, link {};
    if (!fileStatus(manager.loginEntry, entry) || !S_ISREG(entry.st_mode))
        return false;
    if (manager.enabledBy.isEmpty())
        return true;
    return fileStatus(manager.enabledBy, link) && S_ISLNK(link.st_mode)
           && QDir::cleanPath(QFileInfo(manager.enabledBy).symLinkTarget()) == QDir::cleanPath(manager.loginEntry);
}

PreferenceChange applyTargetPreferences(const QList<std::pair<QString, bool>> &values, Platform platform, const UserDirs &dirs)
{
    PreferenceChange change;
    if (!storeAll(values, dirs, change))
        return change;
    if (guardInstalledForAllUsers(platform)) {
        change.message = guardFollowsAdministratorText;
        return change;
    }
    // A loaded guard keeps the target list it was started with; start it again. Without a
    // manager to ask, a guard whose files are there may be running with the old list.
    const ServiceManager manager = serviceManager(platform, dirs);
    if (!serviceManagerReachable(platform, dirs)) {
        change.guardFollowed = !ownFilesExist(manager);
        change.message = change.guardFollowed ? QString() : guardNoManagerText;
        return change;
    }
    const GuardLock lock(dirs);
    if (lock.failure) {
        change.guardFollowed = false;
        change.message = *lock.failure;
    } else if (probe(manager.commands)) {
        const GuardResult restarted = startHoldingLock(platform, dirs);
        change.guardFollowed = restarted.done;
        change.message = restarted.message;
        change.unwrittenFile = restarted.unwrittenFile;
    }
    return change;
}

PreferenceChange applyTargetPreferencesForAllUsers(const QList<std::pair<QString, bool>> &values, Platform platform,
                                                   const SystemFolders &system)
{
    if (!rootForAllUsers())
        return {.stored = false, .guardFollowed = true, .message = guardNeedsRootText};
    PreferenceChange change;
    // An installed guard for every account follows the new list at once.
    if (storeAll(values, system.asUserDirs(), change) && guardInstalledForAllUsers(platform, system)) {
        const GuardResult restarted = startGuardForAllUsers(platform, system);
        change.guardFollowed = restarted.done;
        change.message = restarted.message;
        change.unwrittenFile = restarted.unwrittenFile;
    }
    return change;
}
