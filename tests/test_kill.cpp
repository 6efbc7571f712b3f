// Counts and kills real processes in a process table of the test's own: fake targets are
// /bin/sleep started under Adobe's process names.
#include "process/catalogue.h"
#include "process/killreport.h"
#include "process/processlist.h"
#include "process/scripts.h"
#include "process/shell.h"
#include "support/managedhome.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <fcntl.h>
#include <list>
#include <sys/wait.h>
#include <unistd.h>

QString count()
{
    return shell(countCommand());
}

using Kill = PrivateProcesses;

// The count counts exactly what the kill can act on: the user's own processes, letter case
// respected, whose own program is a target's (argv[0], alone or with real arguments, under
// Wine too, an Electron helper). Arguments never make a target: editors, viewers,
// interpreters and launchers naming a target's path live.
TEST_F(Kill, StopsEveryTargetAtOnceAndSparesLookalikes)
{
    if (nativePlatform() != Platform::Linux)
        GTEST_SKIP() << "the macOS texts match the whole command line, as written";
    std::list<FakeTarget> targets, bystanders;
    for (const char *name : {"AdobeIPCBroker --type=renderer", "/Applications/Creative Cloud Helper.app/x", "ACCFinderSync",
                             "Adobe Content Synchronizer", "AdobeGCClient --log=/tmp/grep.log"})
        targets.emplace_back(QString::fromUtf8(name));
    for (const QStringList &argv : {QStringList{"C:\\Program Files\\Adobe\\Core Sync.exe", "--sync", "/home/ann"},
                                    QStringList{"/opt/Adobe/Creative Cloud UI Helper (Renderer)", "--type=renderer"}})
        targets.emplace_back(argv);
    // Another letter case, part of a name, other separators, a target named in argv[0]'s
    // arguments, another account's.
    for (const char *name : {"adobeipcbroker", "AdobeIPCBroke", "Creative-Cloud-Helper", "less Core Sync notes.txt",
                             "vim /home/ann/Notes on AdobeIPCBroker.txt", "grep AdobeUpdateService"})
        bystanders.emplace_back(QString::fromUtf8(name));
    bystanders.emplace_back(QStringLiteral("AdobeIPCBroker"), FakeTarget::Default, FakeTarget::Nobody);
    for (const QStringList &argv :
         {QStringList{"vim", "/home/ann/AdobeIPCBroker.txt"}, QStringList{"evince", "/home/ann/Docs/Creative Cloud Helper manual.pdf"},
          QStringList{"mpv", "/home/ann/Videos/Core Sync tutorial.mp4"}, QStringList{"python3", "/home/ann/src/AdobeUpdateService.py"},
          QStringList{"notepad.exe", "C:\\users\\ann\\Core Sync notes.txt"},
          QStringList{"/usr/bin/timeout", "600", "/usr/lib/wine/wine64", "C:\\Program Files\\Adobe\\Core Sync.exe"}})
        bystanders.emplace_back(argv);

    EXPECT_EQ(count(), "7");
    EXPECT_EQ(parseProcessList(shell(listCommand())).size(), 7);
    shell(killCommand());
    for (FakeTarget &target : targets)
        EXPECT_TRUE(target.diesWithin(1)) << target.name();
    for (FakeTarget &bystander : bystanders)
        EXPECT_TRUE(bystander.alive()) << bystander.name();
    EXPECT_EQ(count(), "0");
}

// hushwellctl status, list and kill on the same processes, as text and as JSON, and what
// their exit says; what a kill reports: exactly the targets it ended, with what they held.
TEST_F(Kill, HushwellctlStatusListKillAndTheReport)
{
    EXPECT_EQ(ctl({"list", "--json"}), (CtlResult{0, "[]\n", ""})) << "nothing running is no failure";
    FakeTarget target(QStringLiteral("AdobeGCClient --watch")), stubborn(QStringLiteral("AdobeUpdateDaemon"), FakeTarget::IgnoreTerm);
    EXPECT_EQ(ctl({"status"}), (CtlResult{0, "2 running\nHelping themselves to your CPU.\n", ""}));
    const CtlResult json = ctl({"status", "--json"});
    // No manager runs here to ask; launchd always answers.
    const bool linux = nativePlatform() == Platform::Linux;
    EXPECT_EQ(QJsonDocument::fromJson(json.out.toUtf8()).object(),
              QJsonObject({{"running", 2}, {"guard", linux ? QJsonValue::Null : QJsonValue(false)}}));
    EXPECT_EQ(json.status, linux ? 1 : 0) << "whether the guard's state could be read";

    const QJsonArray rows = QJsonDocument::fromJson(ctl({"list", "--json"}).out.toUtf8()).array();
    ASSERT_EQ(rows.size(), 2);
    const QJsonValue row = rows[0]["pid"].toInteger() == target.pid() ? rows[0] : rows[1];
    EXPECT_EQ(row["pid"].toInteger(), target.pid());
    EXPECT_EQ(row["command"], "AdobeGCClient --watch 300");
    if (!linux)
        return; // the macOS kill would change the account
    const CtlResult plain = ctl({"kill"});
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.out.section('\n', 0, 1), "All quiet\nNothing of Adobe's is running in the background.") << "the count lines first";
    EXPECT_TRUE(plain.out.section('\n', 2, 2).startsWith("Stopped 2 processes holding ")) << "then what it stopped";
    EXPECT_EQ(ctl({"kill"}).out.count('\n'), 2) << "nothing stopped, nothing said";

    FakeTarget polite(QStringLiteral("AdobeIPCBroker")), deaf(QStringLiteral("CCXProcess"), FakeTarget::IgnoreTerm);
    const QJsonObject report = QJsonDocument::fromJson(ctl({"kill", "--json"}).out.toUtf8()).object();
    EXPECT_EQ(report["left"].toInteger(), count().toLongLong()) << "left is what status then counts";
    QSet<qint64> pids;
    for (const QJsonValue stopped : report["stopped"].toArray())
        pids << stopped["pid"].toInteger();
    EXPECT_EQ(pids, (QSet<qint64>{polite.pid(), deaf.pid()})) << "both targets, the TERM-proof one included";
}

// A descriptor the caller left open without close-on-exec (a log, another child's pipe)
// never reaches the command: it gets standard input, output and error, nothing more.
TEST(Shell, TheCommandGetsOnlyTheThreeStandardDescriptors)
{
    if (!QFile::exists("/proc/self/fd"))
        GTEST_SKIP() << "reads /proc, which only Linux has";
    const int three = 3, flags = ::fcntl(three, F_GETFD);
    const int spare = flags < 0 ? ::dup2(::open("/dev/null", O_RDONLY), three) : ::fcntl(three, F_SETFD, 0);
    ASSERT_GE(spare, 0);
    const QString seen = shell("ls /proc/$$/fd");
    flags < 0 ? ::close(three) : ::fcntl(three, F_SETFD, flags);
    EXPECT_EQ(seen, "0\n1\n2");
}

// The report counts a process as stopped once it has ended, a zombie included; never one
// that still runs.
TEST(KillReport, ALivingProcessIsNotGoneAZombieIs)
{
    if (!QFile::exists("/proc/self/stat"))
        GTEST_SKIP() << "reads /proc, which only Linux has";
    EXPECT_FALSE(processGone(::getpid()));
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ASSERT_TRUE(waitUntil([&] { return readFile(QString("/proc/%1/stat").arg(child)).contains(") Z "); }));
    EXPECT_TRUE(processGone(child)) << "ended, not yet reaped";
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(processGone(child));
    EXPECT_FALSE(processGone(::getpid())) << "right after one that is gone";
}

// The macOS kill script, whole, against stand-ins that answer as macOS's commands do: it
// asks Creative Cloud to quit, boots out and disables Adobe's agents, switches the Finder
// extensions off, and its pkill lines end a polite and a TERM-proof target without ending
// the script that holds every pattern.
TEST_F(Kill, TheMacKillScriptAgainstMacOSsCommands)
{
    const QString standIns = qEnvironmentVariable("HUSHWELL_MACOS_STANDINS");
    if (nativePlatform() != Platform::MacOS || standIns.isEmpty())
        GTEST_SKIP() << "runs the macOS texts against stand-ins (test_macos.sh); on a Mac itself they would change the account";
    FakeTarget polite(QStringLiteral("AdobeIPCBroker")), deaf(QStringLiteral("/Applications/CCXProcess"), FakeTarget::IgnoreTerm);
    EXPECT_EQ(count(), "2");
    QFile::remove(standIns + "/calls");
    const CtlResult killed = ctl({"kill"});
    EXPECT_EQ(killed.status, 0) << killed.out.toStdString();
    EXPECT_TRUE(polite.diesWithin(1));
    EXPECT_TRUE(deaf.diesWithin(1)) << "the signal-9 pass ran: the script outlived its own pkill lines";
    EXPECT_EQ(count(), "0");
    const QString user = shell("id -u").trimmed();
    QStringList expected{"osascript -e quit app \"Creative Cloud\""};
    for (const char *agent : {"com.adobe.AdobeCreativeCloud", "com.adobe.ccxprocess"})
        expected << QStringLiteral("launchctl bootout gui/%1/%2").arg(user, agent)
                 << QStringLiteral("launchctl disable gui/%1/%2").arg(user, agent);
    for (const char *extension : {"com.adobe.acc.anc.AdobeCreativeCloud.AdobeContextMenuExtension", "com.adobe.accmac.ACCFinderSync"})
        expected << QStringLiteral("pluginkit -e ignore -i ") + extension;
    for (const char *pass : {"pkill -f ", "pkill -9 -f "})
        for (const QString &pattern : targetList())
            expected << pass + pattern;
    QStringList calls = readFile(standIns + "/calls").split('\n', Qt::SkipEmptyParts);
    calls.removeIf([](const QString &call) { return call.startsWith("launchctl print"); }); // the guard's state
    EXPECT_EQ(calls, expected);
}
