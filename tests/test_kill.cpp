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
#include <QTemporaryDir>

#include <algorithm>

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
                             "Adobe Content Synchronizer", "AdobeGCClient --log=/tmp/grep.log",
                             "C:\\Program Files\\Adobe\\Core Sync.exe"})
        targets.emplace_back(name);
    FakeTarget otherCase(QStringLiteral("adobeipcbroker"));
    FakeTarget partial(QStringLiteral("AdobeIPCBroke")), split(QStringLiteral("Creative-Cloud-Helper"));
    // Programs whose arguments merely mention a target.
    FakeTarget pager(QStringLiteral("less Core Sync notes.txt")), editor(QStringLiteral("vim /home/ann/Notes on AdobeIPCBroker.txt")),
        search(QStringLiteral("grep AdobeUpdateService"));
    FakeTarget theirs(QStringLiteral("AdobeIPCBroker"), FakeTarget::Default, FakeTarget::Nobody);

    EXPECT_EQ(count(), "6") << "a target whose command line holds \"grep\" is counted too, one under Wine, none of another account's";
    EXPECT_LT(timedKill().second, 1.5) << "the pause ends as soon as every target has gone";
    for (auto &target : targets)
        EXPECT_TRUE(target.diesWithin(1));
    EXPECT_TRUE(otherCase.alive()) << "another letter case is no target";
    EXPECT_TRUE(partial.alive()) << "part of a name";
    EXPECT_TRUE(split.alive()) << "the name with other separators";
    EXPECT_TRUE(pager.alive()) << "a pager that mentions a target";
    EXPECT_TRUE(editor.alive()) << "an editor that mentions a target";
    EXPECT_TRUE(search.alive()) << "a grep that mentions a target";
    EXPECT_TRUE(theirs.alive()) << "another account's target";
    EXPECT_EQ(count(), "0");
}

// A target that has ended but whose parent never reaps it runs nothing: neither counted
// nor waited for, and the kill succeeds.
TEST_F(Kill, AZombieTargetIsNotRunning)
{
    QTemporaryDir bin;
    const QString named = bin.path() + "/AdobeCRDaemon";
    ASSERT_TRUE(QFile::copy("/bin/sleep", named));
    QFile::setPermissions(named, QFile::ReadOwner | QFile::ExeOwner);
    // The child exits at once; its parent becomes a sleep that never waits for it.
    QProcess parent;
    parent.start("/bin/sh", {"-c", "\"$0\" 0 & exec sleep 300", named});
    ASSERT_TRUE(waitUntil([] { return shell("ps -eo stat=,comm= | grep -c '^Z.*AdobeCRDaemon'") == "1"; }, 5000));
    EXPECT_EQ(count(), "0");
    const CtlResult killed = ctl({"kill"});
    EXPECT_EQ(killed.status, 0) << killed.out.toStdString();
    parent.kill();
    parent.waitForFinished();
}

// TERM-proof targets hold the script in its pause for the full two seconds, and are
// counted exactly all the while: the kill's scans never end a concurrent count.
TEST_F(Kill, TermProofTargetsDieAfterTheGraceAndCountsStayExact)
{
    std::list<FakeTarget> stubborn;
    for (const char *name : {"AdobeUpdateDaemon", "Core Sync", "Adobe Crash Processor"})
        stubborn.emplace_back(name, FakeTarget::IgnoreTerm);
    auto kill = std::async(std::launch::async, [] { return timedKill(QStringLiteral("echo reached-the-end")); });
    // Counts for the first second of the two, however few a loaded machine gets through.
    QStringList counts;
    QElapsedTimer counting;
    counting.start();
    while (counting.elapsed() < 1000)
        counts << count();
    EXPECT_TRUE(stubborn.front().alive()) << "still in the grace period";
    const auto [reached, seconds] = kill.get();
    EXPECT_EQ(reached, "reached-the-end") << "the script's own shell survives its scans";
    EXPECT_GE(seconds, 1.9) << "TERM-proof targets get the full grace";
    EXPECT_EQ(counts, QStringList(counts.size(), "3"));
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
// their exit says; what a kill reports: exactly the targets it ended, with what they held.
TEST_F(Kill, HushwellctlStatusListKillAndTheReport)
{
    EXPECT_EQ(ctl({"status"}).out, "All quiet\nNothing of Adobe's is running in the background.\n");
    const CtlResult none = ctl({"list", "--json"});
    EXPECT_EQ(none.status, 0) << "nothing running is no failure";
    EXPECT_EQ(none.out, "[]\n");
    FakeTarget target(QStringLiteral("AdobeGCClient --watch")), stubborn(QStringLiteral("AdobeUpdateDaemon"), FakeTarget::IgnoreTerm);
    FakeTarget lookalike(QStringLiteral("less AdobeIPCBroker.log"));
    const CtlResult status = ctl({"status"});
    EXPECT_EQ(status.status, 0);
    EXPECT_EQ(status.out, "2 running\nHelping themselves to your CPU.\n");
    const CtlResult json = ctl({"status", "--json"});
    EXPECT_EQ(QJsonDocument::fromJson(json.out.toUtf8()).object(), QJsonObject({{"running", 2}, {"guard", QJsonValue::Null}}))
        << "no manager runs here to ask";
    EXPECT_EQ(json.status, 1) << "the guard's state could not be read";

    // Resident memory as the kernel reports it, in KiB.
    QFile proc(QStringLiteral("/proc/%1/status").arg(target.pid()));
    ASSERT_TRUE(proc.open(QIODevice::ReadOnly));
    const qint64 rssKib = QString::fromUtf8(proc.readAll()).section("VmRSS:", 1).section("kB", 0, 0).trimmed().toLongLong();
    const QJsonArray rows = QJsonDocument::fromJson(ctl({"list", "--json"}).out.toUtf8()).array();
    ASSERT_EQ(rows.size(), 2);
    const QJsonValue row = rows[0]["pid"].toInteger() == target.pid() ? rows[0] : rows[1];
    EXPECT_EQ(row["pid"].toInteger(), target.pid());
    EXPECT_NEAR(row["rss_kib"].toDouble(), rssKib, 64);
    EXPECT_EQ(row["command"], "AdobeGCClient --watch 300");
    if (nativePlatform() != Platform::Linux)
        return; // the macOS kill would change the account
    const qint64 held = rows[0]["rss_kib"].toInteger() + rows[1]["rss_kib"].toInteger();
    const CtlResult plain = ctl({"kill"});
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.out.section('\n', 0, 1), "All quiet\nNothing of Adobe's is running in the background.") << "the count lines first";
    EXPECT_EQ(plain.out.section('\n', 2, 2), QStringLiteral("Stopped 2 processes holding %1 MB.").arg(held / 1024.0, 0, 'f', 1));
    EXPECT_TRUE(lookalike.alive());
    EXPECT_EQ(ctl({"kill"}).out.count('\n'), 2) << "nothing stopped, nothing said";

    FakeTarget polite(QStringLiteral("AdobeIPCBroker")), deaf(QStringLiteral("CCXProcess"), FakeTarget::IgnoreTerm);
    const QJsonObject report = QJsonDocument::fromJson(ctl({"kill", "--json"}).out.toUtf8()).object();
    EXPECT_EQ(report["left"], 0);
    EXPECT_EQ(report["left"].toInteger(), count().toLongLong()) << "left is what status then counts";
    QList<qint64> pids;
    for (const QJsonValue stopped : report["stopped"].toArray())
        pids << stopped["pid"].toInteger();
    std::sort(pids.begin(), pids.end());
    EXPECT_EQ(pids, (QList<qint64>{std::min(polite.pid(), deaf.pid()), std::max(polite.pid(), deaf.pid())}))
        << "both targets, the TERM-proof one included, and not the look-alike";

    // Adobe's launcher starts what was killed again at once.
    const Respawner launcher(QStringLiteral("AdobeUpdateDaemon"));
    const CtlResult partly = ctl({"kill"});
    EXPECT_EQ(partly.status, 1) << "something is running again after the kill";
    EXPECT_TRUE(partly.out.startsWith("1 running\nOne process is helping itself to your CPU.\n")) << "the count line first";
}
