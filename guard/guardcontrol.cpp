#include "guard/guardcontrol.h"

#include "guard/accounts.h"
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

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <iterator>
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

// The whole text goes to a new file beside `path`; only when every byte was written,
// synced and read back is its name returned, for a rename into place that replaces a link
// at the path (a mask, which systemctl links to /dev/null, or anything else) instead of
// writing through it. Nothing is left behind on failure.
std::optional<QByteArray> writeTemporary(const QString &path, const QByteArray &content, std::optional<mode_t> mode)
{
    static std::atomic<unsigned> written{0};
    const QByteArray temporary =
        QFile::encodeName(path) + ".hushwell-" + QByteArray::number(::getpid()) + '-' + QByteArray::number(++written);
    const int fd = ::open(temporary.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0)
        return std::nullopt;
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
    whole = whole && readAll(temporary) == content;
    if (!whole) {
        ::unlink(temporary.constData());
        return std::nullopt;
    }
    return temporary;
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

// Held for one start, stop or settings follow-up of one guard. flock, not a lock file that
// is polled for existence: the kernel frees it when its holder's process ends, so no crash
// leaves the guard locked. The account's lives in the runtime folder when only this
// account owns that, else in the account's config folder; root's in a folder only root
// may write to. It waits a few seconds for another holder, then gives up; a lock that
// cannot be taken refuses the operation, never runs it unlocked.
class GuardLock
{
public:
    explicit GuardLock(const Guard &guard)
    {
        // Root locks its folder itself, which leaves nothing behind in /run; an account a file
        // in its own folder.
        const bool root = guard.scope == GuardScope::EveryAccount;
        QString folder = root ? guard.system.lock : guard.dirs.runtime;
        if (!root && (folder.isEmpty() || !ownedByThisAccountOnly(folder))) {
            folder = guard.dirs.config + QStringLiteral("/hushwell");
            QDir().mkpath(folder);
        }
        const QString path = root ? folder : folder + QLatin1Char('/') + guardLockName;
        failureNamesFile = true;
        if (!ownedByThisAccountOnly(folder)) {
            failure = guardLockFailedText(path);
            return;
        }
        fd = root ? ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NOFOLLOW)
                  : ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0600);
        struct stat status {};
        if (fd < 0 || ::fstat(fd, &status) != 0 || !(root ? S_ISDIR(status.st_mode) : S_ISREG(status.st_mode))) {
            failure = guardLockFailedText(path);
            return;
        }
        const QDeadlineTimer deadline(lockWaitMs);
        while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if ((errno != EWOULDBLOCK && errno != EINTR) || deadline.hasExpired()) {
                failureNamesFile = errno != EWOULDBLOCK;
                failure = failureNamesFile ? guardLockFailedText(path) : guardLockBusyText;
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
    bool failureNamesFile = false;  // the lock's path, not a lock busy elsewhere

private:
    int fd = -1;
};

bool rootForAllUsers()
{
    return ::geteuid() == 0;
}

// What stops a start, stop or follow-up before anything is written or asked: for the
// account a home of another account or no manager to ask, for every account no root.
std::optional<QString> refusal(const Guard &guard)
{
    switch (guard.scope) {
    case GuardScope::Account:
        if (homeOfAnotherAccount(guard.dirs))
            return homeOfAnotherAccountText;
        if (!serviceManagerReachable(guard))
            return guardNoManagerText;
        return std::nullopt;
    case GuardScope::EveryAccount:
        if (!rootForAllUsers())
            return guardNeedsRootText;
        return std::nullopt;
    }
    Q_UNREACHABLE();
}

// How long root waits for one logged-in account's manager, and for all of them together:
// an account whose manager does not answer never holds root back.
constexpr int accountLimitMs = 5000;
constexpr int allAccountsLimitMs = 30000;

// `commands` run by each account logged in now, as that account; the answers of those
// that finished in time, and the names of those that did not.
struct SessionsVisit {
    QList<std::pair<QString, QString>> answers; // account, what it printed
    QStringList silent;
};
SessionsVisit visitSessions(const ServiceManager &manager, const QString &commands)
{
    SessionsVisit visit;
    if (manager.sessions.isEmpty() || commands.isEmpty())
        return visit;
    const QDeadlineTimer all(allAccountsLimitMs);
    for (const LoggedInAccount &account : loggedInAccounts(manager.sessions)) {
        const int limit = int(std::min<qint64>(accountLimitMs, all.remainingTime()));
        const AccountAnswer answer = limit > 0 ? runAsAccount(account, commands, limit) : AccountAnswer{};
        if (answer.answered)
            visit.answers.append({account.name, answer.output});
        else
            visit.silent << account.name;
    }
    return visit;
}

QString sessionsSilentText(const SessionsVisit &visit, bool starting)
{
    QStringList sentences;
    for (const QString &name : visit.silent)
        sentences << sessionSilentText(name, starting);
    return sentences.join(QLatin1Char(' '));
}

// A step the service manager may not have (every account's guard unloads nothing of its
// own) runs no shell.
void runStep(const QString &commands)
{
    if (!commands.isEmpty())
        shell(commands);
}

// The steps of every start, for either scope: the files, then the manager.
bool isOn(const Guard &guard);

GuardResult writeAndLoad(const ServiceManager &manager, const QStringList &targets, const Guard &guard)
{
    if (const auto failed = writeGuardFiles({manager.scriptPath, guardScriptFor(guard.platform, targets)}, manager.files))
        return {.done = false, .message = {}, .unwrittenFile = *failed};
    const GuardCommands &commands = manager.commands;
    runStep(commands.unload);
    if (commands.unloadIsAsynchronous)
        waitUntilUnloaded(commands);
    runStep(commands.load);
    const SessionsVisit visit = visitSessions(manager, commands.loadInSessions);
    return {.done = isOn(guard), .message = sessionsSilentText(visit, true), .unwrittenFile = {}};
}

// The steps of every stop: unloaded, its files gone (the script only where asked), and
// what the manager keeps of it cleared. Nothing when all went; else the first file left.
// The accounts visited that keep a guard of their own are named.
struct Removal {
    std::optional<QString> left;
    QStringList keptOwn;
    QString silent;
};
Removal unloadAndRemove(const ServiceManager &manager, bool scriptToo)
{
    Removal removal;
    const GuardCommands &commands = manager.commands;
    // Every account's manager first, then the service manager's own step (the account's
    // stop and disable, or the global disable), then the files.
    const SessionsVisit visit = visitSessions(manager, commands.removeInSessions);
    const QString systemUnits = QFileInfo(manager.loginEntry).path() + QLatin1Char('/');
    for (const auto &[account, loadedFrom] : visit.answers)
        if (!loadedFrom.isEmpty() && !loadedFrom.startsWith(systemUnits))
            removal.keptOwn << account;
    removal.silent = sessionsSilentText(visit, false);
    runStep(commands.remove);
    // In the reverse order of the start, the enabling link first and the script last,
    // stopping at the first that stays: a guard that cannot be removed is left whole.
    QStringList paths;
    if (!manager.enabledBy.isEmpty())
        paths << manager.enabledBy;
    std::reverse_copy(manager.filePaths.cbegin(), manager.filePaths.cend(), std::back_inserter(paths));
    if (scriptToo)
        paths << manager.scriptPath;
    for (const QString &path : paths) {
        struct stat status {};
        if (fileStatus(path, status) && !QFile::remove(path)) {
            removal.left = path;
            break;
        }
    }
    runStep(commands.afterRemove);
    visitSessions(manager, commands.afterRemoveInSessions);
    return removal;
}

// The guard for every account removes the folders it made, once empty, and never one it
// did not: each folder that a start had to make is noted in a file beside the script.
QString foldersMadeRecord(const ServiceManager &manager)
{
    return QFileInfo(manager.scriptPath).path() + QStringLiteral("/folders-made");
}

// The folders above the guard's files that are not there yet.
QStringList missingFolders(const ServiceManager &manager)
{
    QStringList missing;
    for (const QString &path : QStringList{manager.scriptPath, manager.enabledBy} + manager.filePaths)
        for (QString folder = QFileInfo(path).path();
             !path.isEmpty() && folder != QLatin1String("/") && !QFileInfo::exists(folder) && !missing.contains(folder);
             folder = QFileInfo(folder).path())
            missing << folder;
    return missing;
}

QStringList foldersMade(const ServiceManager &manager)
{
    QFile record(foldersMadeRecord(manager));
    if (!record.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(record.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

void noteFoldersMade(const ServiceManager &manager, const QStringList &wereMissing)
{
    QStringList made = foldersMade(manager);
    for (const QString &folder : wereMissing)
        if (QFileInfo(folder).isDir() && !made.contains(folder))
            made << folder;
    if (made.isEmpty())
        return;
    QFile record(foldersMadeRecord(manager));
    if (record.open(QIODevice::WriteOnly | QIODevice::Truncate))
        record.write(made.join(QLatin1Char('\n')).toUtf8() + '\n');
}

// Each of the folders that is empty, the deepest first.
void removeEmptyFolders(QStringList folders)
{
    std::sort(folders.begin(), folders.end(), [](const QString &a, const QString &b) { return a.size() > b.size(); });
    for (const QString &folder : folders)
        QDir().rmdir(folder); // only while empty
}

// A script where an earlier version put it runs no more (the units name the new place),
// but would lie about what is installed: it goes, and its folder with it when empty.
void removeOldScripts(const ServiceManager &manager)
{
    for (const QString &old : manager.oldScriptPaths)
        if (QFile::remove(old))
            QDir().rmdir(QFileInfo(old).path());
}

bool ownFilesExist(const ServiceManager &manager)
{
    struct stat status {};
    return fileStatus(manager.loginEntry, status);
}

// After a start that wrote its files and did not come on: when the account's manager
// reads its units elsewhere (its session's XDG_CONFIG_HOME is not this one) it will never
// run them, so none of what the start wrote stays, and the sentence says where it reads.
std::optional<GuardResult> unseenByManager(const ServiceManager &manager, const QStringList &wereThere, const QStringList &missing)
{
    const QStringList searched = manager.commands.unitsUnseen.isEmpty()
                                     ? QStringList()
                                     : shell(manager.commands.unitsUnseen).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (searched.isEmpty())
        return std::nullopt;
    for (const QString &path : QStringList{manager.scriptPath} + manager.filePaths)
        if (!wereThere.contains(path))
            QFile::remove(path);
    removeEmptyFolders(missing);
    // Its own config folder comes first among those of that name, before /etc's.
    const auto reads = std::find_if(searched.cbegin(), searched.cend(),
                                    [](const QString &folder) { return folder.endsWith(QLatin1String("/systemd/user")); });
    return GuardResult{.done = false,
                       .message =
                           guardUnitsUnseenText(QFileInfo(manager.loginEntry).path(), reads == searched.cend() ? searched.first() : *reads),
                       .unwrittenFile = {},
                       .messageNamesFile = true};
}

bool isOn(const Guard &guard)
{
    return readGuard(guard).state == GuardState::On;
}

GuardResult startHoldingLock(const Guard &guard)
{
    const ServiceManager manager = serviceManager(guard);
    const QStringList missing = missingFolders(manager);
    switch (guard.scope) {
    case GuardScope::Account: {
        if (administratorsGuardInstalled(guard)) {
            // An own guard beside the administrator's would shadow it, and outlive its removal.
            if (ownFilesExist(manager))
                unloadAndRemove(manager, false);
            shell(manager.commands.resumeShared);
            return {.done = isOn(guard), .message = {}};
        }
        QStringList wereThere;
        for (const QString &path : QStringList{manager.scriptPath} + manager.filePaths)
            if (struct stat status{}; fileStatus(path, status))
                wereThere << path;
        const GuardResult started = writeAndLoad(manager, targetList(guard.dirs), guard);
        if (started.done || !started.unwrittenFile.isEmpty())
            return started;
        return unseenByManager(manager, wereThere, missing).value_or(started);
    }
    case GuardScope::EveryAccount: {
        const GuardResult started = writeAndLoad(manager, targetList(guard.preferences()), guard);
        noteFoldersMade(manager, missing);
        removeOldScripts(manager);
        return started;
    }
    }
    Q_UNREACHABLE();
}

GuardResult stopHoldingLock(const Guard &guard)
{
    const ServiceManager manager = serviceManager(guard);
    const GuardCommands &commands = manager.commands;
    switch (guard.scope) {
    case GuardScope::Account: {
        // Under the administrator's guard that guard is paused, and an own guard left from
        // before goes too.
        const bool shared = administratorsGuardInstalled(guard);
        Removal removal;
        if (!shared || ownFilesExist(manager))
            removal = unloadAndRemove(manager, false);
        if (removal.left)
            return {.done = false, .message = guardNotRemovedText(*removal.left), .unwrittenFile = {}, .messageNamesFile = true};
        if (shared)
            shell(commands.pauseShared);
        const bool off = commands.unloadIsAsynchronous ? waitUntilUnloaded(commands) : !probe(commands);
        return {.done = off, .message = shared ? guardPausedText : QString()};
    }
    case GuardScope::EveryAccount: {
        // Nothing of it stays: no account's next login may find any of it. systemctl's
        // disable removes a .wants folder it empties, whoever made it.
        const QString wants = manager.enabledBy.isEmpty() ? QString() : QFileInfo(manager.enabledBy).path();
        const QStringList made = foldersMade(manager);
        const bool keepWants = QFileInfo(wants).isDir() && !made.contains(wants);
        const Removal removal = unloadAndRemove(manager, true);
        if (keepWants)
            QDir().mkpath(wants);
        removeOldScripts(manager);
        if (removal.left)
            return {.done = false, .message = guardNotRemovedText(*removal.left), .unwrittenFile = {}, .messageNamesFile = true};
        QFile::remove(foldersMadeRecord(manager));
        removeEmptyFolders(made);
        QStringList sentences;
        for (const QString &account : removal.keptOwn)
            sentences << ownGuardKeptText(account);
        if (!removal.silent.isEmpty())
            sentences << removal.silent;
        return {.done = !administratorsGuardInstalled(guard), .message = sentences.join(QLatin1Char(' '))};
    }
    }
    Q_UNREACHABLE();
}

// Stores each value; `change.stored` says whether all were. True when a target key was
// stored, which a loaded guard must follow (the sound is none of its business).
bool storeAll(const QList<std::pair<QString, bool>> &values, const UserDirs &dirs, PreferenceChange &change)
{
    bool targetsChanged = false;
    for (const auto &[key, value] : values) {
        const std::optional<QString> problem = storeProblem(key, value, dirs);
        const bool stored = !problem;
        if (!stored && change.stored)
            change.notStoredBecause = *problem;
        change.stored = change.stored && stored;
        targetsChanged = targetsChanged || (stored && isTargetKey(key));
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

    // Every file is written whole beside its place before any takes its place, so that a
    // folder that refuses one leaves all as they were. The script is executable for
    // everyone, set explicitly: an older script may have had another mode.
    struct Pending {
        QByteArray path, temporary, previous;
    };
    QList<Pending> pending;
    const auto discard = [&pending](qsizetype from) {
        for (qsizetype i = from; i < pending.size(); ++i)
            if (!pending.at(i).temporary.isEmpty())
                ::unlink(pending.at(i).temporary.constData());
    };
    const QList<GuardFile> files = QList<GuardFile>{script} + managerFiles;
    for (qsizetype i = 0; i < files.size(); ++i) {
        const auto temporary =
            writeTemporary(files.at(i).path, files.at(i).content.toUtf8(), i == 0 ? std::optional<mode_t>(0755) : std::nullopt);
        if (!temporary) {
            discard(0);
            return files.at(i).path;
        }
        pending.append({QFile::encodeName(files.at(i).path), *temporary, *temporary + ".previous"});
    }
    // A rename that fails after others succeeded puts those back: each previous file is
    // kept under a second name until all are in place.
    for (qsizetype i = 0; i < pending.size(); ++i) {
        const Pending &file = pending.at(i);
        const bool hadOne = ::link(file.path.constData(), file.previous.constData()) == 0;
        if (::rename(file.temporary.constData(), file.path.constData()) == 0) {
            pending[i].temporary = hadOne ? file.previous : QByteArray();
            continue;
        }
        if (hadOne)
            ::unlink(file.previous.constData());
        for (qsizetype j = 0; j < i; ++j) {
            const Pending &done = pending.at(j);
            if (done.temporary.isEmpty())
                ::unlink(done.path.constData());
            else
                ::rename(done.temporary.constData(), done.path.constData());
        }
        discard(i);
        return QFile::decodeName(file.path);
    }
    discard(0); // the previous files, kept until now
    return std::nullopt;
}

QList<UnitView> parseUnitViews(const QString &showOutput)
{
    QList<UnitView> views;
    for (const QString &block : showOutput.split(QStringLiteral("\n\n"))) {
        UnitView view;
        const std::pair<const char *, QString UnitView::*> fields[] = {
            {"LoadState", &UnitView::loadState},
            {"ActiveState", &UnitView::activeState},
            {"FragmentPath", &UnitView::fragmentPath},
            {"DropInPaths", &UnitView::dropInPaths},
            {"NeedDaemonReload", &UnitView::needDaemonReload},
            {"Result", &UnitView::result},
            {"ExecStart", &UnitView::execStart},
            {"StandardInput", &UnitView::standardInput},
        };
        for (const QString &line : block.split(QLatin1Char('\n')))
            for (const auto &[name, field] : fields)
                if (line.startsWith(QLatin1String(name) + QLatin1Char('=')))
                    view.*field = line.mid(qsizetype(qstrlen(name)) + 1);
        views.append(view);
    }
    return views;
}

GuardFiles judgeGuardFiles(const QString &timerPath, const QString &servicePath, const QString &expectedScript, const QStringList &targets)
{
    // Only regular files are opened: a FIFO would block the reader.
    struct stat timer {};
    struct stat service {};
    struct stat script {};
    if (!fileStatus(timerPath, timer) || !fileStatus(servicePath, service) || !S_ISREG(timer.st_mode) || !S_ISREG(service.st_mode))
        return GuardFiles::Changed;
    const QByteArray serviceText = readAll(QFile::encodeName(servicePath));
    const QString scriptPath = scriptReadBy(QString::fromUtf8(serviceText));
    if (scriptPath.isEmpty() || (!expectedScript.isEmpty() && scriptPath != expectedScript) || !fileStatus(scriptPath, script)
        || !S_ISREG(script.st_mode))
        return GuardFiles::Changed;
    const bool current = serviceText == guardServiceUnitFor(scriptPath).toUtf8()
                         && readAll(QFile::encodeName(timerPath)) == guardTimerUnit().toUtf8()
                         && readAll(QFile::encodeName(scriptPath)) == guardScriptFor(Platform::Linux, targets).toUtf8();
    return current ? GuardFiles::Current : GuardFiles::Outdated;
}

namespace {

// What a drop-in may not set: what the service runs and reads, and when the timer fires it.
const QStringList serviceKeys{QStringLiteral("ExecStart"), QStringLiteral("StandardInput")};
const QStringList timerKeys{QStringLiteral("Unit"),        QStringLiteral("OnActiveSec"),      QStringLiteral("OnUnitActiveSec"),
                            QStringLiteral("AccuracySec"), QStringLiteral("OnBootSec"),        QStringLiteral("OnStartupSec"),
                            QStringLiteral("OnCalendar"),  QStringLiteral("OnUnitInactiveSec")};

// True when one of the drop-ins (as systemctl show lists them, separated by spaces) sets
// one of `keys`, or is not a regular file: a drop-in that only adds (a delay before the
// run, a nice level) leaves the guard Hushwell's, one that replaces what it runs, reads
// or when does not.
bool dropInsOverride(const QString &dropInPaths, const QStringList &keys)
{
    for (const QString &path : dropInPaths.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        struct stat status {};
        if (!fileStatus(path, status) || !S_ISREG(status.st_mode))
            return true;
        for (const QByteArray &line : readAll(QFile::encodeName(path)).split('\n'))
            if (const qsizetype equals = line.indexOf('='); equals > 0 && keys.contains(QString::fromUtf8(line.left(equals).trimmed())))
                return true;
    }
    return false;
}

} // namespace

GuardReading judgeSystemdGuard(const UnitView &timer, const UnitView &service, std::optional<GuardFiles> files, bool underAdministrator)
{
    const auto off = [](const QString &why) { return GuardReading{.state = GuardState::Off, .detail = why}; };
    if (timer.activeState != QLatin1String("active")) {
        if (underAdministrator)
            return {.state = GuardState::Off, .detail = guardPausedText, .paused = true};
        return {};
    }
    // A manager not told of a removal keeps running the units it loaded: they still kill.
    // A service it could not load (its file gone before a reload) runs nothing.
    struct stat status {};
    const bool loaded = timer.loadState == QLatin1String("loaded") && service.loadState == QLatin1String("loaded");
    if (loaded && (!fileStatus(timer.fragmentPath, status) || !fileStatus(service.fragmentPath, status)))
        return {.state = GuardState::On, .detail = guardFilesRemovedText};
    const bool ours = files && *files != GuardFiles::Changed && !dropInsOverride(service.dropInPaths, serviceKeys)
                      && !dropInsOverride(timer.dropInPaths, timerKeys) && loaded && service.standardInput == QLatin1String("file")
                      && service.execStart.startsWith(QLatin1String("{ path=/bin/sh ; argv[]=/bin/sh -s ;"));
    if (!ours)
        return off(guardFilesChangedText);
    if (service.activeState == QLatin1String("failed") || (!service.result.isEmpty() && service.result != QLatin1String("success")))
        return off(guardRunFailedText);
    if (*files == GuardFiles::Outdated) {
        GuardReading reading = off(underAdministrator ? guardAdministratorOutdatedText : guardOutdatedText);
        reading.outdated = !underAdministrator;
        return reading;
    }
    return {.state = GuardState::On};
}

namespace {

GuardReading readAccountGuard(const Guard &guard)
{
    if (!serviceManagerReachable(guard))
        return {.state = GuardState::Unknown};
    const ServiceManager manager = serviceManager(guard);
    const bool underAdministrator = administratorsGuardInstalled(guard);
    switch (guard.platform) {
    case Platform::MacOS:
        if (probe(manager.commands))
            return {.state = GuardState::On};
        if (underAdministrator)
            return {.state = GuardState::Off, .detail = guardPausedText, .paused = true};
        return {};
    case Platform::Linux: {
        const QList<UnitView> views = parseUnitViews(shell(manager.commands.inspect));
        if (views.size() != 2)
            return {.state = GuardState::Unknown};
        const UnitView &timer = views.at(0), &service = views.at(1);
        // Judged against the guard the manager loaded: the account's own (which takes
        // precedence), or the administrator's; from anywhere else it is not Hushwell's.
        const ServiceManager shared = serviceManager(guard.withScope(GuardScope::EveryAccount));
        std::optional<GuardFiles> files;
        bool own = false;
        if (timer.fragmentPath == manager.loginEntry && service.fragmentPath == manager.filePaths.value(0)) {
            own = true;
            files = judgeGuardFiles(manager.loginEntry, manager.filePaths.value(0), manager.scriptPath, targetList(guard.dirs));
        } else if (timer.fragmentPath == shared.loginEntry && service.fragmentPath == shared.filePaths.value(0)) {
            // Its script lies under the prefix of the hushwellctl that installed it.
            files = judgeGuardFiles(shared.loginEntry, shared.filePaths.value(0), QString(), targetList(guard.system.asUserDirs()));
        }
        return judgeSystemdGuard(timer, service, files, underAdministrator && !own);
    }
    }
    Q_UNREACHABLE();
}

GuardReading readEveryAccountGuard(const Guard &guard)
{
    if (!administratorsGuardInstalled(guard))
        return {};
    const ServiceManager manager = serviceManager(guard);
    switch (guard.platform) {
    case Platform::MacOS:
        return {.state = GuardState::On};
    case Platform::Linux:
        break;
    }
    // What every account's next login loads: the units as written, nothing beside them
    // that overrides them, and the script for the system's list.
    const auto dropIns = [](const QString &unit) {
        QStringList paths;
        for (const QFileInfo &file :
             QDir(unit + QStringLiteral(".d")).entryInfoList({QStringLiteral("*.conf")}, QDir::AllEntries | QDir::System))
            paths << file.filePath();
        return paths.join(QLatin1Char(' '));
    };
    if (dropInsOverride(dropIns(manager.filePaths.value(0)), serviceKeys) || dropInsOverride(dropIns(manager.loginEntry), timerKeys))
        return {.state = GuardState::Off, .detail = guardFilesChangedText};
    switch (judgeGuardFiles(manager.loginEntry, manager.filePaths.value(0), manager.scriptPath, targetList(guard.preferences()))) {
    case GuardFiles::Current:
        return {.state = GuardState::On};
    case GuardFiles::Outdated: {
        // No manager tells whether units of other texts load at all (an empty timer does
        // not): only a script of another list, under this version's units, is an older guard.
        const bool unitsAsWritten = std::all_of(manager.files.cbegin(), manager.files.cend(), [](const GuardFile &file) {
            return readAll(QFile::encodeName(file.path)) == file.content.toUtf8();
        });
        if (unitsAsWritten)
            return {.state = GuardState::Off, .detail = guardAdministratorOutdatedText};
        break;
    }
    case GuardFiles::Changed:
        break;
    }
    return {.state = GuardState::Off, .detail = guardFilesChangedText};
}

} // namespace

GuardReading readGuard(const Guard &guard)
{
    switch (guard.scope) {
    case GuardScope::Account:
        return readAccountGuard(guard);
    case GuardScope::EveryAccount:
        return readEveryAccountGuard(guard);
    }
    Q_UNREACHABLE();
}

bool guardRunning(const Guard &guard)
{
    return readGuard(guard).state == GuardState::On;
}

bool administratorsGuardInstalled(const Guard &guard)
{
    // Only looked at, never opened or followed: a FIFO there would block a reader, and a
    // link or a unit without an [Install] section ("static") installs nothing.
    const ServiceManager manager = serviceManager(guard.withScope(GuardScope::EveryAccount));
    struct stat entry {};
    struct stat link {};
    if (!fileStatus(manager.loginEntry, entry) || !S_ISREG(entry.st_mode))
        return false;
    if (manager.enabledBy.isEmpty())
        return true;
    return fileStatus(manager.enabledBy, link) && S_ISLNK(link.st_mode)
           && QDir::cleanPath(QFileInfo(manager.enabledBy).symLinkTarget()) == QDir::cleanPath(manager.loginEntry);
}

UserDirs targetPreferencesInForce(const Guard &guard)
{
    return administratorsGuardInstalled(guard) ? guard.system.asUserDirs() : guard.preferences();
}

QStringList targetsInForce(const Guard &guard)
{
    return targetList(targetPreferencesInForce(guard));
}

GuardReading readGuardBroughtUpToDate(const Guard &guard)
{
    const GuardReading reading = readGuard(guard);
    if (!reading.outdated || !startGuard(guard).done)
        return reading;
    GuardReading refreshed = readGuard(guard);
    refreshed.refreshed = true;
    return refreshed;
}

bool serviceManagerReachable(const Guard &guard)
{
    const QString reachable = serviceManager(guard).commands.reachable;
    return reachable.isEmpty() || shell(reachable) == QLatin1String("yes");
}

namespace {

// A start or a stop: refused before anything is asked, or run holding the guard's lock.
GuardResult unlessRefused(const Guard &guard, GuardResult (*holdingLock)(const Guard &))
{
    if (const auto refused = refusal(guard))
        return {.done = false, .message = *refused};
    const GuardLock lock(guard);
    if (lock.failure)
        return {.done = false, .message = *lock.failure, .unwrittenFile = {}, .messageNamesFile = lock.failureNamesFile};
    return holdingLock(guard);
}

} // namespace

GuardResult startGuard(const Guard &guard)
{
    return unlessRefused(guard, startHoldingLock);
}

GuardResult stopGuard(const Guard &guard)
{
    return unlessRefused(guard, stopHoldingLock);
}

PreferenceChange applyTargetPreferences(const QList<std::pair<QString, bool>> &values, const Guard &guard)
{
    if (guard.scope == GuardScope::EveryAccount && !rootForAllUsers())
        return {.stored = false, .guardFollowed = true, .message = guardNeedsRootText};
    PreferenceChange change;
    if (!storeAll(values, guard.preferences(), change))
        return change;
    const ServiceManager manager = serviceManager(guard);
    switch (guard.scope) {
    case GuardScope::Account:
        if (administratorsGuardInstalled(guard)) {
            change.message = guardFollowsAdministratorText;
            return change;
        }
        // Without a manager to ask, a guard whose files are there may be running with the
        // old list.
        if (!serviceManagerReachable(guard)) {
            change.guardFollowed = !ownFilesExist(manager);
            change.message = change.guardFollowed ? QString() : guardNoManagerText;
            return change;
        }
        break;
    case GuardScope::EveryAccount:
        break;
    }
    // A loaded guard keeps the target list it was started with; start it again. An
    // installed guard for every account follows the new list at once.
    const GuardLock lock(guard);
    if (lock.failure) {
        change.guardFollowed = false;
        change.message = *lock.failure;
        change.messageNamesFile = lock.failureNamesFile;
        return change;
    }
    if (guard.scope == GuardScope::EveryAccount ? administratorsGuardInstalled(guard) : probe(manager.commands)) {
        const GuardResult restarted = startHoldingLock(guard);
        change.guardFollowed = restarted.done;
        change.message = restarted.message;
        change.unwrittenFile = restarted.unwrittenFile;
        change.messageNamesFile = restarted.messageNamesFile;
    }
    return change;
}
