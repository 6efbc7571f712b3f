#include "process/shell.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

namespace {

TEST(Shell, TrimsTheWhiteSpaceSetAtBothEndsOnly)
{
    struct Row {
        const char *name;
        QString command;
        QString expected;
    };
    const Row rows[] = {
        {"spaces and a line feed around a digit", "printf '  3\\n'", "3"},
        {"nothing printed", "true", ""},
        {"inner line breaks stay", "printf 'a\\n\\nb\\n'", "a\n\nb"},
        {"tabs, CR, VT and FF", "printf '\\t\\r\\v\\f x \\f\\v\\r\\t'", "x"},
        {"NEL, no-break space, line and paragraph separators",
         "printf '\\302\\205\\302\\240\\342\\200\\250x\\342\\200\\251\\342\\200\\203'", "x"},
        {"inner separators stay", "printf ' a\\302\\240b '", QString::fromUtf8("a\u00a0b")},
        {"zero-width space is not white space", "printf '\\342\\200\\213x'", QString::fromUtf8("\u200bx")},
        {"a byte-order mark is kept", "printf '\\357\\273\\277x'", QChar(0xfeff) + QStringLiteral("x")},
    };
    for (const Row &row : rows)
        EXPECT_EQ(shell(row.command), row.expected) << row.name;
}

TEST(Shell, OnlyStandardOutputCountsAndExitStatusIsIgnored)
{
    EXPECT_EQ(shell("echo oops >&2"), "");
    EXPECT_EQ(shell("echo yes; exit 3"), "yes");
    EXPECT_EQ(shell("echo partial; kill -9 $$"), "partial");
    EXPECT_EQ(shell("no-such-command-anywhere"), "");
}

TEST(Shell, InvalidUtf8GivesTheEmptyString)
{
    EXPECT_EQ(shell("printf 'ok\\377'"), "");
    EXPECT_EQ(shell("printf 'cut \\342\\202'"), "") << "a sequence cut off at the end";
    EXPECT_EQ(shell("printf '\\300\\200'"), "") << "an overlong encoding";
}

TEST(Shell, ManyLinesRunAsOneScript)
{
    EXPECT_EQ(shell("A=1\nB=$((A + 1))\necho $A $B"), "1 2");
}

TEST(Shell, MegabytesOfErrorOutputCannotStallIt)
{
    EXPECT_EQ(shell("head -c 8000000 /dev/zero | tr '\\0' x >&2; echo done"), "done");
}

TEST(Shell, LargeOutputIsReadWhole)
{
    EXPECT_EQ(shell("head -c 3000000 /dev/zero | tr '\\0' x").size(), 3000000);
}

TEST(Shell, InheritsEnvironmentAndWorkingDirectory)
{
    qputenv("HUSHWELL_SHELL_PROBE", "inherited");
    EXPECT_EQ(shell("echo $HUSHWELL_SHELL_PROBE"), "inherited");
    QTemporaryDir dir;
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    EXPECT_EQ(shell("pwd -P"), QDir(dir.path()).canonicalPath());
    QDir::setCurrent(before);
}

TEST(Shell, TheChildInheritsNoDescriptorButTheStandardThree)
{
    QTemporaryDir dir;
    const int fd = ::open(QFile::encodeName(dir.path() + "/open").constData(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::dup2(fd, 7), 7); // no close-on-exec, as a caller's 7>file leaves it
    EXPECT_EQ(shell("ls /proc/$$/fd | tr '\\n' ' '"), "0 1 2");
    ::close(7);
    ::close(fd);
}

TEST(Shell, CallsFromSeveralThreadsDoNotMixTheirOutput)
{
    std::vector<std::thread> threads;
    std::vector<QString> results(8);
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([i, &results] { results[i] = shell(QStringLiteral("sleep 0.1; echo %1").arg(i)); });
    for (auto &t : threads)
        t.join();
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(results[i], QString::number(i));
}

} // namespace
