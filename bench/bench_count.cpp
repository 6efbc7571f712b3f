// Median wall time of shell(countCommand()) against the same text run straight by
// /bin/sh -c, with the process table as the caller left it.
#include "process/preferences.h"
#include "process/scripts.h"
#include "process/shell.h"

#include <QElapsedTimer>

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

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? atoi(argv[1]) : 41;
    registerDefaultPreferences();
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
    const double a = median(viaShell), b = median(direct);
    std::printf("count command: shell() median %.2f ms, /bin/sh -c median %.2f ms, ratio %.3f (goal <= 1.10), %d rounds\n", a, b, a / b,
                rounds);
    return 0;
}
