#include "cli/cli.h"
#include "process/version.h"

#include "guard/guardcontrol.h"
#include "guard/guardfiles.h"
#include "guard/guardpanel.h"
#include "process/catalogue.h"
#include "process/killpanel.h"
#include "process/platform.h"
#include "process/preferences.h"
#include "process/scripts.h"
#include "process/shell.h"

#include <QRegularExpression>

#include <functional>
#include <map>
#include <optional>

namespace {

const char usageText[] =
    "Usage: hushwellctl COMMAND\n"
    "\n"
    "Stops Adobe Creative Cloud's background processes, as the Hushwell window does.\n"
    "\n"
    "Commands:\n"
    "  status                 how many Adobe background processes are running\n"
    "  list                   those processes: PID, CPU %, memory, command line\n"
    "  kill                   stop them (those that ignore the polite request are\n"
    "                         forced after at most two seconds), then show status\n"
    "  guard start|stop       install and load the guard, or unload and remove it\n"
    "  guard status           whether the guard is loaded\n"
    "  show WHAT [--platform macos|linux]\n"
    "                         print a generated text: count-command, kill-script,\n"
    "                         guard-script, guard-plist (macos) or guard-units (linux)\n"
    "  get KEY                print a preference (true or false)\n"
    "  set KEY true|false     change a preference\n"
    "\n"
    "Preference keys: includeDesktopService, includeCoreSync, soundEnabled\n"
    "Setting a target key while the guard is on restarts the guard with the new list.\n"
    "Options: --help, --version\n"
    "\n"
    "Exit status:\n"
    "  0  success; for status, the count was read; for kill, nothing is left running\n"
    "  1  the operation failed: the processes could not be counted, some are still\n"
    "     running after kill, the guard did not start or stop, a preference was not\n"
    "     stored\n"
    "  2  usage error; nothing was changed\n"
    "  3  guard status: the guard is off\n";

struct Usage {
    QString message;
};

const QStringList preferenceKeys{kDesktopService, kCoreSync, kSound};

// The two lines the window's kill panel would show.
KillPanel printStatus(QTextStream &out)
{
    const KillPanel panel = killPanelFor(shell(countCommand()));
    out << panel.status << '\n' << panel.detail << '\n';
    return panel;
}

void expectArgumentCount(const QStringList &args, qsizetype count)
{
    if (args.size() > count)
        throw Usage{QStringLiteral("unexpected argument '%1'").arg(args.at(count))};
    if (args.size() < count)
        throw Usage{QStringLiteral("'%1' needs more arguments").arg(args.first())};
}

QString preferenceKey(const QString &key)
{
    if (!preferenceKeys.contains(key))
        throw Usage{QStringLiteral("unknown preference key '%1' (one of: %2)").arg(key, preferenceKeys.join(QStringLiteral(", ")))};
    return key;
}

// What makes the platform's service manager run the guard: the property list, or the
// service and timer units one after the other.
QString serviceManagerText(Platform platform)
{
    QStringList texts;
    for (const GuardFile &file : serviceManagerFiles(platform, UserDirs::fromEnvironment()))
        texts << file.content;
    return texts.join(QLatin1Char('\n'));
}

// Generated texts by name; each takes the platform whose text is wanted, and the
// service-manager files exist for one platform only.
struct Shown {
    std::function<QString(Platform)> text;
    std::optional<Platform> only;
};

const std::map<QString, Shown> &shownTexts()
{
    static const std::map<QString, Shown> texts{
        {QStringLiteral("count-command"), {[](Platform p) { return countCommand(p); }, {}}},
        {QStringLiteral("kill-script"), {[](Platform p) { return killCommand(p); }, {}}},
        {QStringLiteral("guard-script"), {[](Platform p) { return guardScriptFor(p, targetList()); }, {}}},
        {QStringLiteral("guard-plist"),
         {serviceManagerText, Platform::MacOS}},
        {QStringLiteral("guard-units"), {serviceManagerText, Platform::Linux}},
    };
    return texts;
}

int guard(const QStringList &args, QTextStream &out, QTextStream &err)
{
    expectArgumentCount(args, 2);
    const QString &action = args.at(1);
    if (action == QLatin1String("status")) {
        const GuardPanel panel = guardPanelFor(guardRunning());
        out << panel.status << '\n' << panel.detail << '\n';
        return panel.on ? 0 : 3; // as systemctl is-active answers
    }
    // Success names the state reached, as the panel does; failure is the window's line.
    const auto report = [&](bool done, bool on, const QString &failure) {
        (done ? out : err) << (done ? guardPanelFor(on).status : failure) << '\n';
        return done ? 0 : 1;
    };
    if (action == QLatin1String("start"))
        return report(startGuard(), true, guardStartFailedText);
    if (action == QLatin1String("stop"))
        return report(stopGuard(), false, guardStopFailedText);
    throw Usage{QStringLiteral("unknown guard action '%1' (start, stop or status)").arg(action)};
}

int show(QStringList args, QTextStream &out)
{
    Platform platform = nativePlatform();
    const qsizetype flag = args.indexOf(QStringLiteral("--platform"));
    if (flag >= 0) {
        if (flag + 1 >= args.size())
            throw Usage{QStringLiteral("--platform needs macos or linux")};
        const auto named = platformNamed(args.at(flag + 1));
        if (!named)
            throw Usage{QStringLiteral("unknown platform '%1' (macos or linux)").arg(args.at(flag + 1))};
        platform = *named;
        args.remove(flag, 2);
    }
    expectArgumentCount(args, 2);
    const auto text = shownTexts().find(args.at(1));
    if (text == shownTexts().end())
        throw Usage{QStringLiteral("nothing called '%1' to show").arg(args.at(1))};
    if (text->second.only && *text->second.only != platform)
        throw Usage{QStringLiteral("%1 exists only on %2").arg(args.at(1), platformName(*text->second.only))};
    out << text->second.text(platform);
    return 0;
}

// One line of `list` from one line of the list command's output ("PID CPU RSS-KB
// COMMAND..."); empty for a line that does not have that shape.
QString formatProcessLine(const QString &psLine)
{
    static const QRegularExpression shape(QStringLiteral("^\\s*(\\d+)\\s+([0-9.]+)\\s+(\\d+)\\s+(.+)$"));
    const QRegularExpressionMatch m = shape.match(psLine);
    if (!m.hasMatch())
        return {};
    const double megabytes = m.captured(3).toDouble() / 1024.0;
    return QStringLiteral("%1  %2%  %3 MB  %4")
        .arg(m.captured(1), 7)
        .arg(m.captured(2), 5)
        .arg(megabytes, 7, 'f', 1)
        .arg(m.captured(4));
}

int run(const QStringList &args, QTextStream &out, QTextStream &err)
{
    if (args.isEmpty())
        throw Usage{QStringLiteral("no command given (try --help)")};
    const QString &command = args.first();
    if (command == QLatin1String("--help") || command == QLatin1String("-h")) {
        expectArgumentCount(args, 1);
        out << usageText;
        return 0;
    }
    if (command == QLatin1String("--version")) {
        expectArgumentCount(args, 1);
        out << "hushwellctl " << HUSHWELL_VERSION << '\n';
        return 0;
    }
    if (command == QLatin1String("status")) {
        expectArgumentCount(args, 1);
        return printStatus(out).counted ? 0 : 1;
    }
    if (command == QLatin1String("list")) {
        expectArgumentCount(args, 1);
        const QStringList lines = shell(listCommand()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (const QString &line : lines) {
            const QString formatted = formatProcessLine(line);
            if (!formatted.isEmpty())
                out << formatted << '\n';
        }
        return 0;
    }
    if (command == QLatin1String("kill")) {
        expectArgumentCount(args, 1);
        shell(killCommand());
        return printStatus(out).quiet() ? 0 : 1;
    }
    if (command == QLatin1String("show"))
        return show(args, out);
    if (command == QLatin1String("guard"))
        return guard(args, out, err);
    if (command == QLatin1String("get")) {
        expectArgumentCount(args, 2);
        out << (wants(preferenceKey(args.at(1))) ? "true" : "false") << '\n';
        return 0;
    }
    if (command == QLatin1String("set")) {
        expectArgumentCount(args, 3);
        const QString key = preferenceKey(args.at(1));
        const QString value = args.at(2);
        if (value != QLatin1String("true") && value != QLatin1String("false"))
            throw Usage{QStringLiteral("'%1' is not true or false").arg(value)};
        const bool on = value == QLatin1String("true");
        const bool stored = key == kSound ? storePreference(key, on) : applyTargetPreferences({{key, on}});
        if (!stored)
            err << "hushwellctl: couldn't store " << key << " in " << preferencesLocation() << '\n';
        return stored ? 0 : 1;
    }
    throw Usage{QStringLiteral("unknown command '%1' (try --help)").arg(command)};
}

} // namespace


int runCli(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    registerDefaultPreferences();
    try {
        return run(arguments, out, err);
    } catch (const Usage &usage) {
        err << "hushwellctl: " << usage.message << '\n';
        return 2;
    }
}
