
#include "support/world.h"

#include "process/shell.h"

#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <future>
#include <unistd.h>
#include <vector>


TEST(Shell, WhatACommandPrintsAndWhatComesBack)
{
    struct Row {
        const char *name;
        QString command, expected;
    };
    const Row rows[] = {
        {"spaces and a line feed around a digit", "printf '  3\\n'", "3"},
        {"inner line breaks stay", "printf 'a\\n\\nb\\n'", "a\n\nb"},
        {"NEL, no-break space, line and paragraph separators",
         "printf '\\302\\205\\302\\240\\342\\200\\250x\\342\\200\\251\\342\\200\\203'", "x"},
        {"standard error is not output", "echo oops >&2", ""},
        {"the exit status is ignored", "echo yes; exit 3", "yes"},
        {"a shell killed midway", "echo partial; kill -9 $$", "partial"},
        {"a command that does not exist", "no-such-command-anywhere", ""},
        {"invalid UTF-8", "printf 'ok\\377'", ""},
        {"many lines run as one script", "A=1\nB=$((A + 1))\necho $A $B", "1 2"},
        {"megabytes of error output cannot stall it", "head -c 8000000 /dev/zero | tr '\\0' x >&2; echo done", "done"},
        {"the child inherits descriptors 0 to 2 only", "ls /proc/$$/fd", "0\n1\n2"},
    };
    // A descriptor the caller left open without close-on-exec, as `hushwellctl 7>file`
    // does; and this process's own standard error, which the children must not write to.
    QTemporaryDir dir;
    const QString caught = dir.path() + "/stderr";
    const int fd = ::open(QFile::encodeName(caught).constData(), O_WRONLY | O_CREAT, 0600);
    const int savedError = ::dup(STDERR_FILENO);
    ASSERT_EQ(::dup2(fd, 7), 7);
    ::dup2(fd, STDERR_FILENO);
    for (const Row &row : rows)
        EXPECT_EQ(shell(row.command), row.expected) << row.name;
    ::dup2(savedError, STDERR_FILENO);
    ::close(7);
    ::close(fd);
    EXPECT_EQ(QFile(caught).size(), 0) << "error output goes to /dev/null, not to the caller";
    EXPECT_EQ(shell("head -c 3000000 /dev/zero | tr '\\0' x").size(), 3000000);
}

TEST(Shell, RunsFromManyThreadsAtOnce)
{
    std::vector<std::future<QString>> results;
    for (int i = 0; i < 8; ++i)
        results.push_back(std::async(std::launch::async, [i] { return shell(QStringLiteral("sleep 0.1; echo %1").arg(i)); }));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(results[i].get(), QString::number(i));
}
