#pragma once

#include "cli/cli.h"

// Runs one hushwellctl command in this process and keeps what it printed.
struct CtlResult {
    int status;
    QString out, err;
};

inline CtlResult ctl(const QStringList &args)
{
    QString out, err;
    QTextStream o(&out), e(&err);
    const int status = runCli(args, o, e);
    o.flush();
    e.flush();
    return {status, out, err};
}
