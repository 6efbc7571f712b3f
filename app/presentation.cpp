#include "app/presentation.h"

#include "guard/guardpanel.h"
#include "process/catalogue.h"
#include "process/killreport.h"
#include "process/textwrap.h"
#include "skin/geometry.h"

#include <algorithm>

QColor statusColour(bool live)
{
    return live ? QColor::fromRgbF(0.55f, 0.06f, 0.06f) : QColor::fromRgbF(0.1f, 0.34f, 0.1f);
}

QColor guardColour(bool on)
{
    // macOS's systemGreenColor and systemRedColor in the light appearance.
    return on ? QColor(52, 199, 89) : QColor(255, 59, 48);
}

std::optional<QString> detailAfterKill(const KillPanel &refreshed)
{
    if (refreshed.quiet())
        return QStringLiteral("Fans should settle down shortly.");
    return std::nullopt;
}

namespace {

// A failed start or stop says why, or the window's line for it; a done one says what else
// the user must know, if anything.
std::optional<QString> detailAfterGuardAction(const GuardResult &result, const QString &failed)
{
    if (!result.done)
        return result.message.isEmpty() || result.messageNamesFile ? failed : result.message;
    if (!result.message.isEmpty())
        return result.message;
    return std::nullopt;
}

} // namespace

std::optional<QString> detailAfterBlock(const GuardResult &started)
{
    return detailAfterGuardAction(started, guardStartFailedText);
}

std::optional<QString> detailAfterUnblock(const GuardResult &stopped)
{
    return detailAfterGuardAction(stopped, guardStopFailedText);
}

std::optional<QString> detailAfterSettingsChange(const PreferenceChange &change)
{
    if (!change.stored)
        return QStringLiteral("Couldn't save that setting.");
    if (!change.guardFollowed)
        return change.message.isEmpty() || change.messageNamesFile ? QStringLiteral("Couldn't give the guard the new list.")
                                                                   : change.message;
    if (!change.message.isEmpty())
        return change.message;
    return std::nullopt;
}

std::optional<QString> detailForSettings(bool readable)
{
    if (!readable)
        return QStringLiteral("Couldn't read the settings; the defaults apply.");
    return std::nullopt;
}

QString startGuardTooltip()
{
    return QStringLiteral("Watches in the background and kills Adobe's processes again every ") + QString::number(guardInterval)
           + QStringLiteral(" seconds, however often they come back.");
}

QString stopGuardTooltip()
{
    return QStringLiteral("Stops watching. Adobe's processes are left alone from then on.");
}

QString desktopServiceTooltip()
{
    return QStringLiteral("Adobe's licensing service. Leave it ticked unless your Adobe apps start asking you to sign in, "
                          "then untick it.");
}

QString coreSyncTooltip()
{
    return QStringLiteral("Syncs the Creative Cloud Files folder and activates Adobe Fonts. Untick it if you use either.");
}

QString tooltipMarkup(const QString &text)
{
    // Qt shows a plain-text tooltip on one line however long it is, and wraps rich text
    // again at a width of its own: broken here after 44 characters or so, and kept from
    // breaking anywhere else, it reads like a paragraph.
    QStringList lines = wrappedLines(text, 44);
    for (QString &line : lines)
        line = line.toHtmlEscaped();
    return QStringLiteral("<p style=\"white-space:pre\">") + lines.join(QStringLiteral("<br>")) + QStringLiteral("</p>");
}

namespace {

// One row a process, its cells never broken ("0.0 %" is one cell, not three lines); ten at
// most, then "and N more".
QString processTable(const QList<ProcessRow> &rows, const QStringList &targets)
{
    constexpr qsizetype shown = 10;
    QString table = QStringLiteral("<table cellspacing=\"0\" cellpadding=\"2\" style=\"white-space:pre\">");
    for (const ProcessRow &row : rows.mid(0, shown))
        table += QStringLiteral("<tr><td align=\"right\">%1</td><td align=\"right\">%2 %</td>"
                                "<td align=\"right\">%3 MiB</td><td>%4</td></tr>")
                     .arg(row.pid)
                     .arg(row.cpu, 0, 'f', 1)
                     .arg(row.rssKib / 1024.0, 0, 'f', 1)
                     .arg(shortProcessName(row.command, targets).toHtmlEscaped());
    table += QStringLiteral("</table>");
    if (rows.size() > shown)
        table += QStringLiteral("and %1 more").arg(rows.size() - shown);
    return table;
}

} // namespace

QString processListTooltip(const QList<ProcessRow> &rows, const QStringList &targets)
{
    if (rows.isEmpty())
        return {};
    return QStringLiteral("<qt>") + processTable(rows, targets) + QStringLiteral("</qt>");
}

QString stoppedTooltip(const std::optional<QList<ProcessRow>> &stopped, const QStringList &targets)
{
    const std::optional<QString> sentence = stoppedSentence(stopped);
    if (!sentence)
        return {};
    return QStringLiteral("<qt><p style=\"white-space:pre\">") + sentence->toHtmlEscaped() + QStringLiteral("</p>")
           + processTable(*stopped, targets) + QStringLiteral("</qt>");
}

QString guardRecordTooltip(const GuardLog &lastDay, const QDateTime &now)
{
    if (!lastDay.runs)
        return {};
    qsizetype stopped = 0;
    for (const GuardRun &run : *lastDay.runs)
        stopped += run.processes.size();
    if (stopped == 0)
        return tooltipMarkup(QStringLiteral("Stopped nothing in the last 24 hours."));
    const GuardRun &last = lastDay.runs->constLast();
    const QString name = stoppedName(last.processes.constLast());
    const QDateTime at = last.at.toLocalTime();
    const QString when = (at.date() == now.toLocalTime().date() ? QStringLiteral("at ") : QStringLiteral("yesterday at "))
                         + at.toString(QStringLiteral("HH:mm"));
    return tooltipMarkup(stopped == 1
                             ? QStringLiteral("Stopped 1 process in the last 24 hours: %1, %2.").arg(name, when)
                             : QStringLiteral("Stopped %1 processes in the last 24 hours; the last, %2, %3.").arg(stopped).arg(name, when));
}

int drawerHeightFor(qsizetype targetGroupCount)
{
    return int(drawerHeight) + drawerRowPitch * int(std::max<qsizetype>(targetGroupCount - 2, 0));
}

QRect drawerToggledGeometry(const QRect &geometry, bool nowOpen, const QRect &available, int raisedOnOpen)
{
    const int change = drawerHeightFor(targetGroups().size());
    QRect next = geometry.adjusted(0, 0, 0, nowOpen ? change : -change);
    if (!available.isValid())
        return next;
    if (nowOpen) {
        const int overflow = next.bottom() - available.bottom();
        if (overflow > 0)
            next.moveTop(std::max(next.top() - overflow, std::min(available.top(), next.top())));
    } else {
        next.translate(0, std::clamp(available.bottom() - next.bottom(), 0, std::max(raisedOnOpen, 0)));
    }
    return next;
}

std::optional<QString> noGraphicalSessionMessage(Platform platform, const QStringList &environment)
{
    switch (platform) {
    case Platform::MacOS:
        return std::nullopt; // the window server is always there
    case Platform::Linux:
        for (const QString &variable : environment)
            for (const char *name : {"DISPLAY=", "WAYLAND_DISPLAY=", "QT_QPA_PLATFORM="})
                if (variable.startsWith(QLatin1String(name)) && variable.size() > int(qstrlen(name)))
                    return std::nullopt;
        return QStringLiteral("hushwell: needs a graphical session (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                              "hushwellctl works without one.");
    }
    Q_UNREACHABLE();
}

QString displayFailureMessage(const QStringList &environment)
{
    QStringList named;
    for (const char *name : {"QT_QPA_PLATFORM=", "WAYLAND_DISPLAY=", "DISPLAY="})
        for (const QString &variable : environment)
            if (variable.startsWith(QLatin1String(name)))
                named << variable;
    return QStringLiteral("hushwell: couldn't reach a graphical session (%1); hushwellctl works without one.")
        .arg(named.isEmpty() ? QStringLiteral("no display named") : named.join(QStringLiteral(", ")));
}

std::optional<QString> unsupportedPlatformMessage(const QStringList &environment, const QStringList &arguments)
{
    QStringList asked;
    for (const QString &variable : environment)
        if (variable.startsWith(QLatin1String("QT_QPA_PLATFORM=")))
            asked += variable.section(QLatin1Char('='), 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i + 1 < arguments.size(); ++i)
        if (arguments.at(i) == QLatin1String("-platform") || arguments.at(i) == QLatin1String("--platform"))
            asked += arguments.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
    static const QStringList drawsWindows{QStringLiteral("xcb"),         QStringLiteral("wayland"),
                                          QStringLiteral("wayland-egl"), QStringLiteral("wayland-generic"),
                                          QStringLiteral("offscreen"),   QStringLiteral("cocoa")};
    for (const QString &platform : asked)
        if (!drawsWindows.contains(platform.section(QLatin1Char(':'), 0, 0).trimmed()))
            return displayFailureMessage(environment);
    return std::nullopt;
}

QList<MenuEntry> applicationMenuEntries(Platform platform)
{
    QList<MenuEntry> entries{{MenuCommand::About, QStringLiteral("About Hushwell"), {}}, {MenuCommand::Separator, {}, {}}};
    switch (platform) {
    case Platform::MacOS:
        break; // Hide is the application menu's own there
    case Platform::Linux:
        entries +=
            {{MenuCommand::Hide, QStringLiteral("Hide Hushwell"), QKeySequence(Qt::CTRL | Qt::Key_H)}, {MenuCommand::Separator, {}, {}}};
        break;
    }
    entries += {MenuCommand::Quit, QStringLiteral("Quit Hushwell"), QKeySequence(Qt::CTRL | Qt::Key_Q)};
    return entries;
}
