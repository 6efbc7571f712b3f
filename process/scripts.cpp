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
    const auto filter = [](const QStringList &targets) {
        return QStringLiteral(" | grep -iE \"") + targets.join(QLatin1Char('|')) + QStringLiteral("\" | grep -v grep");
    };
    return {
        [filter](const QStringList &targets) {
            return QStringLiteral("ps ax -o command=") + filter(targets) + QStringLiteral(" | wc -l | tr -d ' '");
        },
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

// Linux procps pkill spares only itself and scans all of /proc on every call, and sees
// only the joined command line. So a pass is one pgrep scan that picks candidates with a
// filter no command line holding the script's own text matches (each pattern's first
// character in brackets), then a check of each candidate's own program path, argv[0]
// alone: a target starts from its executable's path (after "/", or "\" for a Windows
// program under Wine), while an editor, a viewer or a launcher that only names one in its
// arguments is left alone. The count and list print nothing when the scan could not run,
// so that no failure reads as 0.
struct LinuxTexts {
    QStringList preamble; // U, P and H
    QString pick;         // prints the pid of every target, one a line
};

QString extendedRegexEscaped(const QString &pattern)
{
    QString escaped;
    for (const QChar c : pattern) {
        if (QStringLiteral("\\.[]()*+?{}|^$").contains(c))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    return escaped;
}

LinuxTexts linuxTexts(const QStringList &targets)
{
    QStringList bracketed, plain;
    for (const QString &pattern : targets) {
        bracketed << (pattern.isEmpty() ? pattern : QLatin1Char('[') + pattern.left(1) + QLatin1Char(']') + pattern.mid(1));
        plain << extendedRegexEscaped(pattern);
    }
    return {
        .preamble = {QStringLiteral("U=$(id -u)"),
                     QStringLiteral("P=")
                         + shellQuoted(QStringLiteral("(^|[/\\\\])(") + bracketed.join(QLatin1Char('|')) + QLatin1Char(')')),
                     QStringLiteral("H=")
                         + shellQuoted(QStringLiteral("^(.*[/\\\\])?(") + plain.join(QLatin1Char('|')) + QLatin1Char(')'))},
        // A candidate that exits meanwhile has no cmdline left, and a zombie an empty one.
        .pick = QStringLiteral("for p in $(pgrep -u \"$U\" -f \"$P\" 2>/dev/null); do head -zn1 \"/proc/$p/cmdline\" 2>/dev/null"
                               " | grep -qzE \"$H\" && echo \"$p\"; done"),
    };
}

ScriptProfile linuxProfile()
{
    return {
        // pgrep exits 0 (found) or 1 (none); anything else prints nothing.
        [](const QStringList &targets) {
            QStringList lines = linuxTexts(targets).preamble;
            lines << QStringLiteral("L=$(pgrep -u \"$U\" -f \"$P\" 2>/dev/null); [ $? -le 1 ] || exit 0")
                  << QStringLiteral("n=0; for p in $L; do head -zn1 \"/proc/$p/cmdline\" 2>/dev/null | grep -qzE \"$H\" && n=$((n + 1)); "
                                    "done; echo \"$n\"");
            return lines.join(QLatin1Char('\n'));
        },
        // "ww": procps ps cuts command lines to an exported $COLUMNS, even into a pipe; "-q"
        // reads only the listed processes, where "-p" reads every one.
        [](const QStringList &targets) {
            const LinuxTexts texts = linuxTexts(targets);
            QStringList lines = texts.preamble;
            lines << QStringLiteral("K=$(") + texts.pick + QLatin1Char(')')
                  << QStringLiteral("[ -n \"$K\" ] && ps ww -o pid=,pcpu=,rss=,command= -q \"$(echo $K | tr ' ' ,)\"");
            return lines.join(QLatin1Char('\n'));
        },
        {}, // neither Creative Cloud's quit request nor launchd exists there
        [](const QStringList &targets, PassUse use) {
            const LinuxTexts texts = linuxTexts(targets);
            QStringList lines = texts.preamble;
            // The waiting shell finds the pick in its environment, so its own command line
            // names no target.
            lines << QStringLiteral("T=") + shellQuoted(texts.pick) << QStringLiteral("export U P H T");
            switch (use) {
            case PassUse::KillScript:
                lines << QStringLiteral("K=$(eval \"$T\"); [ -n \"$K\" ] && kill $K 2>/dev/null");
                break;
            case PassUse::GuardScript:
                // A run that finds nothing costs this one scan; one that finds something
                // leaves what it stopped in the user's journal.
                lines << QStringLiteral("K=$(eval \"$T\"); [ -n \"$K\" ] || exit 0")
                      << QStringLiteral("ps ww -o pid=,command= -q \"$(echo $K | tr ' ' ,)\" 2>/dev/null")
                      << QStringLiteral("kill $K 2>/dev/null");
                break;
            }
            lines << QStringLiteral("timeout 2 sh -c 'while [ -n \"$(eval \"$T\")\" ]; do sleep 0.1; done'")
                  << QStringLiteral("K=$(eval \"$T\"); [ -n \"$K\" ] && kill -9 $K 2>/dev/null");
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
