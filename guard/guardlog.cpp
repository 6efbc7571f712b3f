#include "guard/guardlog.h"

#include "process/catalogue.h"
#include "process/processlist.h"
#include "process/shell.h"
#include "process/textwrap.h"

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>

namespace {

// journalctl writes a field that is not clean UTF-8 text as an array of its bytes.
QString fieldText(const QJsonValue &value)
{
    if (value.isString())
        return value.toString();
    QByteArray bytes;
    for (const QJsonValue &byte : value.toArray())
        bytes.append(char(byte.toInt()));
    return QString::fromUtf8(bytes);
}

// Every name the guard of any version could have stopped, whatever the list in force now.
const QStringList &everyTarget()
{
    static const QStringList all = basePatterns + desktopServicePatterns + coreSyncPatterns;
    return all;
}

constexpr qsizetype commandShown = 300;

// Whether a command line, as ps prints it, starts with a target's name, or has one right
// after a path separator: what the guard's own test makes of a program's path.
bool namesTarget(const QString &command)
{
    for (const QString &name : everyTarget())
        for (qsizetype at = command.indexOf(name); at >= 0; at = command.indexOf(name, at + 1))
            if (at == 0 || command.at(at - 1) == QLatin1Char('/') || command.at(at - 1) == QLatin1Char('\\'))
                return true;
    return false;
}

} // namespace

QList<GuardRun> parseGuardJournal(const QByteArray &journalJson)
{
    static const QRegularExpression shape(QStringLiteral("^\\s*(\\d+)\\s+(.+)$"));
    const QString unit = guardLabel + QStringLiteral(".service");
    struct Line {
        QString stream, command;
        qint64 pid, micros;
        bool ours; // filed under the guard's unit
    };
    QList<Line> lines;
    QSet<QString> streamsOfUnit;
    for (const QByteArray &text : journalJson.split('\n')) {
        const QJsonObject entry = QJsonDocument::fromJson(text).object();
        const QRegularExpressionMatch m = shape.match(fieldText(entry.value(QLatin1String("MESSAGE"))));
        bool timeRead = false;
        const qint64 micros = entry.value(QLatin1String("__REALTIME_TIMESTAMP")).toString().toLongLong(&timeRead);
        if (!m.hasMatch() || !timeRead)
            continue;
        const QString filedUnder = fieldText(entry.value(QLatin1String("_SYSTEMD_USER_UNIT")));
        const bool unfiled = filedUnder.isEmpty() && !entry.contains(QLatin1String("_SYSTEMD_UNIT"));
        // journald files a line under the process that wrote it (ps, in the guard's script),
        // read from /proc: when ps has ended before that, the line is filed under nothing.
        // Such a line is the guard's when its stream is, or when it names a target.
        if (filedUnder != unit && !unfiled)
            continue;
        const QString stream = entry.value(QLatin1String("_STREAM_ID")).toString();
        if (filedUnder == unit && !stream.isEmpty())
            streamsOfUnit.insert(stream);
        lines.append({stream, m.captured(2), m.captured(1).toLongLong(), micros, filedUnder == unit});
    }
    QList<GuardRun> runs;
    QHash<QString, qsizetype> runOfStream;
    for (const Line &line : std::as_const(lines)) {
        if (!line.ours && !streamsOfUnit.contains(line.stream) && !namesTarget(line.command))
            continue;
        const auto known = line.stream.isEmpty() ? runOfStream.cend() : runOfStream.constFind(line.stream);
        qsizetype run = known == runOfStream.cend() ? runs.size() : *known;
        if (run == runs.size()) {
            runs.append({QDateTime::fromMSecsSinceEpoch(line.micros / 1000), {}});
            if (!line.stream.isEmpty())
                runOfStream.insert(line.stream, run);
        }
        runs[run].processes.append({line.pid, line.command});
    }
    return runs;
}

GuardLog readGuardLog(Platform platform, const QString &since)
{
    switch (platform) {
    case Platform::MacOS:
        return {std::nullopt, QStringLiteral("The guard keeps no record on macOS: its script prints nothing.")};
    case Platform::Linux:
        break;
    }
    // What the account's shells printed (the guard's script runs in one, and the manager's
    // lines about the unit say nothing of what it stopped), sorted by the parser: matching
    // the unit alone would miss the lines journald could not file under it. journalctl's
    // messages come through too, and then its exit status. That there is no journal file
    // at all it says only in its plain output, asked only when the answer is empty. Every
    // journal file the account may read: root's own guard runs are in the system journal,
    // which --user leaves out.
    const QString output = shell(QStringLiteral("out=$(timeout 10 journalctl _TRANSPORT=stdout _UID=$(id -u) SYSLOG_IDENTIFIER=sh"
                                                " --output=json --output-fields=MESSAGE,_STREAM_ID,_SYSTEMD_USER_UNIT,_SYSTEMD_UNIT"
                                                " --no-pager --since=%1 2>&1); status=$?; printf '%s\\n' \"$out\";"
                                                " [ -n \"$out\" ] || timeout 10 journalctl --lines=0 --no-pager 2>&1 |"
                                                " grep -x 'No journal files were found.'; echo \"exit $status\"")
                                     .arg(shellQuoted(since)));
    QByteArray entries;
    QString said;
    for (const QString &line : output.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('{')))
            entries += line.toUtf8() + '\n';
        else if (said.isEmpty() && !line.startsWith(QLatin1String("exit ")) && !line.startsWith(QLatin1String("Hint:")))
            said = line.trimmed();
    }
    const QString status = output.section(QLatin1Char('\n'), -1);
    if (status == QLatin1String("exit 124"))
        return {std::nullopt, QStringLiteral("The journal did not answer within 10 seconds.")};
    // With no journal file at all (no journald runs, or it keeps nothing) journalctl says
    // so and succeeds: that is no record, not a record of nothing.
    if (status != QLatin1String("exit 0") || said.startsWith(QLatin1String("No journal files were")))
        return {std::nullopt, QStringLiteral("Couldn't read the guard's record from the journal: %1")
                                  .arg(said.isEmpty() ? QStringLiteral("journalctl failed") : recordedCommand(said))};
    return {parseGuardJournal(entries), {}};
}

QString stoppedName(const StoppedByGuard &process)
{
    return recordedCommand(shortProcessName(process.command, everyTarget()));
}

QString recordedCommand(const QString &command, bool forTerminal)
{
    const QString cut = cutToLength(command, commandShown);
    return forTerminal ? printable(cut) : cut;
}

QString guardRunLine(const GuardRun &run, const QDate &today)
{
    QStringList names;
    QList<int> times;
    for (const StoppedByGuard &process : run.processes) {
        const QString name = stoppedName(process);
        if (const qsizetype at = names.indexOf(name); at >= 0) {
            ++times[at];
        } else {
            names << name;
            times << 1;
        }
    }
    for (qsizetype i = 0; i < names.size(); ++i)
        if (times.at(i) > 1)
            names[i] += QStringLiteral(" \u00d7%1").arg(times.at(i));
    const QDateTime local = run.at.toLocalTime();
    const QString when =
        local.date() == today ? local.toString(QStringLiteral("HH:mm:ss")) : local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return QStringLiteral("%1  stopped %2: %3").arg(when).arg(run.processes.size()).arg(names.join(QStringLiteral(", ")));
}
