#include "process/shell.h"

#include <QByteArray>
#include <QStringDecoder>

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

bool isTrimmed(QChar c)
{
    const char16_t u = c.unicode();
    if (u == 0x09 || (u >= 0x0A && u <= 0x0D) || u == 0x85)
        return true;
    switch (c.category()) {
    case QChar::Separator_Space:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return true;
    default:
        return false;
    }
}

QByteArray readToEnd(int fd)
{
    QByteArray bytes;
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0)
            bytes.append(buffer, n);
        else if (n == 0 || errno != EINTR)
            break;
    }
    return bytes;
}

void waitFor(pid_t pid)
{
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

// Removes Unicode Zs, Zl and Zp characters, tab, U+000A to U+000D and U+0085 from both ends.
QString trimmedShellOutput(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isTrimmed(text.at(begin)))
        ++begin;
    while (end > begin && isTrimmed(text.at(end - 1)))
        --end;
    return text.mid(begin, end - begin);
}

} // namespace

bool makeClosedOnExecPipe(int fds[2])
{
#if defined(__linux__)
    return ::pipe2(fds, O_CLOEXEC) == 0;
#else
    if (::pipe(fds) != 0)
        return false;
    ::fcntl(fds[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(fds[1], F_SETFD, FD_CLOEXEC);
    return true;
#endif
}

QString shell(const QString &command)
{
    int out[2];
    if (!makeClosedOnExecPipe(out))
        return {};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    // Error output goes nowhere, so no amount of it can fill a pipe and stall the child.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);

    const QByteArray text = command.toUtf8();
    char sh[] = "/bin/sh";
    char dashC[] = "-c";
    char *argv[] = {sh, dashC, const_cast<char *>(text.constData()), nullptr};

    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // The child gets standard input, output and error and nothing else: a descriptor the
    // caller left open (a log, a socket, another child's pipe) must not leak into ps,
    // pkill or launchctl, nor keep someone else's pipe from reaching end of file.
#if defined(POSIX_SPAWN_CLOEXEC_DEFAULT)
    // macOS: close every descriptor the file actions do not name, which also closes the
    // window between pipe() and its FD_CLOEXEC above.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_CLOEXEC_DEFAULT);
    posix_spawn_file_actions_addinherit_np(&actions, STDIN_FILENO);
#elif defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
#endif

    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, sh, &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(out[1]);
    if (spawned != 0) {
        ::close(out[0]);
        return {};
    }

    // Read to end of file first, then reap: waiting first could deadlock on a full pipe.
    const QByteArray bytes = readToEnd(out[0]);
    ::close(out[0]);
    waitFor(pid);

    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString decoded = decoder.decode(bytes);
    if (decoder.hasError())
        return {};
    return trimmedShellOutput(decoded);
}

QString shellQuoted(const QString &text)
{
    QString quoted = text;
    quoted.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}
