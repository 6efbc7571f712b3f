#include "cli/cli.h"

#include "guard/guardcontrol.h"
#include "guard/guardfiles.h"
#include "guard/guardpanel.h"
#include "process/catalogue.h"
#include "process/killpanel.h"
#include "process/platform.h"
#include "process/preferences.h"
#include "process/processlist.h"
#include "process/scripts.h"
#include "process/shell.h"
#include "process/textwrap.h"
#include "process/version.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <functional>
#include <map>
#include <optional>

namespace {

struct Command {
    const char *name, *synopsis, *summary;
};

// The commands in the order --help lists them; the man page follows the same list.
const Command commands[] = {
    {"status", "status [--json]", "How many Adobe background processes are running."},
    {"list", "list [--json]", "Those processes: PID, CPU %, resident memory in MiB, command line."},
    {"kill", "kill",
     "Stop them: a polite request first, then force for any still there after at most two seconds; then show status."},
    {"guard", "guard start|stop|status",
     "Install and load the guard, which stops them again every 15 seconds, across logins; unload and remove it; or say "
     "whether it is loaded."},
    {"show", "show WHAT [--platform=macos|linux]",
     "Print a generated text: count-command, kill-script, guard-script, guard-plist (macos) or guard-units (linux)."},
    {"get", "get KEY", "Print a preference: true or false."},
    {"set", "set KEY true|false",
     "Change a preference. Setting a target key while the guard is on restarts the guard with the new list."},
    {"help", "help [COMMAND]", "This text, or one command's."},
};

const char helpTail[] = "\n"
                        "Preference keys: includeDesktopService, includeCoreSync, soundEnabled\n"
                        "Options: --help, --version; COMMAND --help\n"
                        "\n"
                        "Exit status:\n"
                        "  0  success; for status, the count was read; for kill, nothing is left running\n"
                        "  1  the operation failed: the processes could not be counted, some are still\n"
                        "     running after kill, the guard did not start or stop, no systemd user\n"
                        "     manager runs for the account, a preference was not stored or a running\n"
                        "     guard could not follow it, or standard output could not be written\n"
                        "  2  usage error; nothing was changed\n"
                        "  3  guard status: the guard is off\n";

struct Usage {
    QString message;
};

const QStringList preferenceKeys{kDesktopService, kCoreSync, kSound};

// `text` in lines of at most 80 columns, each indented by `indent` spaces.
QString wrapped(const QString &text, int indent)
{
    const QString margin(indent, QLatin1Char(' '));
    return margin + wrappedLines(text, 80 - indent).join(QLatin1Char('\n') + margin) + QLatin1Char('\n');
}

QString helpText()
{
    QString text = QStringLiteral("Usage: hushwellctl COMMAND [ARGUMENTS]\n\n"
                                  "Stops Adobe Creative Cloud's background processes, as the Hushwell window does.\n\n"
                                  "Commands:\n");
    for (const Command &command : commands)
        text += QStringLiteral("  ") + QLatin1String(command.synopsis) + QLatin1Char('\n') + wrapped(QLatin1String(command.summary), 6);
    return text + QLatin1String(helpTail);
}

QString commandHelp(const QString &name)
{
    for (const Command &command : commands)
        if (name == QLatin1String(command.name))
            return QStringLiteral("Usage: hushwellctl ") + QLatin1String(command.synopsis) + QStringLiteral("\n\n")
                   + wrapped(QLatin1String(command.summary), 0);
    throw Usage{QStringLiteral("no command called '%1' (try --help)").arg(name)};
}

void expectArgumentCount(const QStringList &args, qsizetype count)
{
    if (args.size() > count)
        throw Usage{QStringLiteral("unexpected argument '%1'").arg(args.at(count))};
    if (args.size() < count)
        throw Usage{QStringLiteral("'%1' needs more arguments").arg(args.first())};
}

// Takes `flag` out of `args`; true when it was there.
bool takeFlag(QStringList &args, const char *flag)
{
    return args.removeAll(QLatin1String(flag)) > 0;
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
        {QStringLiteral("guard-plist"), {serviceManagerText, Platform::MacOS}},
        {QStringLiteral("guard-units"), {serviceManagerText, Platform::Linux}},
    };
    return texts;
}

// The two lines the window's kill panel would show, or the same as JSON.
KillPanel printStatus(QTextStream &out, bool json)
{
    const QString output = shell(countCommand());
    const KillPanel panel = killPanelFor(output);
    if (!json)
        out << panel.status << '\n' << panel.detail << '\n';
    else
        out << "{\"running\": " << (panel.counted ? QString::number(*parseCount(output)) : QStringLiteral("null"))
            << ", \"guard\": " << (guardRunning() ? "true" : "false") << "}\n";
    return panel;
}

int list(bool json, QTextStream &out, QTextStream &err)
{
    const QList<ProcessRow> listed = parseProcessList(shell(listCommand()));
    // The list prints nothing both for "none" and when it failed: believe an empty one only
    // when the count then says 0.
    if (listed.isEmpty()) {
        if (!killPanelFor(shell(countCommand())).quiet()) {
            err << "hushwellctl: " << countFailedText << '\n';
            return 1;
        }
    }
    QJsonArray rows;
    for (const ProcessRow &row : listed) {
        if (json)
            rows.append(QJsonObject{{QStringLiteral("pid"), row.pid},
                                    {QStringLiteral("cpu"), row.cpu},
                                    {QStringLiteral("rss_kib"), row.rssKib},
                                    {QStringLiteral("command"), row.command}});
        else
            out << processListLine(row) << '\n';
    }
    if (json)
        out << QJsonDocument(rows).toJson(QJsonDocument::Compact) << '\n';
    return 0;
}

int guard(const QStringList &args, QTextStream &out, QTextStream &err)
{
    expectArgumentCount(args, 2);
    const QString &action = args.at(1);
    if (action != QLatin1String("status") && action != QLatin1String("start") && action != QLatin1String("stop"))
        throw Usage{QStringLiteral("unknown guard action '%1' (start, stop or status)").arg(action)};
    // Without a manager, "Guard off" would be a guess and a start would leave files behind
    // for a manager that may never read them.
    if (!serviceManagerReachable()) {
        err << "hushwellctl: no systemd user manager is running for this account\n";
        return 1;
    }
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
    return report(stopGuard(), false, guardStopFailedText);
}

int show(QStringList args, QTextStream &out)
{
    Platform platform = nativePlatform();
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args.at(i) != QLatin1String("--platform") && !args.at(i).startsWith(QLatin1String("--platform=")))
            continue;
        const bool joined = args.at(i).contains(QLatin1Char('='));
        if (!joined && i + 1 >= args.size())
            throw Usage{QStringLiteral("--platform needs macos or linux")};
        const QString name = joined ? args.at(i).section(QLatin1Char('='), 1) : args.at(i + 1);
        const auto named = platformNamed(name);
        if (!named)
            throw Usage{QStringLiteral("unknown platform '%1' (macos or linux)").arg(name)};
        platform = *named;
        args.remove(i, joined ? 1 : 2);
        break;
    }
    expectArgumentCount(args, 2);
    const auto text = shownTexts().find(args.at(1));
    if (text == shownTexts().end())
        throw Usage{QStringLiteral("nothing called '%1' to show").arg(args.at(1))};
    if (text->second.only && *text->second.only != platform)
        throw Usage{QStringLiteral("%1 exists only on %2").arg(args.at(1), platformName(*text->second.only))};
    const QString shown = text->second.text(platform);
    out << shown << (shown.endsWith(QLatin1Char('\n')) ? "" : "\n"); // the prompt starts on a line of its own
    return 0;
}

int run(QStringList args, QTextStream &out, QTextStream &err)
{
    if (args.isEmpty())
        throw Usage{QStringLiteral("no command given (try --help)")};
    const QString command = args.first();
    if (command == QLatin1String("--help") || command == QLatin1String("-h")
        || (command == QLatin1String("help") && args.size() == 1)) {
        expectArgumentCount(args, 1);
        out << helpText();
        return 0;
    }
    if (command == QLatin1String("help") || takeFlag(args, "--help")) {
        const QString name = command == QLatin1String("help") ? args.value(1) : command;
        expectArgumentCount(args, command == QLatin1String("help") ? 2 : 1);
        out << commandHelp(name);
        return 0;
    }
    if (command == QLatin1String("--version")) {
        expectArgumentCount(args, 1);
        out << "hushwellctl " << HUSHWELL_VERSION << '\n';
        return 0;
    }
    if (command == QLatin1String("status") || command == QLatin1String("list")) {
        const bool json = takeFlag(args, "--json");
        expectArgumentCount(args, 1);
        if (command == QLatin1String("list"))
            return list(json, out, err);
        return printStatus(out, json).counted ? 0 : 1;
    }
    if (command == QLatin1String("kill")) {
        expectArgumentCount(args, 1);
        shell(killCommand());
        return printStatus(out, false).quiet() ? 0 : 1;
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
        const PreferenceChange change =
            key == kSound ? PreferenceChange{storePreference(key, on), true} : applyTargetPreferences({{key, on}});
        if (!change.stored)
            err << "hushwellctl: couldn't store " << key << " in " << preferencesLocation() << '\n';
        else if (!change.guardFollowed)
            err << "hushwellctl: stored " << key << ", but couldn't restart the guard with it: the guard still runs "
                << "with the targets it had\n";
        return change.stored && change.guardFollowed ? 0 : 1;
    }
    throw Usage{QStringLiteral("unknown command '%1' (try --help)").arg(command)};
}

} // namespace

QStringList cliCommandNames()
{
    QStringList names;
    for (const Command &command : commands)
        names << QLatin1String(command.name);
    return names;
}

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
