#pragma once

#include "process/platform.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// What the guard stopped, read back from the service manager's journal. On Linux each run
// that finds targets prints them ("PID COMMAND") before the kill, and systemd keeps those
// lines in the account's journal; on macOS the script prints nothing, so no record is kept.

struct StoppedByGuard {
    qint64 pid = 0;
    QString command; // the whole command line, as ps printed it
};

// One run of the guard that stopped something: when it printed its first line, and what.
struct GuardRun {
    QDateTime at;
    QList<StoppedByGuard> processes;
};

// The runs in `journalctl --output=json` output (one object a line), oldest first, each
// run's lines kept together by the output stream that carried them. A line is the guard's
// when journald filed it under the guard's unit, or under no unit at all (the process that
// wrote it ended before journald looked) and either its stream is the guard's or it names
// a target. Lines of any other shape or unit (journalctl's own messages) are left out.
QList<GuardRun> parseGuardJournal(const QByteArray &journalJson);

// The record, or why it cannot be read (a sentence).
struct GuardLog {
    std::optional<QList<GuardRun>> runs;
    QString problem;
};

// The guard's runs since `since` (anything `journalctl --since` accepts), read from the
// account's journal: the account's own guard and the administrator's run under the same
// unit name there. Blocks for at most about ten seconds.
GuardLog readGuardLog(Platform platform = nativePlatform(), const QString &since = QStringLiteral("-24h"));

// "14:02:31  stopped 3: AdobeIPCBroker, Core Sync, CCXProcess", with the date in front
// when the run was not on `today`; a name that stopped several times is followed by the
// count ("Creative Cloud Helper ×2"). Names are escaped for a terminal and cut to a
// readable length.
QString guardRunLine(const GuardRun &run, const QDate &today = QDate::currentDate());

// What to call a process a run stopped: the target it is (of any list), else its
// program's name; escaped for a terminal and cut to a readable length.
QString stoppedName(const StoppedByGuard &process);

// A command line as the record shows it: cut to a few hundred characters, and for a
// terminal its control and format characters escaped (JSON escapes its own).
QString recordedCommand(const QString &command, bool forTerminal = true);
