#include "cli/cli.h"

#include <QCoreApplication>
#include <QTextStream>

#include <csignal>
#include <cstdio>

int main(int argc, char *argv[])
{
    // A reader that goes away (`hushwellctl list | head -c0`) is a failed write, reported
    // as exit 1 below, not a death by SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    const int status = runCli(app.arguments().mid(1), out, err);
    // A full disk or a closed pipe must not pass for success: a script reading the output
    // would take a truncated answer for a whole one.
    out.flush();
    if (out.status() != QTextStream::Ok || std::fflush(stdout) != 0) {
        err << "hushwellctl: couldn't write to standard output\n";
        return 1;
    }
    return status;
}
