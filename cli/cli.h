#pragma once

#include <QStringList>
#include <QTextStream>

// Runs one hushwellctl command (arguments without the program name). Returns the exit
// status: 0 on success, 1 when an operation failed, 2 for a usage error (after one line
// on `err`; nothing is changed then).
int runCli(const QStringList &arguments, QTextStream &out, QTextStream &err);
