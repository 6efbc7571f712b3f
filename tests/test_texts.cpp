// Everything the program says or decides from plain values: the shell texts, the kill
// panel, the preferences, and hushwellctl's answers that start or kill nothing.
#include "guard/guardcontrol.h"
#include "guard/guardfiles.h"
#include "guard/guardlog.h"
#include "guard/guardpanel.h"
#include "guard/servicemanager.h"
#include "process/catalogue.h"
#include "process/killpanel.h"
#include "process/scripts.h"
#include "support/managedhome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>
#include <QTemporaryDir>

#include <optional>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

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
    const auto ada = [](Platform platform, GuardScope scope) {
        return Guard{.scope = scope, .platform = platform, .dirs = UserDirs::underHome("/Users/ada lovelace"), .system = {}};
    };
    const ServiceManager mac = serviceManager(ada(Platform::MacOS, GuardScope::Account), 501),
                         systemd = serviceManager(ada(Platform::Linux, GuardScope::Account));
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
        {"guard-commands.macos",
         macCommands.unload + "; " + macCommands.load + '\n' + macCommands.probe + '\n' + macCommands.remove + '\n'},
        {"guard-units-all-users.linux", serviceManagerText(serviceManager(ada(Platform::Linux, GuardScope::EveryAccount)))},
        {"guard-plist-all-users.macos", serviceManagerText(serviceManager(ada(Platform::MacOS, GuardScope::EveryAccount)))},
        {"guard-paths",
         QStringList{mac.scriptPath, mac.loginEntry, systemd.scriptPath}.join('\n') + '\n' + systemd.filePaths.join('\n') + '\n'},
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
// replace the device). A set keeps every other line of the file byte for byte, or refuses
// and names the first line it could not keep; so does a lock that cannot be taken within a
// few seconds. Either reads as what it can and is left byte for byte.
TEST_F(Preferences, AStoreIsKeptLineForLineOrRefusedAndLeftAsItWas)
{
    if (nativePlatform() != Platform::Linux)
        GTEST_SKIP() << "the store is a file on Linux only; on macOS it is a defaults domain";
    const QString store = preferencesLocation(), elsewhere = QFileInfo(store).path() + "/elsewhere", lock = store + ".lock";
    QDir().mkpath(QFileInfo(store).path());
    const QString refused = "hushwellctl: couldn't store includeCoreSync in " + store + ": ";
    const QString noFile = refused + "it is no regular file\n", badLock = refused + "its lock " + lock + " is no regular file\n";
    const auto unkept = [&](int line, const QString &text) {
        return refused + QString("a change would not keep its line %1 ('%2'), so it was left as it was\n").arg(line).arg(text);
    };
    const FakeTarget holder(QStringLiteral("sleep")); // a live program, whose lock QLockFile takes for held
    const std::tuple<const char *, std::function<bool()>, QString> rows[] = {
        {"a FIFO", [&] { return ::mkfifo(QFile::encodeName(store), 0600) == 0; }, noFile},
        {"a link to a FIFO", [&] { return ::mkfifo(QFile::encodeName(elsewhere), 0600) == 0 && QFile::link(elsewhere, store); }, noFile},
        {"a ; comment", [&] { return writeFile(store, "soundEnabled=true\n; mine\n"); }, unkept(2, "; mine")},
        {"no settings file, behind a link", [&] { return writeFile(elsewhere, "shopping list\n[milk\n") && QFile::link(elsewhere, store); },
         unkept(1, "shopping list")},
        {"a folder for the lock", [&] { return QDir().mkpath(lock); }, badLock},
        {"a link for the lock", [&] { return writeFile(elsewhere, "") && QFile::link(elsewhere, lock); }, badLock},
        {"a held lock",
         [&] { return writeFile(lock, QByteArray::number(holder.pid()) + "\nsleep\n" + QSysInfo::machineHostName().toUtf8() + "\n"); },
         refused + "another program has held its lock " + lock + " for more than 3 seconds\n"},
    };
    for (const auto &[name, make, refusal] : rows) {
        ASSERT_TRUE(make()) << name;
        const QFileInfo before(store);
        const QByteArray bytes = before.isFile() ? readFile(store).toUtf8() : QByteArray();
        EXPECT_TRUE(wants(kCoreSync)) << name << ": the default, without blocking";
        EXPECT_EQ(ctl({"set", "includeCoreSync", "false"}), (CtlResult{1, "", refusal})) << name;
        EXPECT_EQ(QFileInfo(store).isSymLink(), before.isSymLink()) << name << ": left as it was";
        EXPECT_EQ(QFileInfo(store).isFile() ? readFile(store).toUtf8() : QByteArray(), bytes) << name << ": byte for byte";
        for (const QString &path : {store, lock, elsewhere})
            QDir(path).removeRecursively(), QFile::remove(path);
    }

    // What is read, and what a set keeps: a byte-order mark is no part of the first key; a
    // key in another letter case is said. (Values that are no boolean: ValuesStoredByHand.)
    const std::tuple<const char *, QByteArray, QString, QString> reads[] = {
        {"after a byte-order mark", "\xef\xbb\xbfincludeCoreSync=false\n; kept\n", "false\n", ""},
        {"a key in another case", "IncludeCoreSync=false\n", "true\n",
         "hushwellctl: the stored includeCoreSync ('IncludeCoreSync=false') is not a boolean; the default applies\n"},
    };
    for (const auto &[name, text, says, warns] : reads) {
        ASSERT_TRUE(writeFile(store, text));
        const CtlResult get = ctl({"get", "includeCoreSync"});
        EXPECT_EQ(get.out + get.err, says + warns) << name;
    }
    ASSERT_TRUE(writeFile(store, "\xef\xbb\xbfincludeCoreSync=false\n[Other]\nname=x y\n"));
    EXPECT_EQ(ctl({"set", "soundEnabled", "true"}).status, 0);
    QFile changed(store);
    ASSERT_TRUE(changed.open(QIODevice::ReadOnly));
    EXPECT_EQ(changed.readAll(), "\xef\xbb\xbf[General]\nincludeCoreSync=false\nsoundEnabled=true\n\n[Other]\nname=x y\n")
        << "the mark and every line kept";
}

// Values a person stored by hand (an editor, defaults write): a boolean in any letter case
// is one; anything else is said, escaped, and the default applies.
TEST_F(Preferences, ValuesStoredByHand)
{
    const QString notABoolean = "true\nhushwellctl: the stored includeCoreSync ('%1') is not a boolean; the default applies\n";
    const std::tuple<const char *, QString, QString> rows[] = {
        {"upper case", "FALSE", "false\n"},          {"mixed case", "No", "false\n"},
        {"spaces around", " off ", "false\n"},       {"a number", "0", "false\n"},
        {"a word", "nope", notABoolean.arg("nope")}, {"control characters", "no\x1b[2J\t", notABoolean.arg("no\\x1b[2J\\t")},
    };
    for (const auto &[name, value, says] : rows) {
        storeByHand(kCoreSync, value);
        const CtlResult get = ctl({"get", "includeCoreSync"});
        EXPECT_EQ(get.out + get.err, says) << name;
    }
}

// A run under sudo keeps some of the account's folders (sudo -E all of them, a plain sudo
// a session's XDG_CONFIG_HOME): nothing root writes may land in any, even one not made yet.
TEST_F(Preferences, NothingIsWrittenIntoAFolderOfAnotherAccount)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to give a folder to another account";
    QTemporaryDir theirs;
    ASSERT_EQ(::chown(QFile::encodeName(theirs.path()), 65534, 65534), 0);
    for (const char *variable : {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_RUNTIME_DIR"}) {
        const QByteArray ours = qgetenv(variable);
        qputenv(variable, QFile::encodeName(theirs.path() + "/not/made/yet"));
        const CtlResult set = ctl({"set", "includeCoreSync", "false"}), start = ctl({"guard", "start"});
        qputenv(variable, ours);
        EXPECT_EQ(set.status, 1) << variable;
        EXPECT_TRUE(set.err.contains("another account")) << variable << ": " << set.err.toStdString();
        EXPECT_EQ(start, (CtlResult{1, "", "hushwellctl: this home folder is another account's; nothing was written\n"})) << variable;
        EXPECT_EQ(QDir(theirs.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList())
            << variable << ": nothing written there";
    }
}

using Cli = FreshPreferences;

TEST_F(Cli, UsageErrorsSayOneLineExitTwoAndWriteNothing)
{
    const QList<QStringList> wrong = {{},
                                      {"frobnicate"},
                                      {"get", "noSuchKey"},
                                      {"set", "soundEnabled"},
                                      {"set", "soundEnabled", "TRUE"},
                                      {"set", "soundEnabled", "true", "stray"},
                                      {"status", "--yaml"},
                                      {"help", "frobnicate"},
                                      {"show", "nothing-by-that-name"},
                                      {"show", "kill-script", "--platform"},
                                      {"show", "kill-script", "--platform", "windows"},
                                      {"show", "guard-plist", "--platform", "linux"},
                                      {"show", "kill-script", "--all-users"},
                                      {"list", "--all-users"},
                                      {"guard", "restart"},
                                      {"--version", "stray"},
                                      {"show", "kill-script", "--platform="},
                                      {"guard", "status", "--json"},
                                      {"guard", "start", "--since=-1h"},
                                      {"guard", "log", "--since"}};
    for (const QStringList &args : wrong) {
        const CtlResult r = ctl(args);
        EXPECT_TRUE(r.status == 2 && r.out.isEmpty() && r.err.startsWith("hushwellctl: ") && r.err.count('\n') == 1 && r.err.endsWith('\n'))
            << args.join(' ').toStdString() << ": " << ::testing::PrintToString(r);
    }
    EXPECT_EQ(storedByHand(), QStringList()) << "nothing stored";
    EXPECT_EQ(ctl({QString("frob\x1b[31m\n\t\r\x7f") + QChar(0x9b) + QChar(0x202e) + QChar(0x200b) + QString::fromUcs4(U"\U000E0041")}).err,
              "hushwellctl: unknown command 'frob\\x1b[31m\\n\\t\\r\\x7f\\u009b\\u202e\\u200b\\U000e0041' (try --help)\n")
        << "every kind, escaped, format characters too";
    EXPECT_TRUE(ctl({"show", "count-command", "--platform=macos"}).out.startsWith("ps ax -o command= | grep -iE "))
        << "a joined value, last";
    EXPECT_EQ(ctl({QString(200, 'a')}).err, "hushwellctl: unknown command '" + QString(200, 'a') + "' (try --help)\n");
    EXPECT_EQ(ctl({QString(100000, 'a')}).err, "hushwellctl: unknown command '" + QString(200, 'a') + QChar(0x2026) + "' (try --help)\n")
        << "cut to a readable length";
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
                        listJson = ctl({"list", "--json"}), killed = ctl({"kill", "--json"}), plainKill = ctl({"kill"});
        only.reset();
        EXPECT_EQ(status, (CtlResult{1, "Can't check\nCouldn't read the list of running processes.\n", ""})) << name;
        EXPECT_EQ(list, (CtlResult{1, "", "hushwellctl: Couldn't read the list of running processes.\n"})) << name;
        EXPECT_EQ(listJson, list) << name << ": a list that failed is no empty one";
        EXPECT_TRUE(QJsonDocument::fromJson(json.out.toUtf8())["running"].isNull()) << name;
        EXPECT_TRUE(QJsonDocument::fromJson(killed.out.toUtf8())["stopped"].isNull()) << name << ": nothing known was stopped";
        EXPECT_EQ(std::pair(killed.status, plainKill.status), std::pair(1, 1)) << name << ": both kills fail";
    }
}

// No manager answers in this world (its runtime folder is empty, and no session bus is
// named): the guard commands say so instead of guessing "off".
TEST_F(Cli, WithoutAUserManagerTheGuardCommandsSaySo)
{
    if (nativePlatform() != Platform::Linux)
        GTEST_SKIP() << "launchd always answers";
    for (const char *action : {"status", "start", "stop"}) {
        EXPECT_EQ(ctl({"guard", action}), (CtlResult{1, "", "hushwellctl: no systemd user manager is running for this account\n"}))
            << action;
    }
    EXPECT_FALSE(QFile::exists(guardScriptPath())) << "a start without a manager writes nothing";
}

// What the guard stopped, from journal lines as journalctl prints them: which lines are the
// guard's, how they make runs, and how a run reads.
TEST(GuardRecord, LinesAreTheGuardsByUnitOrStreamAndReadAsRuns)
{
    const QByteArray journal =
        R"({"_STREAM_ID":"a","_SYSTEMD_USER_UNIT":"com.larkvane.hushwell.guard.service","MESSAGE":"   11 /opt/Adobe/AdobeIPCBroker --type=renderer","__REALTIME_TIMESTAMP":"1000000250000"}
{"_STREAM_ID":"a","MESSAGE":"   12 node helper.js","__REALTIME_TIMESTAMP":"1000000250000"}
{"_STREAM_ID":"b","_SYSTEMD_USER_UNIT":"other.service","MESSAGE":"   13 AdobeIPCBroker","__REALTIME_TIMESTAMP":"1001000250000"}
{"_STREAM_ID":"c","_SYSTEMD_UNIT":"user@0.service","MESSAGE":"   14 AdobeIPCBroker","__REALTIME_TIMESTAMP":"1001000250000"}
{"_STREAM_ID":"d","MESSAGE":"   15 vim notes.txt","__REALTIME_TIMESTAMP":"1002000250000"}
{"_STREAM_ID":"e","MESSAGE":[52,50,32,67,111,114,101,32,83,121,110,99,32,226,128,174],"__REALTIME_TIMESTAMP":"1003000250000"}
{"_STREAM_ID":"a","_SYSTEMD_USER_UNIT":"com.larkvane.hushwell.guard.service","MESSAGE":"Some other line","__REALTIME_TIMESTAMP":"1000000250000"}
-- No entries --
{"_STREAM_ID":"f","_SYSTEMD_USER_UNIT":"com.larkvane.hushwell.guard.service","MESSAGE":"   16 Creative Cloud Helper","__REALTIME_TIMESTAMP":"1004000250000"}
{"_STREAM_ID":"f","_SYSTEMD_USER_UNIT":"com.larkvane.hushwell.guard.service","MESSAGE":"   17 Creative Cloud Helper","__REALTIME_TIMESTAMP":"1004000250000"}
{"_STREAM_ID":"f","_SYSTEMD_USER_UNIT":"com.larkvane.hushwell.guard.service","MESSAGE":"   18 C:\\Adobe\\AdobeGCClient.exe","__REALTIME_TIMESTAMP":"1004000250000"}
{"_STREAM_ID":"g","MESSAGE":"   19 C:\\Adobe\\CCXProcess.exe","__REALTIME_TIMESTAMP":"1005000250000"})";
    // Filed under the guard; unfiled in its stream (its ps ended first); another unit's;
    // the manager's; unfiled naming no target; unfiled naming one, not UTF-8 clean text;
    // unfiled naming a Windows program's path.
    const QList<GuardRun> runs = parseGuardJournal(journal);
    ASSERT_EQ(runs.size(), 4);
    EXPECT_EQ(runs.at(3).processes.at(0).pid, 19);
    EXPECT_EQ(runs.at(0).at.toMSecsSinceEpoch(), 1000000250);
    EXPECT_EQ(runs.at(0).processes.size(), 2);
    EXPECT_EQ(runs.at(0).processes.at(1).pid, 12);
    EXPECT_EQ(runs.at(1).processes.at(0).command, "Core Sync " + QString(QChar(0x202e)));
    const QDate day = runs.at(0).at.toLocalTime().date();
    EXPECT_EQ(guardRunLine(runs.at(0), day), runs.at(0).at.toLocalTime().toString("HH:mm:ss") + "  stopped 2: AdobeIPCBroker, node");
    EXPECT_EQ(guardRunLine(runs.at(2), day.addDays(1)),
              runs.at(2).at.toLocalTime().toString("yyyy-MM-dd HH:mm:ss") + "  stopped 3: Creative Cloud Helper \u00d72, AdobeGCClient")
        << "another day's run names its date";
    EXPECT_EQ(recordedCommand("ls \x1b[2J" + QString(QChar(0x202e))), "ls \\x1b[2J\\u202e");
    EXPECT_EQ(recordedCommand(QString(300, 'x')), QString(300, 'x'));
    EXPECT_EQ(recordedCommand(QString(301, 'x')), QString(300, 'x') + QChar(0x2026));
    EXPECT_EQ(readGuardLog(Platform::MacOS).problem, "The guard keeps no record on macOS: its script prints nothing.");
}
