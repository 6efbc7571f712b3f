#include "process/scripts.h"

#include "process/catalogue.h"
#include "process/preferences.h"
#include "process/shell.h"

namespace {

// macOS texts name each pattern plainly, one pkill line a pattern, as the design has them.
// Its count and list read every account's processes in any letter case, though its kill
// reaches only the user's own, case respected: the count is the wider look on purpose
// there.
ScriptProfile macProfile()
{
    const auto alternation = [](const QStringList &targets) { return targets.join(QLatin1Char('|')); };
    const auto filter = [alternation](const QStringList &targets) {
        return QStringLiteral(" | grep -iE \"") + alternation(targets) + QStringLiteral("\" | grep -v grep");
    };
    return {
        alternation,
        [filter](const QStringList &targets) { return QStringLiteral("ps ax -o command=") + filter(targets) + QStringLiteral(" | wc -l | tr -d ' '"); },
        [filter](const QStringList &targets) { return QStringLiteral("ps ax -o pid=,pcpu=,rss=,command=") + filter(targets); },
        {
            QStringLiteral("osascript -e 'quit app \"") + creativeCloudApp + QStringLiteral("\"' 2>/dev/null"),
            QStringLiteral("U=$(id -u)"),
            QStringLiteral("for L in ") + adobeLaunchAgents.join(QLatin1Char(' ')) + QStringLiteral("; do"),
            QStringLiteral("  launchctl bootout gui/$U/$L 2>/dev/null"),
            QStringLiteral("  launchctl disable gui/$U/$L 2>/dev/null"),
            QStringLiteral("done"),
        },
        [](const QStringList &targets, PassUse) {
            QStringList lines;
            for (const QString &identifier : finderExtensions)
                lines << QStringLiteral("pluginkit -e ignore -i ") + identifier + QStringLiteral(" 2>/dev/null");
            for (const QString &pattern : targets)
                lines << QStringLiteral("pkill -f \"") + pattern + QStringLiteral("\" 2>/dev/null");
            lines << QStringLiteral("sleep 2");
            for (const QString &pattern : targets)
                lines << QStringLiteral("pkill -9 -f \"") + pattern + QStringLiteral("\" 2>/dev/null");
            return lines;
        },
    };
}

// Linux procps pkill spares only itself and scans all of /proc on every call: every
// pattern has its first character in brackets (it still matches the process, but no
// longer the command line of the shell that carries the pattern text), and a pass is one
// alternation, one scan. The count and list ask pgrep for exactly what the kill can act
// on, and print nothing when the scan could not run, so that no failure reads as 0.
ScriptProfile linuxProfile()
{
    // A target matches only at the start of a command line or right after a path separator
    // ("/", or a backslash for a Windows program under Wine): a real target starts from its own
    // executable's path, while a pager, an editor or a grep that merely mentions one in its
    // arguments is left alone.
    const auto alternation = [](const QStringList &targets) {
        QStringList bracketed;
        for (const QString &pattern : targets)
            bracketed << (pattern.isEmpty() ? pattern : QLatin1Char('[') + pattern.left(1) + QLatin1Char(']') + pattern.mid(1));
        return QStringLiteral("(^|[/\\\\])(") + bracketed.join(QLatin1Char('|')) + QLatin1Char(')');
    };
    const auto pgrep = [alternation](const char *options, const QStringList &targets) {
        return QStringLiteral("pgrep ") + QLatin1String(options) + QStringLiteral(" -u \"$(id -u)\" -f ")
               + shellQuoted(alternation(targets)) + QStringLiteral(" 2>/dev/null");
    };
    return {
        alternation,
        // pgrep exits 0 (found) or 1 (none, and prints 0); anything else prints nothing.
        [pgrep](const QStringList &targets) { return QStringLiteral("n=$(") + pgrep("-c", targets) + QStringLiteral("); [ $? -le 1 ] && echo \"$n\""); },
        // "ww": procps ps cuts command lines to an exported $COLUMNS, even into a pipe.
        [pgrep](const QStringList &targets) {
            return QStringLiteral("pids=$(") + pgrep("-d,", targets) + QStringLiteral(") && ps ww -o pid=,pcpu=,rss=,command= -p \"$pids\"");
        },
        {}, // neither Creative Cloud's quit request nor launchd exists there
        [alternation](const QStringList &targets, PassUse use) {
            QStringList lines{
                QStringLiteral("U=$(id -u)"),
                QStringLiteral("P=") + shellQuoted(alternation(targets)),
                QStringLiteral("export U P"),
            };
            // A guard run that finds nothing costs this one scan; one that finds something
            // leaves what it stopped in the user's journal.
            if (use == PassUse::GuardScript)
                lines << QStringLiteral("pgrep -u \"$U\" -a -f \"$P\" 2>/dev/null || exit 0");
            lines << QStringLiteral("pkill -u \"$U\" -f \"$P\" 2>/dev/null")
                  << QStringLiteral("timeout 2 sh -c 'while pgrep -u \"$U\" -f \"$P\" >/dev/null 2>&1; do sleep 0.1; done'")
                  << QStringLiteral("pkill -9 -u \"$U\" -f \"$P\" 2>/dev/null");
            return lines;
        },
    };
}

} // namespace

const ScriptProfile &scriptProfile(Platform platform)
{
    static const ScriptProfile macTexts = macProfile(), linuxTexts = linuxProfile();
    switch (platform) {
    case Platform::MacOS:
        return macTexts;
    case Platform::Linux:
        return linuxTexts;
    }
    Q_UNREACHABLE();
}

QString targetAlternation(Platform platform, const QStringList &targets)
{
    return scriptProfile(platform).alternation(targets);
}

QStringList killPasses(Platform platform, const QStringList &targets, PassUse use)
{
    return scriptProfile(platform).killPasses(targets, use);
}

QString countCommandFor(Platform platform, const QStringList &targets)
{
    return scriptProfile(platform).count(targets);
}

QString countCommand(Platform platform)
{
    return countCommandFor(platform, targetList());
}

QString killScriptFor(Platform platform, const QStringList &targets)
{
    const ScriptProfile &profile = scriptProfile(platform);
    QStringList lines = profile.killPrelude;
    lines += profile.killPasses(targets, PassUse::KillScript);
    lines << QStringLiteral("exit 0");
    return lines.join(QLatin1Char('\n'));
}

QString killCommand(Platform platform)
{
    return killScriptFor(platform, targetList());
}

QString listCommandFor(Platform platform, const QStringList &targets)
{
    return scriptProfile(platform).list(targets);
}

QString listCommand(Platform platform)
{
    return listCommandFor(platform, targetList());
}
