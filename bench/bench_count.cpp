// Median wall time of shell(countCommand()) against the same text run straight by
// /bin/sh -c, with the process table as the caller left it:   bench_count [ROUNDS]
// Or writes the texts hushwellctl kill runs (list.sh, kill.sh, count.sh) into DIR, for
// bench/run.sh's floor:   bench_count texts DIR
#include "process/preferences.h"
#include "process/scripts.h"
#include "process/shell.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <algorithm>
#include <cstdio>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <vector>

extern char **environ;

namespace {

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void runDirectly(const QByteArray &text)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    char sh[] = "/bin/sh", c[] = "-c";
    char *argv[] = {sh, c, const_cast<char *>(text.constData()), nullptr};
    pid_t pid;
    if (posix_spawn(&pid, sh, &actions, nullptr, argv, environ) == 0)
        waitpid(pid, nullptr, 0);
    posix_spawn_file_actions_destroy(&actions);
}

} // namespace

int writeTexts(const QString &dir)
{
    const struct {
        const char *name;
        QString text;
    } texts[] = {{"list.sh", listCommand()}, {"kill.sh", killCommand()}, {"count.sh", countCommand()}};
    for (const auto &[name, text] : texts) {
        QFile file(QDir(dir).filePath(QLatin1String(name)));
        if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) != text.toUtf8().size())
            return 1;
    }
    return 0;
}

int main(int argc, char **argv)
{
    registerDefaultPreferences();
    if (argc > 2 && QByteArray(argv[1]) == "texts")
        return writeTexts(QString::fromLocal8Bit(argv[2]));
    const int rounds = argc > 1 ? atoi(argv[1]) : 41;
    const QString command = countCommand();
    const QByteArray text = command.toUtf8();
    std::vector<double> viaShell, direct;
    QElapsedTimer t;
    for (int i = 0; i < rounds; ++i) {
        // Alternate so that drift in machine load hits both sides alike.
        t.start();
        shell(command);
        viaShell.push_back(t.nsecsElapsed() / 1e6);
        t.start();
        runDirectly(text);
        direct.push_back(t.nsecsElapsed() / 1e6);
    }
    // The two medians in milliseconds: shell()'s, then /bin/sh -c's.
    std::printf("%.2f %.2f\n", median(viaShell), median(direct));
    return 0;
}
