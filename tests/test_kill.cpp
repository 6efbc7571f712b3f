// Counts and kills real processes in a process table of the test's own: fake targets are
// /bin/sleep started under Adobe's process names.
#include "support/managedhome.h"

#include "process/catalogue.h"
#include "process/processlist.h"
#include "process/scripts.h"
#include "process/shell.h"

#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <future>
#include <list>

QString count() { return shell(countCommand()); }

// How long the kill script took, in seconds; `tail` replaces its last line ("exit 0").
std::pair<QString, double> timedKill(const QString &tail = QStringLiteral("exit 0"))
{
    const QString script = killScriptSafeToRun();
    QElapsedTimer timer;
    timer.start();
    const QString printed = shell(script.left(script.lastIndexOf('\n') + 1) + tail);
    return {printed, timer.elapsed() / 1000.0};
}

using Kill = PrivateProcesses;

// The count counts exactly what the kill can act on: the user's own processes, letter case
// respected, whatever else their command lines hold.
TEST_F(Kill, StopsEveryTargetAtOnceAndSparesLookalikes)
{
    std::list<FakeTarget> targets;
    for (const char *name : {"AdobeIPCBroker --type=renderer", "/Applications/Creative Cloud Helper.app/x", "ACCFinderSync",
                             "Adobe Content Synchronizer", "AdobeGCClient --log=/tmp/grep.log"})
        targets.emplace_back(name);
    FakeTarget otherCase(QStringLiteral("adobeipcbroker"));
    FakeTarget partial(QStringLiteral("AdobeIPCBroke")), split(QStringLiteral("Creative-Cloud-Helper"));

    EXPECT_EQ(count(), "5") << "a target whose command line holds \"grep\" is counted too";
    EXPECT_LT(timedKill().second, 1.5) << "the pause ends as soon as every target has gone";
    for (auto &target : targets)
        EXPECT_TRUE(target.diesWithin(1));
    EXPECT_TRUE(otherCase.alive()) << "another letter case is no target";
    EXPECT_TRUE(partial.alive()) << "part of a name";
    EXPECT_TRUE(split.alive()) << "the name with other separators";
    EXPECT_EQ(count(), "0");
}

TEST_F(Kill, AnotherAccountsTargetIsNeitherCountedNorHarmed)
{
    FakeTarget theirs(QStringLiteral("AdobeIPCBroker"), FakeTarget::Default, FakeTarget::Nobody);
    EXPECT_EQ(count(), "0");
    const CtlResult killed = ctl({"kill"});
    EXPECT_EQ(killed.status, 0) << "nothing of the user's own is left, so the kill succeeded";
    EXPECT_TRUE(theirs.alive());
}

// TERM-proof targets hold the script in its pause for the full two seconds, and are
// counted exactly all the while: the kill's scans never end a concurrent count.
TEST_F(Kill, TermProofTargetsDieAfterTheGraceAndCountsStayExact)
{
    std::list<FakeTarget> stubborn;
    for (const char *name : {"AdobeUpdateDaemon", "Core Sync", "Adobe Crash Processor"})
        stubborn.emplace_back(name, FakeTarget::IgnoreTerm);
    auto kill = std::async(std::launch::async, [] { return timedKill(QStringLiteral("echo reached-the-end")); });
    QStringList counts;
    for (int i = 0; i < 50; ++i)
        counts << count();
    EXPECT_TRUE(stubborn.front().alive()) << "still in the grace period after 50 counts";
    const auto [reached, seconds] = kill.get();
    EXPECT_EQ(reached, "reached-the-end") << "the script's own shell survives its scans";
    EXPECT_GE(seconds, 1.9) << "TERM-proof targets get the full grace";
    EXPECT_EQ(counts, QStringList(50, "3"));
    for (auto &target : stubborn)
        EXPECT_TRUE(target.diesWithin(1)) << "the signal-9 pass";
}

TEST_F(Kill, ThePreferencesAndANarrowTerminalDecideWhatIsCounted)
{
    storePreference(kDesktopService, false);
    FakeTarget licensing(QStringLiteral("Adobe Desktop Service"));
    // procps ps cuts command lines to an exported $COLUMNS, even into a pipe.
    const QString longName = "/opt/adobe/a/deeply/nested/install/folder/" + QString(80, 'x') + "/AdobeGCClient --flag";
    FakeTarget longLine(longName);
    qputenv("COLUMNS", "40");
    EXPECT_EQ(count(), "1");
    EXPECT_EQ(parseProcessList(shell(listCommand())).value(0).command, longName + " 300") << "listed whole";
    qunsetenv("COLUMNS");
    timedKill();
    EXPECT_TRUE(longLine.diesWithin(1));
    EXPECT_TRUE(licensing.alive()) << "unticked, so no target";
}

// hushwellctl status, list and kill on the same processes, as text and as JSON, and what
// their exit says.
TEST_F(Kill, HushwellctlStatusListAndKill)
{
    EXPECT_EQ(ctl({"status"}).out, "All quiet\nNothing of Adobe's is running in the background.\n");
    const CtlResult none = ctl({"list", "--json"});
    EXPECT_EQ(none.status, 0) << "nothing running is no failure";
    EXPECT_EQ(none.out, "[]\n");
    FakeTarget target(QStringLiteral("AdobeGCClient --watch"));
    const CtlResult status = ctl({"status"});
    EXPECT_EQ(status.status, 0);
    EXPECT_EQ(status.out, "1 running\nOne process is helping itself to your CPU.\n");
    EXPECT_EQ(QJsonDocument::fromJson(ctl({"status", "--json"}).out.toUtf8()).object(), QJsonObject({{"running", 1}, {"guard", false}}));

    // Resident memory as the kernel reports it, in KiB, and the same in MiB in the plain list.
    QFile proc(QStringLiteral("/proc/%1/status").arg(target.pid()));
    ASSERT_TRUE(proc.open(QIODevice::ReadOnly));
    const qint64 rssKib = QString::fromUtf8(proc.readAll()).section("VmRSS:", 1).section("kB", 0, 0).trimmed().toLongLong();
    const QJsonArray rows = QJsonDocument::fromJson(ctl({"list", "--json"}).out.toUtf8()).array();
    ASSERT_EQ(rows.size(), 1);
    EXPECT_EQ(rows[0]["pid"].toInteger(), target.pid());
    EXPECT_NEAR(rows[0]["rss_kib"].toDouble(), rssKib, 64);
    EXPECT_EQ(rows[0]["command"], "AdobeGCClient --watch 300");
    if (nativePlatform() == Platform::Linux) { // the macOS kill would change the account
        EXPECT_EQ(ctl({"kill"}).status, 0);
        EXPECT_TRUE(target.diesWithin(1));
        // Adobe's launcher starts what was killed again at once; its own command line names
        // no target.
        QProcess respawner;
        respawner.start("/bin/bash", {"-c", "n=AdobeUpdate; while :; do (exec -a \"${n}Daemon\" sleep 300); done"});
        ASSERT_TRUE(waitUntil([] { return count() == "1"; }, 5000));
        const CtlResult partly = ctl({"kill"});
        respawner.kill();
        respawner.waitForFinished();
        shell("pkill -9 -f '[A]dobeUpdateDaemon'"); // its last child
        EXPECT_EQ(partly.status, 1) << "something is running again after the kill";
        EXPECT_EQ(partly.out, "1 running\nOne process is helping itself to your CPU.\n");
    }
}
