// Counts and kills real processes in a process table of the test's own: fake targets are
// /bin/sleep started under Adobe's process names.
#include "process/catalogue.h"
#include "process/processlist.h"
#include "process/scripts.h"
#include "process/shell.h"
#include "support/managedhome.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

#include <list>

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
    shell(killScriptSafeToRun());
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
    const CtlResult none = ctl({"list", "--json"});
    EXPECT_EQ(none.status, 0) << "nothing running is no failure";
    EXPECT_EQ(none.out, "[]\n");
    FakeTarget target(QStringLiteral("AdobeGCClient --watch")), stubborn(QStringLiteral("AdobeUpdateDaemon"), FakeTarget::IgnoreTerm);
    const CtlResult status = ctl({"status"});
    EXPECT_EQ(status.status, 0);
    EXPECT_EQ(status.out, "2 running\nHelping themselves to your CPU.\n");
    const CtlResult json = ctl({"status", "--json"});
    EXPECT_EQ(QJsonDocument::fromJson(json.out.toUtf8()).object(), QJsonObject({{"running", 2}, {"guard", QJsonValue::Null}}))
        << "no manager runs here to ask";
    EXPECT_EQ(json.status, 1) << "the guard's state could not be read";

    const QJsonArray rows = QJsonDocument::fromJson(ctl({"list", "--json"}).out.toUtf8()).array();
    ASSERT_EQ(rows.size(), 2);
    const QJsonValue row = rows[0]["pid"].toInteger() == target.pid() ? rows[0] : rows[1];
    EXPECT_EQ(row["pid"].toInteger(), target.pid());
    EXPECT_EQ(row["command"], "AdobeGCClient --watch 300");
    if (nativePlatform() != Platform::Linux)
        return; // the macOS kill would change the account
    const qint64 held = rows[0]["rss_kib"].toInteger() + rows[1]["rss_kib"].toInteger();
    const CtlResult plain = ctl({"kill"});
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(plain.out.section('\n', 0, 1), "All quiet\nNothing of Adobe's is running in the background.") << "the count lines first";
    EXPECT_EQ(plain.out.section('\n', 2, 2), QStringLiteral("Stopped 2 processes holding %1 MiB.").arg(held / 1024.0, 0, 'f', 1));
    EXPECT_EQ(ctl({"kill"}).out.count('\n'), 2) << "nothing stopped, nothing said";

    FakeTarget polite(QStringLiteral("AdobeIPCBroker")), deaf(QStringLiteral("CCXProcess"), FakeTarget::IgnoreTerm);
    const QJsonObject report = QJsonDocument::fromJson(ctl({"kill", "--json"}).out.toUtf8()).object();
    EXPECT_EQ(report["left"].toInteger(), count().toLongLong()) << "left is what status then counts";
    QSet<qint64> pids;
    for (const QJsonValue stopped : report["stopped"].toArray())
        pids << stopped["pid"].toInteger();
    EXPECT_EQ(pids, (QSet<qint64>{polite.pid(), deaf.pid()})) << "both targets, the TERM-proof one included";
}
