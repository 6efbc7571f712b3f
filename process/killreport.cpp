#include "process/killreport.h"

#include "process/killpanel.h"
#include "process/scripts.h"
#include "process/shell.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#include <cerrno>
#include <csignal>

std::optional<QList<ProcessRow>> listTargets(const QStringList &targets)
{
    const Platform platform = nativePlatform();
    const QList<ProcessRow> listed = parseProcessList(shell(listCommandFor(platform, targets)));
    if (listed.isEmpty() && !killPanelFor(shell(countCommandFor(platform, targets))).quiet())
        return std::nullopt;
    return listed;
}

std::optional<QList<ProcessRow>> killListed(const QStringList &targets)
{
    const std::optional<QList<ProcessRow>> known = listTargets(targets);
    shell(killScriptFor(nativePlatform(), targets));
    if (!known)
        return std::nullopt;
    const QList<ProcessRow> &listed = *known;
    // A process the last signal-9 pass hit may take a moment to end on a busy machine: give
    // the listed ones a second in all, so that neither the report nor the count that follows
    // takes one that is dying for one that lives.
    const QDeadlineTimer ending(1000);
    QList<ProcessRow> stopped;
    for (const ProcessRow &row : listed) {
        while (!processGone(row.pid) && !ending.hasExpired())
            QThread::msleep(10);
        if (processGone(row.pid))
            stopped.append(row);
    }
    return stopped;
}

bool processGone(qint64 pid)
{
    if (pid <= 0)
        return false;
    if (::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
        return true;
    // Ended, but not yet reaped by its parent: nothing of it runs.
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const qsizetype afterName = line.lastIndexOf(") ");
    return afterName >= 0 && line.mid(afterName + 2, 1) == "Z";
}

std::optional<QString> stoppedSentence(const std::optional<QList<ProcessRow>> &stopped)
{
    if (!stopped || stopped->isEmpty())
        return std::nullopt;
    qint64 kib = 0;
    for (const ProcessRow &row : *stopped)
        kib += row.rssKib;
    return QStringLiteral("Stopped %1 %2 holding %3 MiB.")
        .arg(stopped->size())
        .arg(stopped->size() == 1 ? QStringLiteral("process") : QStringLiteral("processes"))
        .arg(kib / 1024.0, 0, 'f', 1);
}
