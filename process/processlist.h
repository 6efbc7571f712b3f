#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// One process of the list command's output ("PID CPU RSS-KiB COMMAND…").
struct ProcessRow {
    qint64 pid = 0;
    double cpu = 0;    // percent of one core
    qint64 rssKib = 0; // resident memory in KiB
    QString command;   // the full command line
};

// The rows of the list command's output; lines of any other shape are left out.
QList<ProcessRow> parseProcessList(const QString &listOutput);

// One line of `hushwellctl list`: PID, CPU %, resident memory in MiB, command line (its
// control characters escaped).
QString processListLine(const ProcessRow &row);

// What to call a process in a short list: the target pattern its command line matches
// (ignoring case, as the count does), else the last part of its program's path.
QString shortProcessName(const QString &command, const QStringList &targets);
