// Everything the program says or decides from plain values: the shell texts, the kill
// panel, the preferences, and hushwellctl's answers that start or kill nothing.
#include "support/managedhome.h"

#include "guard/guardcontrol.h"
#include "guard/guardfiles.h"
#include "guard/guardlog.h"
#include "guard/guardpanel.h"
#include "guard/servicemanager.h"
#include "process/catalogue.h"
#include "process/killpanel.h"
#include "process/scripts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <optional>
#include <tuple>

// A service manager's files one after the other, as hushwellctl show prints them.
QString serviceManagerText(const ServiceManager &manager)
{
    QStringList texts;
    for (const GuardFile &file : manager.files)
        texts << file.path + ":\n" + file.content;
    return texts.join('\n');
}

const QStringList allTargets = basePatterns + desktopServicePatterns + coreSyncPatterns + finderExtensionPatterns;
const QStringList fewestTargets = basePatterns + finderExtensionPatterns;

// Every text the program writes for a shell, launchd or systemd, exactly as the files in
// tests/expected hold it: the macOS ones as the design gives them, character for character.
TEST(Texts, EveryGeneratedTextForBothPlatformsIsExact)
{
    const UserDirs ada = UserDirs::underHome(QStringLiteral("/Users/ada lovelace"));
    const ServiceManager mac = serviceManager(Platform::MacOS, ada, 501), systemd = serviceManager(Platform::Linux, ada);
    const GuardCommands &macCommands = mac.commands;
    const std::pair<const char *, QString> texts[] = {
        {"count-command.macos", countCommandFor(Platform::MacOS, fewestTargets)},
        {"count-command.linux", countCommandFor(Platform::Linux, fewestTargets)},
        {"list-command.linux", listCommandFor(Platform::Linux, fewestTargets)},
        {"kill-script-all-on.macos", killScriptFor(Platform::MacOS, allTargets)},
        {"kill-script.macos", killScriptFor(Platform::MacOS, fewestTargets)},
        {"kill-script.linux", killScriptFor(Platform::Linux, fewestTargets)},
        {"guard-script-all-on.macos", guardScriptFor(Platform::MacOS, allTargets)},
        {"guard-script.linux", guardScriptFor(Platform::Linux, fewestTargets)},
        {"guard-plist.macos", mac.files.value(0).content},
        {"guard-service.linux", guardServiceUnitFor("/home/ada/backup of Core Sync/100%/guard.sh")},
        {"guard-timer.linux", guardTimerUnit()},
        {"guard-commands.macos", macCommands.unload + "; " + macCommands.load + '\n' + macCommands.probe + '\n' + macCommands.remove + '\n'},
        {"guard-units-all-users.linux", serviceManagerText(allUsersServiceManager(Platform::Linux, SystemFolders()))},
        {"guard-plist-all-users.macos", serviceManagerText(allUsersServiceManager(Platform::MacOS, SystemFolders()))},
        {"guard-paths", QStringList{mac.scriptPath, mac.loginEntry, systemd.scriptPath}.join('\n') + '\n' + systemd.filePaths.join('\n') + '\n'},
    };
    // A new target changes these texts: HUSHWELL_WRITE_EXPECTED=1 writes them anew, and the
    // diff of tests/expected is the review.
    const bool rewrite = qEnvironmentVariable("HUSHWELL_WRITE_EXPECTED") == QLatin1String("1");
    for (const auto &[name, text] : texts) {
        const QString expected = QStringLiteral(HUSHWELL_EXPECTED "/") + name;
        if (rewrite)
            writeFile(expected, text.toUtf8());
        EXPECT_EQ(text, readFile(expected)) << name;
    }
    EXPECT_TRUE(killScriptFor(Platform::Linux, {"it's"}).contains("P='(^|[/\\\\])([i]t'\\''s)'\n")) << "quoted for the shell";
    EXPECT_EQ(guardPlistFor("/Users/o'brien & <co> \"x\"/guard.sh").section('\n', 8, 8),
              "        <string>/Users/o&apos;brien &amp; &lt;co&gt; &quot;x&quot;/guard.sh</string>");
}

using Preferences = FreshPreferences;

// Only a regular file, or a link to one, is read or written: anything else there is
// refused at once (a FIFO would block the read; a write through a link to a device would
// replace the device). A store QSettings cannot parse would be rewritten from what it
// could, losing a comment or a whole file that is no settings file: it is refused before
// anything is written. Either reads as the defaults and is left byte for byte.
TEST_F(Preferences, AStoreThatIsNoSettingsFileIsRefusedAndLeftAsItWas)
{
    const QString store = preferencesLocation(), elsewhere = QFileInfo(store).path() + "/elsewhere";
    QDir().mkpath(QFileInfo(store).path());
    const QString noFile = "hushwellctl: couldn't store includeCoreSync in " + store + ": it is no regular file\n";
    const QString noSettings = "hushwellctl: couldn't store includeCoreSync in " + store
                               + ": it holds lines that are no settings, and was left as it was\n";
    const std::tuple<const char *, std::function<bool()>, QString> rows[] = {
        {"a FIFO", [&] { return ::mkfifo(QFile::encodeName(store), 0600) == 0; }, noFile},
        {"a link to a FIFO", [&] { return ::mkfifo(QFile::encodeName(elsewhere), 0600) == 0 && QFile::link(elsewhere, store); }, noFile},
        {"a dangling link", [&] { return QFile::link(elsewhere, store); }, noFile},
        {"a folder", [&] { return QDir().mkpath(store); }, noFile},
        {"a commented store", [&] { return writeFile(store, "# a comment\nincludeCoreSync=true\n"); }, noSettings},
        {"no settings file, behind a link", [&] { return writeFile(elsewhere, "shopping list\n[milk\n") && QFile::link(elsewhere, store); },
         noSettings},
    };
    for (const auto &[name, make, refusal] : rows) {
        ASSERT_TRUE(make()) << name;
        const QFileInfo before(store);
        const QByteArray bytes = before.isFile() ? readFile(store).toUtf8() : QByteArray();
        EXPECT_TRUE(wants(kCoreSync)) << name << ": the default, without blocking";
        EXPECT_FALSE(storePreference(kCoreSync, false)) << name;
        const CtlResult refused = ctl({"set", "includeCoreSync", "false"});
        EXPECT_EQ(refused.status, 1) << name;
        EXPECT_EQ(refused.err, refusal) << name;
        EXPECT_EQ(QFileInfo(store).isSymLink(), before.isSymLink()) << name << ": left as it was";
        EXPECT_EQ(QFileInfo(store).isFile() ? readFile(store).toUtf8() : QByteArray(), bytes) << name << ": byte for byte";
        QDir(store).removeRecursively();
        QFile::remove(store);
        QFile::remove(elsewhere);
    }
}

// A run under sudo -E keeps the account's HOME: nothing root writes may land there.
TEST_F(Preferences, NothingIsWrittenIntoAHomeOfAnotherAccount)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give a folder to another account";
    QTemporaryDir theirs;
    ASSERT_EQ(::chown(QFile::encodeName(theirs.path()), 65534, 65534), 0);
    const std::pair<const char *, QByteArray> theirEnvironment[] = {{"HOME", QFile::encodeName(theirs.path())},
        {"XDG_CONFIG_HOME", QFile::encodeName(theirs.path() + "/.config")}, {"XDG_DATA_HOME", QFile::encodeName(theirs.path() + "/.local/share")}};
    QByteArrayList ours;
    for (const auto &[name, value] : theirEnvironment) {
        ours << qgetenv(name);
        qputenv(name, value);
    }
    qputenv("SUDO_UID", "65534");
    const CtlResult set = ctl({"set", "includeCoreSync", "false"}), start = ctl({"guard", "start"});
    // What the window calls.
    const GuardResult windowStart = startGuard();
    const PreferenceChange windowSet = applyTargetPreferences({{kCoreSync, false}});
    for (const auto &[name, value] : theirEnvironment)
        qputenv(name, ours.takeFirst());
    qunsetenv("SUDO_UID");
    EXPECT_EQ(set.status, 1);
    EXPECT_TRUE(set.err.contains("another account")) << set.err.toStdString();
    EXPECT_EQ(start.status, 1);
    EXPECT_TRUE(start.err.contains("another account")) << start.err.toStdString();
    EXPECT_EQ(windowStart.message, homeOfAnotherAccountText);
    EXPECT_FALSE(windowSet.stored);
    EXPECT_EQ(QDir(theirs.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList())
        << "nothing written there";
}

using Cli = FreshPreferences;

TEST_F(Cli, UsageErrorsSayOneLineExitTwoAndWriteNothing)
{
    const QList<QStringList> wrong = {
        {}, {"frobnicate"}, {"get", "noSuchKey"}, {"set", "soundEnabled"}, {"set", "soundEnabled", "TRUE"},
        {"set", "soundEnabled", "true", "stray"}, {"status", "stray"}, {"status", "--yaml"}, {"help", "frobnicate"},
        {"show", "nothing-by-that-name"}, {"show", "kill-script", "--platform"}, {"show", "kill-script", "--platform", "windows"},
        {"show", "guard-plist", "--platform", "linux"}, {"show", "guard-units", "--platform", "macos"},
        {"kill", "stray"}, {"list", "--json", "stray"}, {"guard"}, {"guard", "start", "stray"}, {"guard", "restart"},
        {"--version", "stray"}, {"get"}, {"help", "kill", "stray"}, {"show"}, {"show", "kill-script", "--platform="},
        {"frob\x1b[31mnicate"}, {"get", "key\x1b]0;title\x07"}, {"show", "kill-script", QString("--platform=") + QChar(0x9b) + "2J"},
        {"guard", "status", "--json"}, {"guard", "start", "--since=-1h"}, {"guard", "log", "--since"}, {"guard", "log", "stray"}};
    for (const QStringList &args : wrong) {
        const CtlResult r = ctl(args);
        const std::string call = args.join(' ').toStdString();
        EXPECT_EQ(r.status, 2) << call;
        EXPECT_EQ(r.err.count('\n'), 1) << call << ": " << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith("hushwellctl: ")) << call << ": " << r.err.toStdString();
        EXPECT_EQ(r.out, "") << call;
    }
    EXPECT_FALSE(QFile::exists(preferencesLocation()));
    EXPECT_EQ(ctl({QString("frob\x1b[31m\n\t\r\x7f") + QChar(0x9b) + QChar(0x202e) + QChar(0x200b) + QString::fromUcs4(U"\U000E0041")}).err,
              "hushwellctl: unknown command 'frob\\x1b[31m\\n\\t\\r\\x7f\\u009b\\u202e\\u200b\\U000e0041' (try --help)\n")
        << "every kind, escaped, format characters too";
}

// A count whose scan cannot run prints nothing, which is never read as 0: pgrep missing, or
// failing, or printing something that is no count.
TEST_F(Cli, ACountThatCannotRunIsNeverQuiet)
{
    if (nativePlatform() != Platform::Linux)
        GTEST_SKIP() << "the Linux count runs pgrep";
    QTemporaryDir bin;
    ASSERT_TRUE(QFile::link("/usr/bin/id", bin.path() + "/id"));
    const std::pair<const char *, const char *> pgreps[] = {
        {"pgrep missing", nullptr}, {"pgrep lists, then fails with status 3", "echo 1; exit 3"}, {"pgrep fails with status 2", "exit 2"}};
    for (const auto &[name, body] : pgreps) {
        QFile::remove(bin.path() + "/pgrep");
        if (body) {
            ASSERT_TRUE(standIn(bin.path(), "pgrep", body)) << name;
        }
        std::optional<PathWith> only(std::in_place, bin.path(), true);
        const CtlResult status = ctl({"status"}), json = ctl({"status", "--json"}), list = ctl({"list"}),
                        killed = ctl({"kill", "--json"});
        only.reset();
        EXPECT_TRUE(QJsonDocument::fromJson(killed.out.toUtf8())["stopped"].isNull()) << name << ": nothing known was stopped";
        EXPECT_EQ(status.status, 1) << name;
        EXPECT_EQ(status.out, "Can't check\nCouldn't read the list of running processes.\n") << name;
        EXPECT_TRUE(QJsonDocument::fromJson(json.out.toUtf8())["running"].isNull()) << name;
        EXPECT_EQ(list.status, 1) << name;
        EXPECT_EQ(list.err, "hushwellctl: Couldn't read the list of running processes.\n") << name;
    }
}

// No manager answers in this world (its runtime folder is empty, and no session bus is
// named): the guard commands say so instead of guessing "off".
TEST_F(Cli, WithoutAUserManagerTheGuardCommandsSaySo)
{
    if (nativePlatform() != Platform::Linux)
        GTEST_SKIP() << "launchd always answers";
    for (const char *action : {"status", "start", "stop"}) {
        const CtlResult result = ctl({"guard", action});
        EXPECT_EQ(result.status, 1) << action;
        EXPECT_EQ(result.err, "hushwellctl: no systemd user manager is running for this account\n") << action;
    }
    EXPECT_EQ(startGuard().message, guardNoManagerText) << "the window's start too";
    EXPECT_FALSE(QFile::exists(guardScriptPath())) << "a start without a manager writes nothing";
}


// What the guard stopped, from journal lines as journalctl prints them: which lines are the
// guard's, how they make runs, and how a run reads.
TEST(GuardRecord, LinesAreTheGuardsByUnitOrStreamAndReadAsRuns)
{
    const auto entry = [](const char *stream, const char *unit, const QJsonValue &message, qint64 second) {
        QJsonObject line{{"MESSAGE", message}, {"__REALTIME_TIMESTAMP", QString::number(second * 1000000 + 250000)}};
        if (*stream)
            line["_STREAM_ID"] = stream;
        if (*unit)
            line[QString(unit).startsWith("user@") ? "_SYSTEMD_UNIT" : "_SYSTEMD_USER_UNIT"] = unit;
        return QJsonDocument(line).toJson(QJsonDocument::Compact);
    };
    const char *guard = "com.larkvane.hushwell.guard.service";
    const QJsonArray bytes{'4', '2', ' ', 'C', 'o', 'r', 'e', ' ', 'S', 'y', 'n', 'c', ' ', 0xe2, 0x80, 0xae};
    const QList<QByteArray> lines{
        entry("a", guard, "   11 /opt/Adobe/AdobeIPCBroker --type=renderer", 1000),
        entry("a", "", "   12 node helper.js", 1000),             // its ps ended first: the stream says whose
        entry("b", "other.service", "   13 AdobeIPCBroker", 1001), // another unit's shell
        entry("c", "user@0.service", "   14 AdobeIPCBroker", 1001), // filed, under the manager
        entry("d", "", "   15 vim notes.txt", 1002),               // unfiled, names no target
        entry("e", "", bytes, 1003),                               // unfiled, names one; not UTF-8 clean text
        entry("a", guard, "Some other line", 1000),
        "-- No entries --",
        entry("f", guard, "   16 Creative Cloud Helper", 1004),
        entry("f", guard, "   17 Creative Cloud Helper", 1004),
        entry("f", guard, "   18 C:\\Adobe\\AdobeGCClient.exe", 1004)};
    const QList<GuardRun> runs = parseGuardJournal(lines.join('\n'));
    ASSERT_EQ(runs.size(), 3);
    EXPECT_EQ(runs.at(0).at.toMSecsSinceEpoch(), 1000250);
    EXPECT_EQ(runs.at(0).processes.size(), 2);
    EXPECT_EQ(runs.at(0).processes.at(1).pid, 12);
    EXPECT_EQ(runs.at(1).processes.at(0).command, "Core Sync " + QString(QChar(0x202e)));
    const QDate day = runs.at(0).at.toLocalTime().date();
    EXPECT_EQ(guardRunLine(runs.at(0), day), runs.at(0).at.toLocalTime().toString("HH:mm:ss") + "  stopped 2: AdobeIPCBroker, node");
    EXPECT_EQ(guardRunLine(runs.at(2), day.addDays(1)),
              runs.at(2).at.toLocalTime().toString("yyyy-MM-dd HH:mm:ss") + "  stopped 3: Creative Cloud Helper \u00d72, AdobeGCClient")
        << "another day's run names its date";
    EXPECT_EQ(recordedCommand("ls \x1b[2J" + QString(QChar(0x202e))), "ls \\x1b[2J\\u202e");
    EXPECT_EQ(recordedCommand(QString(400, 'x')), QString(300, 'x') + QChar(0x2026));
    EXPECT_EQ(readGuardLog(Platform::MacOS).problem, "The guard keeps no record on macOS: its script prints nothing.");
}
