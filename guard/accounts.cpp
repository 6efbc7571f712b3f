#include "guard/accounts.h"

#include "process/shell.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

bool isFolder(const QByteArray &path, uid_t owner)
{
    struct stat status {};
    return ::lstat(path.constData(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == owner;
}

bool isSocket(const QByteArray &path)
{
    struct stat status {};
    return ::lstat(path.constData(), &status) == 0 && S_ISSOCK(status.st_mode);
}

std::vector<gid_t> groupsOf(const LoggedInAccount &account)
{
    const QByteArray name = account.name.toLocal8Bit();
    int count = 32;
    std::vector<gid_t> groups(static_cast<size_t>(count));
    while (::getgrouplist(name.constData(), account.gid, groups.data(), &count) < 0) {
        if (count > 65536)
            return {account.gid};
        groups.resize(size_t(count) * 2);
        count = int(groups.size());
    }
    groups.resize(size_t(count));
    return groups;
}

void closeAllFrom(int first)
{
#if defined(SYS_close_range)
    if (::syscall(SYS_close_range, unsigned(first), ~0U, 0U) == 0)
        return;
#endif
    const long last = ::sysconf(_SC_OPEN_MAX);
    for (long fd = first; fd < (last > 0 ? last : 1024); ++fd)
        ::close(int(fd));
}

} // namespace

QList<LoggedInAccount> loggedInAccounts(const QString &runtimeRoot)
{
    QList<LoggedInAccount> accounts;
    const QStringList names = QDir(runtimeRoot).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System, QDir::Name);
    for (const QString &entry : names) {
        bool numeric = false;
        const uint uid = entry.toUInt(&numeric);
        if (!numeric || uid == 0 || QString::number(uid) != entry)
            continue;
        const QByteArray folder = QFile::encodeName(runtimeRoot + QLatin1Char('/') + entry);
        if (!isFolder(folder, uid_t(uid)) || !isSocket(folder + "/systemd/private"))
            continue;
        const struct passwd *account = ::getpwuid(uid_t(uid));
        if (!account || !account->pw_dir || !*account->pw_dir)
            continue;
        struct stat home {};
        if (::stat(account->pw_dir, &home) != 0 || !S_ISDIR(home.st_mode))
            continue;
        accounts.append({.uid = account->pw_uid,
                         .gid = account->pw_gid,
                         .name = QString::fromLocal8Bit(account->pw_name),
                         .home = QFile::decodeName(account->pw_dir),
                         .runtime = QFile::decodeName(folder)});
    }
    return accounts;
}

AccountAnswer runAsAccount(const LoggedInAccount &account, const QString &commands, int limitMs)
{
    // Everything the child needs is made before the fork: between fork and exec it only
    // makes system calls.
    const std::vector<gid_t> groups = groupsOf(account);
    const QByteArray text = commands.toUtf8();
    const QByteArray environment[] = {
        "HOME=" + QFile::encodeName(account.home),
        "USER=" + account.name.toLocal8Bit(),
        "LOGNAME=" + account.name.toLocal8Bit(),
        "PATH=/usr/bin:/bin",
        "XDG_RUNTIME_DIR=" + QFile::encodeName(account.runtime),
    };
    char *envp[] = {const_cast<char *>(environment[0].constData()), const_cast<char *>(environment[1].constData()),
                    const_cast<char *>(environment[2].constData()), const_cast<char *>(environment[3].constData()),
                    const_cast<char *>(environment[4].constData()), nullptr};
    char sh[] = "/bin/sh", dashC[] = "-c";
    char *argv[] = {sh, dashC, const_cast<char *>(text.constData()), nullptr};

    int out[2];
    if (!makeClosedOnExecPipe(out))
        return {};
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(out[0]);
        ::close(out[1]);
        return {};
    }
    if (pid == 0) {
        const int devNull = ::open("/dev/null", O_RDWR);
        if (devNull < 0 || ::dup2(devNull, STDIN_FILENO) < 0 || ::dup2(out[1], STDOUT_FILENO) < 0 || ::dup2(devNull, STDERR_FILENO) < 0)
            ::_exit(127);
        closeAllFrom(STDERR_FILENO + 1);
        // A session of its own: no controlling terminal, so nothing it runs can reach the
        // caller's (TIOCSTI), and it is one process group to kill.
        if (::setsid() < 0 || ::setgroups(groups.size(), groups.data()) != 0 || ::setgid(account.gid) != 0 || ::setuid(account.uid) != 0
            || ::setuid(0) == 0 || ::chdir("/") != 0)
            ::_exit(127);
        ::execve(sh, argv, envp);
        ::_exit(127);
    }
    ::close(out[1]);

    QByteArray bytes;
    bool ended = false;
    const QDeadlineTimer deadline(limitMs);
    for (;;) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0)
            break;
        pollfd readable{.fd = out[0], .events = POLLIN, .revents = 0};
        const int ready = ::poll(&readable, 1, int(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            break;
        char buffer[4096];
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            ended = true;
            break;
        }
        bytes.append(buffer, n);
    }
    ::close(out[0]);
    // Its output has ended; give the shell what is left of the limit to exit.
    int status = 0;
    pid_t reaped = 0;
    while (ended && (reaped = ::waitpid(pid, &status, WNOHANG)) == 0 && !deadline.hasExpired())
        ::usleep(5000);
    if (reaped != pid) {
        ::kill(-pid, SIGKILL);
        ::kill(pid, SIGKILL);
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return {.answered = false, .output = QString::fromUtf8(bytes)};
    }
    return {.answered = WIFEXITED(status), .output = QString::fromUtf8(bytes).trimmed()};
}
