#include "process/processlist.h"

#include "process/textwrap.h"

#include <QRegularExpression>

QList<ProcessRow> parseProcessList(const QString &listOutput)
{
    static const QRegularExpression shape(QStringLiteral("^\\s*(\\d+)\\s+([0-9.]+)\\s+(\\d+)\\s+(.+)$"));
    QList<ProcessRow> rows;
    for (const QString &line : listOutput.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch m = shape.match(line);
        if (m.hasMatch())
            rows.append({m.captured(1).toLongLong(), m.captured(2).toDouble(), m.captured(3).toLongLong(), m.captured(4)});
    }
    return rows;
}

QString processListLine(const ProcessRow &row)
{
    return QStringLiteral("%1  %2%  %3 MiB  %4")
        .arg(row.pid, 7)
        .arg(row.cpu, 5, 'f', 1)
        .arg(row.rssKib / 1024.0, 7, 'f', 1)
        .arg(printable(row.command)); // a command line is anyone's text: no escape reaches the terminal
}

QString shortProcessName(const QString &command, const QStringList &targets)
{
    for (const QString &pattern : targets)
        if (command.contains(pattern, Qt::CaseInsensitive))
            return pattern;
    return command.section(QLatin1Char(' '), 0, 0).section(QLatin1Char('/'), -1);
}
