#include "cli/cli.h"

#include "guard/guardcontrol.h"
#include "guard/guardfiles.h"
#include "guard/guardlog.h"
#include "guard/guardpanel.h"
#include "guard/servicemanager.h"
#include "guard/snapshot.h"
#include "process/catalogue.h"
#include "process/killpanel.h"
#include "process/killreport.h"
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

// An argument as a usage error echoes it: in quotes, and cut to a readable length (the
// error line escapes what it holds).
QString quoted(const QString &argument)
{
    return QLatin1Char('\'') + cutToLength(argument, 200) + QLatin1Char('\'');
}

// One command line, parsed against its command's row.
struct Call {
    QStringList arguments; // the positional ones, after the command's name
    bool json = false;
    std::optional<QString> since; // --since WHEN
    // The account's, or with --all-users every account's (its guard and preferences live
    // beside the program's prefix), on the platform --platform names.
    Guard guard;
    QTextStream &out;
    QTextStream &err;
};

// A row of the command table: what --help shows, what the command accepts, and what it
// does. The help, the argument checks and the man page test all read this table.
struct Command {
    QString name;
    QString arguments; // as the synopsis shows them after the name
    QString summary;
    qsizetype minArguments = 0, maxArguments = 0;
    bool takesJson = false, takesPlatform = false, takesAllUsers = false, takesSince = false;
    std::function<int(Call &)> run;
};

// A sentence from below as a clause of hushwellctl's error lines ("couldn't …"): lower
// case and without its full stop, control characters escaped.
QString errorClause(const QString &sentence)
{
    QString clause = sentence;
    if (!clause.isEmpty())
        clause[0] = clause.at(0).toLower(); // every such sentence starts with a plain word
    if (clause.endsWith(QLatin1Char('.')))
        clause.chop(1);
    return printable(clause);
}

QString errorLine(const QString &sentence)
{
    return QStringLiteral("hushwellctl: ") + errorClause(sentence) + QLatin1Char('\n');
}

QString preferenceKey(const QString &key)
{
    if (!preferenceKeys().contains(key))
        throw Usage{QStringLiteral("unknown preference key %1 (one of: %2)").arg(quoted(key), preferenceKeys().join(QStringLiteral(", ")))};
    return key;
}

// The two lines the window's kill panel shows for a count output.
KillPanel printCount(QTextStream &out, const QString &countOutput)
{
    const KillPanel panel = killPanelFor(countOutput);
    out << panel.status << '\n' << panel.detail << '\n';
    return panel;
}

// The kill panel's lines, or as JSON the count with the guard's state (null when no
// service manager answers). False when something could not be read.
bool printStatus(Call &call)
{
    if (!call.json)
        return printCount(call.out, shell(countCommandFor(nativePlatform(), targetsInForce(call.guard)))).counted;
    const Snapshot snapshot = takeSnapshot(call.guard, true);
    const std::optional<qint64> running = parseCount(snapshot.countOutput);
    const GuardReading &guard = snapshot.guard;
    // No detail line here to say that the guard was brought up to date: said on standard error.
    if (guard.refreshed)
        call.err << guardRefreshedText << '\n';
    const bool known = guard.state != GuardState::Unknown;
    const QJsonValue guardOn = known ? QJsonValue(guard.state == GuardState::On) : QJsonValue(QJsonValue::Null);
    QJsonObject status{{QStringLiteral("running"), running ? QJsonValue(*running) : QJsonValue(QJsonValue::Null)},
                       {QStringLiteral("guard"), guardOn}};
    if (guard.paused)
        status.insert(QStringLiteral("paused"), true);
    call.out << QJsonDocument(status).toJson(QJsonDocument::Compact) << '\n';
    return running && known;
}

QJsonArray processRowsJson(const QList<ProcessRow> &rows)
{
    QJsonArray array;
    for (const ProcessRow &row : rows)
        array.append(QJsonObject{{QStringLiteral("pid"), row.pid},
                                 {QStringLiteral("cpu"), row.cpu},
                                 {QStringLiteral("rss_kib"), row.rssKib},
                                 {QStringLiteral("command"), row.command}});
    return array;
}

int list(Call &call)
{
    const std::optional<QList<ProcessRow>> listed = listTargets(targetsInForce(call.guard));
    if (!listed) {
        call.err << "hushwellctl: " << countFailedText << '\n';
        return 1;
    }
    if (call.json)
        call.out << QJsonDocument(processRowsJson(*listed)).toJson(QJsonDocument::Compact) << '\n';
    else
        for (const ProcessRow &row : *listed)
            call.out << processListLine(row) << '\n';
    return 0;
}

// The kill, then the status lines and what it stopped; or, with --json, one object: the
// processes listed before the kill that are gone after it ("stopped", null when the list
// could not be read) and the count after it ("left", null when it could not be read).
// Success only when nothing is left running.
int kill(Call &call)
{
    const QStringList targets = targetsInForce(call.guard);
    const std::optional<QList<ProcessRow>> stopped = killListed(targets);
    const QString output = shell(countCommandFor(nativePlatform(), targets));
    if (!call.json) {
        const KillPanel panel = printCount(call.out, output);
        if (const auto sentence = stoppedSentence(stopped))
            call.out << *sentence << '\n';
        return panel.quiet() ? 0 : 1;
    }
    const std::optional<qint64> left = parseCount(output);
    call.out << QJsonDocument(
                    QJsonObject{{QStringLiteral("stopped"), stopped ? QJsonValue(processRowsJson(*stopped)) : QJsonValue(QJsonValue::Null)},
                                {QStringLiteral("left"), left ? QJsonValue(*left) : QJsonValue(QJsonValue::Null)}})
                    .toJson(QJsonDocument::Compact)
             << '\n';
    return left == 0 ? 0 : 1;
}

// A start or stop: the state reached and anything more to know, or why it failed.
int report(Call &call, const GuardResult &result, bool starting)
{
    if (!result.done) {
        if (!result.unwrittenFile.isEmpty())
            call.err << errorLine(guardWriteFailedText(result.unwrittenFile));
        else if (!result.message.isEmpty())
            call.err << errorLine(result.message);
        else
            call.err << (starting ? guardStartFailedText : guardStopFailedText) << '\n';
        return 1;
    }
    // Success names the state reached, as the panel does.
    call.out << guardPanelFor(starting).status << '\n';
    if (!result.message.isEmpty())
        call.out << result.message << '\n';
    return 0;
}

// The guard's runs that stopped something, one line each, or as JSON one object a run: its
// time and the processes it stopped. The administrator's guard runs under the same unit
// name in the account's journal, so --all-users reads the same record.
int guardLog(Call &call)
{
    const GuardLog log = readGuardLog(nativePlatform(), call.since.value_or(QStringLiteral("-24h")));
    if (!log.runs) {
        call.err << errorLine(log.problem);
        return 1;
    }
    if (!call.json) {
        for (const GuardRun &run : *log.runs)
            call.out << guardRunLine(run) << '\n';
        return 0;
    }
    QJsonArray runs;
    for (const GuardRun &run : *log.runs) {
        QJsonArray processes;
        for (const StoppedByGuard &process : run.processes)
            processes.append(
                QJsonObject{{QStringLiteral("pid"), process.pid}, {QStringLiteral("command"), recordedCommand(process.command, false)}});
        const QDateTime at = run.at.toLocalTime();
        runs.append(QJsonObject{{QStringLiteral("time"), at.toOffsetFromUtc(at.offsetFromUtc()).toString(Qt::ISODate)},
                                {QStringLiteral("processes"), processes}});
    }
    call.out << QJsonDocument(runs).toJson(QJsonDocument::Compact) << '\n';
    return 0;
}

int guard(Call &call)
{
    const QString &action = call.arguments.at(0);
    const bool starting = action == QLatin1String("start");
    if (action == QLatin1String("log"))
        return guardLog(call);
    if (action != QLatin1String("status") && !starting && action != QLatin1String("stop"))
        throw Usage{QStringLiteral("unknown guard action %1 (start, stop, status or log)").arg(quoted(action))};
    if (call.json || call.since)
        throw Usage{QStringLiteral("%1 is for guard log").arg(call.json ? QStringLiteral("--json") : QStringLiteral("--since"))};
    if (action != QLatin1String("status"))
        return report(call, starting ? startGuard(call.guard) : stopGuard(call.guard), starting);
    const GuardReading reading = readGuardBroughtUpToDate(call.guard);
    const GuardPanel panel = guardPanelFor(reading);
    // Without a manager, "Guard off" would be a guess.
    if (reading.state == GuardState::Unknown) {
        call.err << errorLine(guardNoManagerText);
        return 1;
    }
    call.out << panel.status << '\n';
    // The account's hint to press Start Guard is no administrator's business.
    if (call.guard.scope == GuardScope::Account || (!panel.on && panel.detail != guardPanelFor(false).detail))
        call.out << panel.detail << '\n';
    return panel.on ? 0 : 3; // as systemctl is-active answers
}

// What makes the platform's service manager run the guard: the property list, or the
// service and timer units one after the other.
QString serviceManagerText(const Guard &guard)
{
    QStringList texts;
    for (const GuardFile &file : serviceManager(guard).files)
        texts << file.content;
    return texts.join(QLatin1Char('\n'));
}

// Generated texts by name; the service manager's files exist for one platform only, and
// only the guard's texts differ for every account.
struct Shown {
    QString name;
    std::function<QString(const Guard &)> text;
    std::optional<Platform> only;
    bool forAllUsers;
};

const QList<Shown> &shownTexts()
{
    static const QList<Shown> texts{
        {.name = QStringLiteral("count-command"),
         .text = [](const Guard &g) { return countCommand(g.platform); },
         .only = {},
         .forAllUsers = false},
        {.name = QStringLiteral("kill-script"),
         .text = [](const Guard &g) { return killCommand(g.platform); },
         .only = {},
         .forAllUsers = false},
        {.name = QStringLiteral("guard-script"),
         .text = [](const Guard &g) { return guardScriptFor(g.platform, targetList(g.preferences())); },
         .only = {},
         .forAllUsers = true},
        {.name = QStringLiteral("guard-plist"), .text = serviceManagerText, .only = Platform::MacOS, .forAllUsers = true},
        {.name = QStringLiteral("guard-units"), .text = serviceManagerText, .only = Platform::Linux, .forAllUsers = true},
    };
    return texts;
}

int show(Call &call)
{
    const QString &what = call.arguments.at(0);
    for (const Shown &shown : shownTexts()) {
        if (shown.name != what)
            continue;
        if (shown.only && *shown.only != call.guard.platform)
            throw Usage{QStringLiteral("%1 exists only on %2").arg(what, platformName(*shown.only))};
        if (call.guard.scope == GuardScope::EveryAccount && !shown.forAllUsers)
            throw Usage{QStringLiteral("%1 is the same for every account; --all-users is for the guard's texts").arg(what)};
        const QString text = shown.text(call.guard);
        call.out << text << (text.endsWith(QLatin1Char('\n')) ? "" : "\n"); // the prompt starts on a line of its own
        return 0;
    }
    throw Usage{QStringLiteral("nothing called %1 to show").arg(quoted(what))};
}

int setPreference(Call &call)
{
    const QString key = preferenceKey(call.arguments.at(0));
    const QString &value = call.arguments.at(1);
    if (value != QLatin1String("true") && value != QLatin1String("false"))
        throw Usage{QStringLiteral("%1 is not true or false").arg(quoted(value))};
    const PreferenceChange change = applyTargetPreferences({{key, value == QLatin1String("true")}}, call.guard);
    if (!change.stored) {
        if (!change.message.isEmpty())
            call.err << errorLine(change.message);
        else
            call.err << "hushwellctl: couldn't store " << key << " in "
                     << printable(preferencesLocation(nativePlatform(), call.guard.preferences()))
                     << printable(change.notStoredBecause.isEmpty() ? QString() : QStringLiteral(": ") + change.notStoredBecause) << '\n';
        return 1;
    }
    if (!change.guardFollowed) {
        call.err << "hushwellctl: stored " << key << ", but couldn't restart the guard with it: "
                 << (!change.unwrittenFile.isEmpty() ? errorClause(guardWriteFailedText(change.unwrittenFile))
                     : change.message.isEmpty()      ? QStringLiteral("the guard still runs with the targets it had")
                                                     : errorClause(change.message))
                 << '\n';
        return 1;
    }
    if (!change.message.isEmpty())
        call.out << change.message << '\n';
    return 0;
}

int getPreference(Call &call)
{
    const QString key = preferenceKey(call.arguments.at(0));
    const UserDirs own = call.guard.preferences();
    // A target key in force is the administrator's under the guard for every account.
    const UserDirs dirs = isTargetKey(key) ? targetPreferencesInForce(call.guard) : own;
    const bool administrators = dirs.config != own.config;
    const PreferenceReading reading = readPreference(key, dirs);
    call.out << (reading.value ? "true" : "false") << '\n';
    if (administrators)
        call.err << "hushwellctl: the administrator's guard for every account sets " << key << "; yours ("
                 << (wants(key, own) ? "true" : "false") << ") is kept for later\n";
    if (!reading.storedIsBoolean)
        call.err << "hushwellctl: the stored " << key << " (" << printable(quoted(reading.storedText))
                 << ") is not a boolean; the default applies\n";
    return 0;
}

QString helpText();
QString commandHelp(const QString &name);

// The commands in the order --help lists them; the man page follows the same list.
const QList<Command> &commands()
{
    static const QList<Command> table{
        {.name = QStringLiteral("status"),
         .arguments = QStringLiteral("[--json]"),
         .summary = QStringLiteral("How many Adobe background processes are running, and with --json whether the guard is on."),
         .takesJson = true,
         .run = [](Call &call) { return printStatus(call) ? 0 : 1; }},
        {.name = QStringLiteral("list"),
         .arguments = QStringLiteral("[--json]"),
         .summary = QStringLiteral("Those processes: PID, CPU %, resident memory in MiB, command line."),
         .takesJson = true,
         .run = list},
        {.name = QStringLiteral("kill"),
         .arguments = QStringLiteral("[--json]"),
         .summary = QStringLiteral("Stop them: a polite request first, then force for any still there after at most two seconds; then "
                                   "show status and what was stopped."),
         .takesJson = true,
         .run = kill},
        {.name = QStringLiteral("guard"),
         .arguments = QStringLiteral("start|stop|status|log [--all-users] [--since WHEN] [--json]"),
         .summary = QStringLiteral("Install and load the guard, which stops them again every %1 seconds, across logins; unload and "
                                   "remove it; say whether it is loaded; or list what its runs stopped (log: since WHEN, as "
                                   "journalctl --since reads it, by default the last 24 hours). With --all-users (as root): the "
                                   "guard for every account, at once for those logged in and from each one's next login.")
                        .arg(guardInterval),
         .minArguments = 1,
         .maxArguments = 1,
         .takesJson = true,
         .takesAllUsers = true,
         .takesSince = true,
         .run = guard},
        {.name = QStringLiteral("show"),
         .arguments = QStringLiteral("WHAT [--platform=%1] [--all-users]").arg(platformNames(QStringLiteral("|"))),
         .summary = QStringLiteral("Print a generated text: count-command, kill-script, guard-script, guard-plist (macos) or "
                                   "guard-units (linux); the guard's, with --all-users, as installed for every account."),
         .minArguments = 1,
         .maxArguments = 1,
         .takesPlatform = true,
         .takesAllUsers = true,
         .run = show},
        {.name = QStringLiteral("get"),
         .arguments = QStringLiteral("KEY [--all-users]"),
         .summary = QStringLiteral("Print a preference: true or false."),
         .minArguments = 1,
         .maxArguments = 1,
         .takesAllUsers = true,
         .run = getPreference},
        {.name = QStringLiteral("set"),
         .arguments = QStringLiteral("KEY true|false [--all-users]"),
         .summary = QStringLiteral("Change a preference. Setting a target key while the guard is on restarts the guard with the new "
                                   "list. With --all-users (as root): the default for every account's guard."),
         .minArguments = 2,
         .maxArguments = 2,
         .takesAllUsers = true,
         .run = setPreference},
        {.name = QStringLiteral("help"),
         .arguments = QStringLiteral("[COMMAND]"),
         .summary = QStringLiteral("This text, or one command's."),
         .maxArguments = 1,
         .run =
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
    return text + QStringLiteral("\nPreference keys: ") + preferenceKeys().join(QStringLiteral(", "))
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
    throw Usage{QString::fromLatin1(unknown).arg(quoted(name))};
}

QString commandHelp(const QString &name)
{
    const Command &command = commandNamed(name, "no command called %1 (try --help)");
    return QStringLiteral("Usage: hushwellctl ") + synopsis(command) + QStringLiteral("\n\n") + wrapped(command.summary, 0);
}

// Checks the words after the command's name against its row and runs it.
int run(const Command &command, QStringList words, QTextStream &out, QTextStream &err)
{
    Call call{.arguments = {},
              .json = false,
              .since = {},
              .guard = {.scope = GuardScope::Account,
                        .platform = nativePlatform(),
                        .dirs = UserDirs::fromEnvironment(),
                        .system = SystemFolders::forProgramIn(QCoreApplication::applicationDirPath())},
              .out = out,
              .err = err};
    for (qsizetype i = 0; i < words.size(); ++i) {
        const QString &word = words.at(i);
        if (word == QLatin1String("--help")) {
            out << commandHelp(command.name);
            return 0;
        }
        if (command.takesJson && word == QLatin1String("--json")) {
            call.json = true;
        } else if (command.takesAllUsers && word == QLatin1String("--all-users")) {
            call.guard.scope = GuardScope::EveryAccount;
        } else if (command.takesSince && (word == QLatin1String("--since") || word.startsWith(QLatin1String("--since=")))) {
            const bool joined = word.contains(QLatin1Char('='));
            if (!joined && i + 1 >= words.size())
                throw Usage{QStringLiteral("--since needs a time, as journalctl --since reads it")};
            call.since = joined ? word.section(QLatin1Char('='), 1) : words.at(++i);
        } else if (command.takesPlatform && (word == QLatin1String("--platform") || word.startsWith(QLatin1String("--platform=")))) {
            const bool joined = word.contains(QLatin1Char('='));
            if (!joined && i + 1 >= words.size())
                throw Usage{QStringLiteral("--platform needs %1").arg(platformNames(QStringLiteral(" or ")))};
            const QString name = joined ? word.section(QLatin1Char('='), 1) : words.at(++i);
            const std::optional<Platform> named = platformNamed(name);
            if (!named)
                throw Usage{QStringLiteral("unknown platform %1 (%2)").arg(quoted(name), platformNames(QStringLiteral(" or ")))};
            call.guard.platform = *named;
        } else if (word.startsWith(QLatin1String("--")) || call.arguments.size() == command.maxArguments) {
            throw Usage{QStringLiteral("unexpected argument %1").arg(quoted(word))};
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
                throw Usage{QStringLiteral("unexpected argument %1").arg(quoted(arguments.at(1)))};
            out << (first == QLatin1String("--version") ? QStringLiteral("hushwellctl " HUSHWELL_VERSION "\n") : helpText());
            return 0;
        }
        return run(commandNamed(first, "unknown command %1 (try --help)"), arguments.mid(1), out, err);
    } catch (const Usage &usage) {
        err << "hushwellctl: " << printable(usage.message) << '\n';
        return 2;
    }
}
