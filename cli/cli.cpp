#include "cli/cli.h"

#include "guard/guardcontrol.h"
#include "guard/guardfiles.h"
#include "guard/guardpanel.h"
#include "guard/servicemanager.h"
#include "process/catalogue.h"
#include "process/killpanel.h"
#include "process/platform.h"
#include "process/preferences.h"
#include "process/processlist.h"
#include "process/scripts.h"
#include "process/shell.h"
#include "process/textwrap.h"
#include "process/version.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <functional>
#include <optional>

#include <unistd.h>

namespace {

struct Usage {
    QString message;
};

// Not a usage error, but an operation that may not run: one sentence, exit 1.
struct Refused {
    QString message;
};

// One command line, parsed against its command's row.
struct Call {
    QStringList arguments; // the positional ones, after the command's name
    bool json = false;
    bool allUsers = false;
    Platform platform = nativePlatform();
    QTextStream &out;
    QTextStream &err;
};

// A row of the command table: what --help shows, what the command accepts, and what it
// does. The help, the argument checks and the man page test all read this table.
struct Command {
    QString name;
    QString arguments; // as the synopsis shows them after the name
    QString summary;
    qsizetype minArguments, maxArguments;
    bool takesJson, takesPlatform, takesAllUsers;
    std::function<int(Call &)> run;
};

const QStringList preferenceKeys{kDesktopService, kCoreSync, kSound};

// The guard and preferences for every account live beside the program's prefix.
SystemFolders systemFolders()
{
    return SystemFolders::forProgramIn(QCoreApplication::applicationDirPath());
}

// What changes every account needs root; without it nothing is written.
void needRootForAllUsers()
{
    if (::geteuid() != 0)
        throw Refused{QStringLiteral("--all-users changes every account: run it as root")};
}

QString preferenceKey(const QString &key)
{
    if (!preferenceKeys.contains(key))
        throw Usage{QStringLiteral("unknown preference key '%1' (one of: %2)").arg(key, preferenceKeys.join(QStringLiteral(", ")))};
    return key;
}

// The two lines the window's kill panel would show, or the same as JSON.
KillPanel printStatus(QTextStream &out, bool json)
{
    const QString output = shell(countCommand());
    const KillPanel panel = killPanelFor(output);
    if (!json) {
        out << panel.status << '\n' << panel.detail << '\n';
        return panel;
    }
    const QJsonValue running = panel.counted ? QJsonValue(*parseCount(output)) : QJsonValue(QJsonValue::Null);
    out << QJsonDocument(QJsonObject{{QStringLiteral("running"), running}, {QStringLiteral("guard"), guardRunning()}})
               .toJson(QJsonDocument::Compact)
        << '\n';
    return panel;
}

int list(Call &call)
{
    const QList<ProcessRow> listed = parseProcessList(shell(listCommand()));
    // The list prints nothing both for "none" and when it failed: believe an empty one only
    // when the count then says 0.
    if (listed.isEmpty() && !killPanelFor(shell(countCommand())).quiet()) {
        call.err << "hushwellctl: " << countFailedText << '\n';
        return 1;
    }
    QJsonArray rows;
    for (const ProcessRow &row : listed) {
        if (call.json)
            rows.append(QJsonObject{{QStringLiteral("pid"), row.pid},
                                    {QStringLiteral("cpu"), row.cpu},
                                    {QStringLiteral("rss_kib"), row.rssKib},
                                    {QStringLiteral("command"), row.command}});
        else
            call.out << processListLine(row) << '\n';
    }
    if (call.json)
        call.out << QJsonDocument(rows).toJson(QJsonDocument::Compact) << '\n';
    return 0;
}

// The guard for every account: files under the system's folders, enabled for each login.
int guardForAllUsers(Call &call, const QString &action)
{
    const SystemFolders system = systemFolders();
    if (action == QLatin1String("status")) {
        const bool on = guardRunsForAllUsers(call.platform, system);
        call.out << guardPanelFor(on).status << '\n';
        return on ? 0 : 3;
    }
    needRootForAllUsers();
    const bool starting = action == QLatin1String("start");
    const bool done = starting ? startGuardForAllUsers(call.platform, system) : stopGuardForAllUsers(call.platform, system);
    (done ? call.out : call.err) << (done ? guardPanelFor(starting).status : starting ? guardStartFailedText : guardStopFailedText)
                                 << '\n';
    return done ? 0 : 1;
}

int guard(Call &call)
{
    const QString &action = call.arguments.at(0);
    if (action != QLatin1String("status") && action != QLatin1String("start") && action != QLatin1String("stop"))
        throw Usage{QStringLiteral("unknown guard action '%1' (start, stop or status)").arg(action)};
    if (call.allUsers)
        return guardForAllUsers(call, action);
    if (action == QLatin1String("start") && guardInstalledForAllUsers(call.platform))
        throw Refused{guardForAllUsersText};
    // Without a manager, "Guard off" would be a guess and a start would leave files behind
    // for a manager that may never read them.
    if (!serviceManagerReachable()) {
        call.err << "hushwellctl: no systemd user manager is running for this account\n";
        return 1;
    }
    if (action == QLatin1String("status")) {
        const GuardPanel panel = guardPanelFor(guardRunning());
        call.out << panel.status << '\n' << panel.detail << '\n';
        return panel.on ? 0 : 3; // as systemctl is-active answers
    }
    // Success names the state reached, as the panel does; failure is the window's line.
    const bool starting = action == QLatin1String("start");
    const bool done = starting ? startGuard() : stopGuard();
    (done ? call.out : call.err) << (done ? guardPanelFor(starting).status : starting ? guardStartFailedText : guardStopFailedText)
                                 << '\n';
    return done ? 0 : 1;
}

// What makes the platform's service manager run the guard: the property list, or the
// service and timer units one after the other.
QString serviceManagerText(Platform platform, bool allUsers)
{
    QStringList texts;
    const ServiceManager manager =
        allUsers ? allUsersServiceManager(platform, systemFolders()) : serviceManager(platform, UserDirs::fromEnvironment());
    for (const GuardFile &file : manager.files)
        texts << file.content;
    return texts.join(QLatin1Char('\n'));
}

// Generated texts by name; the service manager's files exist for one platform only, and
// only the guard's texts differ for every account.
struct Shown {
    QString name;
    std::function<QString(Platform, bool allUsers)> text;
    std::optional<Platform> only;
    bool forAllUsers;
};

const QList<Shown> &shownTexts()
{
    static const QList<Shown> texts{
        {QStringLiteral("count-command"), [](Platform p, bool) { return countCommand(p); }, {}, false},
        {QStringLiteral("kill-script"), [](Platform p, bool) { return killCommand(p); }, {}, false},
        {QStringLiteral("guard-script"),
         [](Platform p, bool allUsers) {
             return guardScriptFor(p, allUsers ? targetList(systemFolders().asUserDirs()) : targetList());
         },
         {}, true},
        {QStringLiteral("guard-plist"), serviceManagerText, Platform::MacOS, true},
        {QStringLiteral("guard-units"), serviceManagerText, Platform::Linux, true},
    };
    return texts;
}

int show(Call &call)
{
    const QString &what = call.arguments.at(0);
    for (const Shown &shown : shownTexts()) {
        if (shown.name != what)
            continue;
        if (shown.only && *shown.only != call.platform)
            throw Usage{QStringLiteral("%1 exists only on %2").arg(what, platformName(*shown.only))};
        if (call.allUsers && !shown.forAllUsers)
            throw Usage{QStringLiteral("%1 is the same for every account; --all-users is for the guard's texts").arg(what)};
        const QString text = shown.text(call.platform, call.allUsers);
        call.out << text << (text.endsWith(QLatin1Char('\n')) ? "" : "\n"); // the prompt starts on a line of its own
        return 0;
    }
    throw Usage{QStringLiteral("nothing called '%1' to show").arg(what)};
}

int setPreference(Call &call)
{
    const QString key = preferenceKey(call.arguments.at(0));
    const QString &value = call.arguments.at(1);
    if (value != QLatin1String("true") && value != QLatin1String("false"))
        throw Usage{QStringLiteral("'%1' is not true or false").arg(value)};
    const bool on = value == QLatin1String("true");
    if (call.allUsers) {
        needRootForAllUsers();
        const SystemFolders system = systemFolders();
        PreferenceChange change{storePreference(key, on, system.asUserDirs()), true};
        // An installed guard for every account follows the new list at once.
        if (change.stored && key != kSound && guardRunsForAllUsers(call.platform, system))
            change.guardFollowed = startGuardForAllUsers(call.platform, system);
        if (!change.stored)
            call.err << "hushwellctl: couldn't store " << key << " in " << preferencesLocation(nativePlatform(), system.asUserDirs())
                     << '\n';
        else if (!change.guardFollowed)
            call.err << "hushwellctl: stored " << key << ", but couldn't rewrite the guard for every account with it\n";
        return change.stored && change.guardFollowed ? 0 : 1;
    }
    const PreferenceChange change = key == kSound ? PreferenceChange{storePreference(key, on), true} : applyTargetPreferences({{key, on}});
    if (!change.stored)
        call.err << "hushwellctl: couldn't store " << key << " in " << preferencesLocation() << '\n';
    else if (!change.guardFollowed)
        call.err << "hushwellctl: stored " << key << ", but couldn't restart the guard with it: the guard still runs "
                 << "with the targets it had\n";
    return change.stored && change.guardFollowed ? 0 : 1;
}

QString helpText();
QString commandHelp(const QString &name);

// The commands in the order --help lists them; the man page follows the same list.
const QList<Command> &commands()
{
    static const QList<Command> table{
        {QStringLiteral("status"), QStringLiteral("[--json]"), QStringLiteral("How many Adobe background processes are running."),
         0, 0, true, false, false, [](Call &call) { return printStatus(call.out, call.json).counted ? 0 : 1; }},
        {QStringLiteral("list"), QStringLiteral("[--json]"),
         QStringLiteral("Those processes: PID, CPU %, resident memory in MiB, command line."), 0, 0, true, false, false, list},
        {QStringLiteral("kill"), QString(),
         QStringLiteral("Stop them: a polite request first, then force for any still there after at most two seconds; then "
                        "show status."),
         0, 0, false, false, false,
         [](Call &call) {
             shell(killCommand());
             return printStatus(call.out, false).quiet() ? 0 : 1;
         }},
        {QStringLiteral("guard"), QStringLiteral("start|stop|status [--all-users]"),
         QStringLiteral("Install and load the guard, which stops them again every %1 seconds, across logins; unload and "
                        "remove it; or say whether it is loaded. With --all-users (as root): the guard for every "
                        "account, from each one's next login.")
             .arg(guardInterval),
         1, 1, false, false, true, guard},
        {QStringLiteral("show"), QStringLiteral("WHAT [--platform=%1] [--all-users]").arg(platformNames(QStringLiteral("|"))),
         QStringLiteral("Print a generated text: count-command, kill-script, guard-script, guard-plist (macos) or "
                        "guard-units (linux); the guard's, with --all-users, as installed for every account."),
         1, 1, false, true, true, show},
        {QStringLiteral("get"), QStringLiteral("KEY [--all-users]"), QStringLiteral("Print a preference: true or false."), 1, 1,
         false, false, true,
         [](Call &call) {
             const UserDirs dirs = call.allUsers ? systemFolders().asUserDirs() : UserDirs::fromEnvironment();
             call.out << (wants(preferenceKey(call.arguments.at(0)), dirs) ? "true" : "false") << '\n';
             return 0;
         }},
        {QStringLiteral("set"), QStringLiteral("KEY true|false [--all-users]"),
         QStringLiteral("Change a preference. Setting a target key while the guard is on restarts the guard with the new "
                        "list. With --all-users (as root): the default for every account's guard."),
         2, 2, false, false, true, setPreference},
        {QStringLiteral("help"), QStringLiteral("[COMMAND]"), QStringLiteral("This text, or one command's."), 0, 1, false, false, false,
         [](Call &call) {
             call.out << (call.arguments.isEmpty() ? helpText() : commandHelp(call.arguments.at(0)));
             return 0;
         }},
    };
    return table;
}

// `text` in lines of at most 80 columns, each indented by `indent` spaces.
QString wrapped(const QString &text, int indent)
{
    const QString margin(indent, QLatin1Char(' '));
    return margin + wrappedLines(text, 80 - indent).join(QLatin1Char('\n') + margin) + QLatin1Char('\n');
}

QString synopsis(const Command &command)
{
    return command.arguments.isEmpty() ? command.name : command.name + QLatin1Char(' ') + command.arguments;
}

QString helpText()
{
    QString text = QStringLiteral("Usage: hushwellctl COMMAND [ARGUMENTS]\n\n"
                                  "Stops Adobe Creative Cloud's background processes, as the Hushwell window does.\n\n"
                                  "Commands:\n");
    for (const Command &command : commands())
        text += QStringLiteral("  ") + synopsis(command) + QLatin1Char('\n') + wrapped(command.summary, 6);
    return text + QStringLiteral("\nPreference keys: ") + preferenceKeys.join(QStringLiteral(", "))
           + QStringLiteral("\n"
                            "Options: --help, --version; COMMAND --help\n"
                            "\n"
                            "Exit status:\n"
                            "  0  success; for status, the count was read; for kill, nothing is left running\n"
                            "  1  the operation failed: the processes could not be counted, some are still\n"
                            "     running after kill, the guard did not start or stop, no systemd user\n"
                            "     manager runs for the account, a preference was not stored or a running\n"
                            "     guard could not follow it, or standard output could not be written\n"
                            "  2  usage error; nothing was changed\n"
                            "  3  guard status: the guard is off\n");
}

const Command &commandNamed(const QString &name, const char *unknown)
{
    for (const Command &command : commands())
        if (command.name == name)
            return command;
    throw Usage{QString::fromLatin1(unknown).arg(name)};
}

QString commandHelp(const QString &name)
{
    const Command &command = commandNamed(name, "no command called '%1' (try --help)");
    return QStringLiteral("Usage: hushwellctl ") + synopsis(command) + QStringLiteral("\n\n") + wrapped(command.summary, 0);
}

// Checks the words after the command's name against its row and runs it.
int run(const Command &command, QStringList words, QTextStream &out, QTextStream &err)
{
    Call call{{}, false, false, nativePlatform(), out, err};
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString &word = words.at(i);
        if (word == QLatin1String("--help")) {
            out << commandHelp(command.name);
            return 0;
        }
        if (command.takesJson && word == QLatin1String("--json")) {
            call.json = true;
        } else if (command.takesAllUsers && word == QLatin1String("--all-users")) {
            call.allUsers = true;
        } else if (command.takesPlatform && (word == QLatin1String("--platform") || word.startsWith(QLatin1String("--platform=")))) {
            const bool joined = word.contains(QLatin1Char('='));
            if (!joined && i + 1 >= words.size())
                throw Usage{QStringLiteral("--platform needs %1").arg(platformNames(QStringLiteral(" or ")))};
            const QString name = joined ? word.section(QLatin1Char('='), 1) : words.at(++i);
            const std::optional<Platform> named = platformNamed(name);
            if (!named)
                throw Usage{QStringLiteral("unknown platform '%1' (%2)").arg(name, platformNames(QStringLiteral(" or ")))};
            call.platform = *named;
        } else if (word.startsWith(QLatin1String("--")) || call.arguments.size() == command.maxArguments) {
            throw Usage{QStringLiteral("unexpected argument '%1'").arg(word)};
        } else {
            call.arguments << word;
        }
    }
    if (call.arguments.size() < command.minArguments)
        throw Usage{QStringLiteral("'%1' needs more arguments").arg(command.name)};
    return command.run(call);
}

} // namespace

int runCli(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    registerDefaultPreferences();
    try {
        if (arguments.isEmpty())
            throw Usage{QStringLiteral("no command given (try --help)")};
        const QString &first = arguments.first();
        if (first == QLatin1String("--version") || first == QLatin1String("--help") || first == QLatin1String("-h")) {
            if (arguments.size() > 1)
                throw Usage{QStringLiteral("unexpected argument '%1'").arg(arguments.at(1))};
            out << (first == QLatin1String("--version") ? QStringLiteral("hushwellctl " HUSHWELL_VERSION "\n") : helpText());
            return 0;
        }
        return run(commandNamed(first, "unknown command '%1' (try --help)"), arguments.mid(1), out, err);
    } catch (const Usage &usage) {
        err << "hushwellctl: " << usage.message << '\n';
        return 2;
    } catch (const Refused &refused) {
        err << "hushwellctl: " << refused.message << '\n';
        return 1;
    }
}
