#pragma once

#include <QStringList>
#include <QTextStream>

// Runs one hushwellctl command (arguments without the program name). Returns the exit
// status: 0 on success, 1 when an operation failed, 2 for a usage error (after one line
// on `err`; nothing is changed then).
int runCli(const QStringList &arguments, QTextStream &out, QTextStream &err);

// One line of `hushwellctl list` from one line of the list command's output
// ("PID CPU RSS-KB COMMAND..."); empty for a line that does not have that shape.
QString formatProcessLine(const QString &psLine);
