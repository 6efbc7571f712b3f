#include "process/scripts.h"

#include "process/catalogue.h"
#include "process/preferences.h"

namespace {

QStringList pluginkitLines()
{
    QStringList lines;
    for (const QString &identifier : finderExtensions)
        lines << QStringLiteral("pluginkit -e ignore -i ") + identifier + QStringLiteral(" 2>/dev/null");
    return lines;
}

QString grepTargets(const QStringList &targets)
{
    return QStringLiteral("grep -iE \"") + targets.join(QLatin1Char('|')) + QStringLiteral("\" | grep -v grep");
}

} // namespace

ScriptProfile scriptProfile(Platform platform)
{
    if (platform == Platform::Linux)
        return {{}, {}, true};
    return {
        {
            QStringLiteral("osascript -e 'quit app \"Creative Cloud\"' 2>/dev/null"),
            QStringLiteral("U=$(id -u)"),
            QStringLiteral("for L in com.adobe.AdobeCreativeCloud com.adobe.ccxprocess; do"),
            QStringLiteral("  launchctl bootout gui/$U/$L 2>/dev/null"),
            QStringLiteral("  launchctl disable gui/$U/$L 2>/dev/null"),
            QStringLiteral("done"),
        },
        pluginkitLines(),
        false,
    };
}

QStringList killPasses(Platform platform, const QStringList &targets)
{
    const bool bracket = scriptProfile(platform).bracketFirstCharacter;
    const auto killLine = [bracket](const QString &pattern, bool force) {
        QString named = pattern;
        if (bracket && !pattern.isEmpty())
            named = QLatin1Char('[') + pattern.left(1) + QLatin1Char(']') + pattern.mid(1);
        return (force ? QStringLiteral("pkill -9 -f \"") : QStringLiteral("pkill -f \"")) + named
               + QStringLiteral("\" 2>/dev/null");
    };
    QStringList lines;
    for (const QString &pattern : targets)
        lines << killLine(pattern, false);
    lines << QStringLiteral("sleep 2");
    for (const QString &pattern : targets)
        lines << killLine(pattern, true);
    return lines;
}

QString countCommandFor(const QStringList &targets)
{
    return QStringLiteral("ps ax -o command= | ") + grepTargets(targets) + QStringLiteral(" | wc -l | tr -d ' '");
}

QString countCommand()
{
    return countCommandFor(targetList());
}

QString killScriptFor(Platform platform, const QStringList &targets)
{
    const ScriptProfile profile = scriptProfile(platform);
    QStringList lines = profile.killScriptPreamble + profile.extensionLines;
    lines += killPasses(platform, targets);
    lines << QStringLiteral("exit 0");
    return lines.join(QLatin1Char('\n'));
}

QString killCommand(Platform platform)
{
    return killScriptFor(platform, targetList());
}

QString listCommandFor(const QStringList &targets)
{
    return QStringLiteral("ps ax -o pid=,pcpu=,rss=,command= | ") + grepTargets(targets);
}

QString listCommand()
{
    return listCommandFor(targetList());
}
