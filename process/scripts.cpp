#include "process/scripts.h"

#include "process/catalogue.h"
#include "process/preferences.h"
#include "process/shell.h"

namespace {

// The macOS count and list read every account's processes in any letter case, as the
// design has them, though its kill reaches only the user's own, case respected: the count
// is the wider look on purpose there. On Linux they ask pgrep for exactly what the kill
// can act on, and print nothing when the scan could not run, so that no failure reads as 0.
QString macTargetFilter(const QStringList &targets)
{
    return QStringLiteral(" | grep -iE \"") + targetAlternation(Platform::MacOS, targets) + QStringLiteral("\" | grep -v grep");
}

QString linuxPgrep(const char *options, const QStringList &targets)
{
    return QStringLiteral("pgrep ") + QLatin1String(options) + QStringLiteral(" -u \"$(id -u)\" -f ")
           + shellQuoted(targetAlternation(Platform::Linux, targets)) + QStringLiteral(" 2>/dev/null");
}

QStringList macKillPasses(const QStringList &targets)
{
    QStringList lines;
    for (const QString &identifier : finderExtensions)
        lines << QStringLiteral("pluginkit -e ignore -i ") + identifier + QStringLiteral(" 2>/dev/null");
    for (const QString &pattern : targets)
        lines << QStringLiteral("pkill -f \"") + pattern + QStringLiteral("\" 2>/dev/null");
    lines << QStringLiteral("sleep 2");
    for (const QString &pattern : targets)
        lines << QStringLiteral("pkill -9 -f \"") + pattern + QStringLiteral("\" 2>/dev/null");
    return lines;
}

QStringList linuxKillPasses(const QStringList &targets, PassUse use)
{
    QStringList lines{
        QStringLiteral("U=$(id -u)"),
        QStringLiteral("P=") + shellQuoted(targetAlternation(Platform::Linux, targets)),
        QStringLiteral("export U P"),
    };
    // A guard run that finds nothing costs this one scan; one that finds something leaves
    // what it stopped in the user's journal.
    if (use == PassUse::GuardScript)
        lines << QStringLiteral("pgrep -u \"$U\" -a -f \"$P\" 2>/dev/null || exit 0");
    lines << QStringLiteral("pkill -u \"$U\" -f \"$P\" 2>/dev/null")
          << QStringLiteral("timeout 2 sh -c 'while pgrep -u \"$U\" -f \"$P\" >/dev/null 2>&1; do sleep 0.1; done'")
          << QStringLiteral("pkill -9 -u \"$U\" -f \"$P\" 2>/dev/null");
    return lines;
}

} // namespace

QString targetAlternation(Platform platform, const QStringList &targets)
{
    switch (platform) {
    case Platform::MacOS:
        return targets.join(QLatin1Char('|'));
    case Platform::Linux: {
        QStringList bracketed;
        for (const QString &pattern : targets)
            bracketed << (pattern.isEmpty() ? pattern
                                            : QLatin1Char('[') + pattern.left(1) + QLatin1Char(']') + pattern.mid(1));
        return bracketed.join(QLatin1Char('|'));
    }
    }
    Q_UNREACHABLE();
}

QStringList killPasses(Platform platform, const QStringList &targets, PassUse use)
{
    switch (platform) {
    case Platform::MacOS:
        return macKillPasses(targets);
    case Platform::Linux:
        return linuxKillPasses(targets, use);
    }
    Q_UNREACHABLE();
}

QString countCommandFor(Platform platform, const QStringList &targets)
{
    switch (platform) {
    case Platform::MacOS:
        return QStringLiteral("ps ax -o command=") + macTargetFilter(targets) + QStringLiteral(" | wc -l | tr -d ' '");
    case Platform::Linux:
        // pgrep exits 0 (found) or 1 (none, and prints 0); anything else prints nothing.
        return QStringLiteral("n=$(") + linuxPgrep("-c", targets) + QStringLiteral("); [ $? -le 1 ] && echo \"$n\"");
    }
    Q_UNREACHABLE();
}

QString countCommand(Platform platform)
{
    return countCommandFor(platform, targetList());
}

QString killScriptFor(Platform platform, const QStringList &targets)
{
    QStringList lines;
    switch (platform) {
    case Platform::MacOS:
        lines = QStringList{
            QStringLiteral("osascript -e 'quit app \"") + creativeCloudApp + QStringLiteral("\"' 2>/dev/null"),
            QStringLiteral("U=$(id -u)"),
            QStringLiteral("for L in ") + adobeLaunchAgents.join(QLatin1Char(' ')) + QStringLiteral("; do"),
            QStringLiteral("  launchctl bootout gui/$U/$L 2>/dev/null"),
            QStringLiteral("  launchctl disable gui/$U/$L 2>/dev/null"),
            QStringLiteral("done"),
        };
        break;
    case Platform::Linux:
        break; // neither Creative Cloud's quit request nor launchd exists there
    }
    lines += killPasses(platform, targets, PassUse::KillScript);
    lines << QStringLiteral("exit 0");
    return lines.join(QLatin1Char('\n'));
}

QString killCommand(Platform platform)
{
    return killScriptFor(platform, targetList());
}

QString listCommandFor(Platform platform, const QStringList &targets)
{
    switch (platform) {
    case Platform::MacOS:
        return QStringLiteral("ps ax -o pid=,pcpu=,rss=,command=") + macTargetFilter(targets);
    case Platform::Linux:
        // "ww": procps ps cuts command lines to an exported $COLUMNS, even into a pipe.
        return QStringLiteral("pids=$(") + linuxPgrep("-d,", targets)
               + QStringLiteral(") && ps ww -o pid=,pcpu=,rss=,command= -p \"$pids\"");
    }
    Q_UNREACHABLE();
}

QString listCommand(Platform platform)
{
    return listCommandFor(platform, targetList());
}
