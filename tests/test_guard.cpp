// The guard against a real systemd --user manager of the test's own (support/isolate.sh).
// Fake targets are killed by the guard itself.
#include "guard/guardcontrol.h"
#include "guard/guardfiles.h"
#include "guard/guardlog.h"
#include "guard/guardpanel.h"
#include "guard/servicemanager.h"
#include "process/catalogue.h"
#include "process/preferences.h"
#include "process/shell.h"
#include "support/managedhome.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <unistd.h>

using AccountGuard = ManagedHome;

// The next guard run ends within the 15-second period, its timer's 1-second accuracy and
// the run's own 2-second grace; a loaded 2-core machine schedules the manager late too.
constexpr double guardRunWithin = 15 + 1 + 2 + 2;

// One guard lifetime, so that each 15-second wait serves several checks.
TEST_F(AccountGuard, KillsAtOnceAndEveryIntervalFollowsTargetChangesAndStopsWithoutAKill)
{
    EXPECT_EQ(ctl({"guard", "status"}), (CtlResult{3, "Guard off\nOpening an Adobe app will start them again.\n", ""}));
    EXPECT_TRUE(stopGuard()) << "nothing to stop is no failure";
    FakeTarget before(QStringLiteral("AdobeIPCBroker --type=renderer"));
    EXPECT_EQ(ctl({"guard", "start"}), (CtlResult{0, "Guard on\n", ""}));
    EXPECT_EQ(ctl({"guard", "status"}), (CtlResult{0, "Guard on\nAnything Adobe restarts is killed within 15 seconds.\n", ""}));
    EXPECT_TRUE(before.diesWithin(5)) << "the guard runs once when it is loaded";
    QThread::msleep(2500); // past that run's signal-9 pass, so only the next run can kill

    FakeTarget first(QStringLiteral("Creative Cloud Helper"));
    FakeTarget second(QStringLiteral("AdobeUpdateDaemon"), FakeTarget::IgnoreTerm);
    EXPECT_TRUE(first.diesWithin(guardRunWithin));
    EXPECT_TRUE(second.diesWithin(5));

    stopManager();
    ASSERT_TRUE(startManager());
    EXPECT_TRUE(guardRunning()) << "enabled, so loaded again at the next login";
    const QString loadedAt = systemctl("show -P ActiveEnterTimestampMonotonic " + guardLabel + ".timer");
    EXPECT_EQ(ctl({"set", "soundEnabled", "true"}).status, 0);
    EXPECT_EQ(systemctl("show -P ActiveEnterTimestampMonotonic " + guardLabel + ".timer"), loadedAt) << "the sound restarts no guard";

    // hushwellctl set restarts a loaded guard with the new target list.
    EXPECT_EQ(ctl({"set", "includeCoreSync", "false"}).status, 0);
    EXPECT_FALSE(readFile(guardScriptPath()).contains(QLatin1String("ore Sync")));
    FakeTarget sync(QStringLiteral("Core Sync")), broker(QStringLiteral("AdobeIPCBroker"));
    EXPECT_TRUE(broker.diesWithin(guardRunWithin));
    QThread::msleep(1000);
    EXPECT_TRUE(sync.alive()) << "no longer a target of the guard";

    // Stopped a few seconds after a run: nothing is killed on the way out.
    FakeTarget left(QStringLiteral("CCXProcess"));
    EXPECT_EQ(ctl({"guard", "stop"}).out, "Guard off\n");
    QThread::msleep(3000);
    EXPECT_TRUE(left.alive()) << "stopping the guard kills nothing";
    EXPECT_TRUE(QFile::exists(guardScriptPath())) << "the script stays";
    for (const QString &unit : serviceManager(Guard{}).filePaths)
        EXPECT_FALSE(QFile::exists(unit)) << unit.toStdString();
}

TEST_F(AccountGuard, AMaskedGuardStartsAgainAndAFailedWriteKeepsTheLoadedOne)
{
    systemctl("mask " + guardLabel + ".timer " + guardLabel + ".service");
    ASSERT_TRUE(QFileInfo(guardPlistPath()).isSymLink());
    EXPECT_EQ(ctl({"guard", "start"}).out, "Guard on\n");
    EXPECT_FALSE(QFileInfo(guardPlistPath()).isSymLink());

    QFile::remove(guardScriptPath());
    ASSERT_TRUE(QDir().mkpath(guardScriptPath())); // a folder where the script should be
    const CtlResult failed = ctl({"guard", "start"});
    const CtlResult unfollowed = ctl({"set", "includeCoreSync", "false"});
    EXPECT_EQ(systemctl("is-active " + guardLabel + ".timer"), "active") << "no unload ran";
    const GuardReading folderForScript = readGuard();
    QDir(guardScriptPath()).removeRecursively();
    EXPECT_EQ(failed, (CtlResult{1, "", "hushwellctl: couldn't write " + guardScriptPath() + "; the guard keeps what it had\n"}));
    EXPECT_EQ(unfollowed.status, 1) << "stored, but the guard could not follow";
    EXPECT_TRUE(unfollowed.err.contains("couldn't restart the guard")) << unfollowed.err.toStdString();
    EXPECT_EQ(folderForScript.state, GuardState::Off) << "a timer that runs no script kills nothing";
    EXPECT_EQ(folderForScript.detail, guardFilesChangedText);
}

// Each way the guard's files can differ from what it wrote, as the account's manager
// then shows it, and what the reading says of it.
TEST_F(AccountGuard, ChangedFilesReadAsTheyAre)
{
    const ServiceManager own = serviceManager(Guard{});
    const QString service = own.filePaths.value(0), timer = own.loginEntry;
    const struct {
        const char *name;
        std::function<void()> change;
        GuardState state;
        QString detail;
    } rows[] = {
        {"this version's files", [] {}, GuardState::On, {}},
        {"a drop-in replacing the command",
         [&] { dropIn(service, "[Service]\nExecStart=\nExecStart=/bin/true\n"), systemctl("daemon-reload"); }, GuardState::Off,
         guardFilesChangedText},
        {"a timer in user.control shadowing it",
         [&] {
             const QString control = QFileInfo(timer).path() + ".control/" + QFileInfo(timer).fileName();
             QDir().mkpath(QFileInfo(control).path()), QFile::copy(timer, control), systemctl("daemon-reload");
         },
         GuardState::Off, guardFilesChangedText},
        {"both units deleted behind the manager's back", [&] { QFile::remove(service), QFile::remove(timer); }, GuardState::On,
         guardFilesRemovedText},
    };
    for (const auto &row : rows) {
        ASSERT_TRUE(startGuard()) << row.name;
        row.change();
        const GuardReading reading = readGuard();
        EXPECT_EQ(reading.state, row.state) << row.name;
        EXPECT_EQ(reading.detail, row.detail) << row.name;
        QDir(QFileInfo(service).path() + "/" + QFileInfo(service).fileName() + ".d").removeRecursively();
        QDir(QFileInfo(timer).path() + ".control").removeRecursively();
        EXPECT_TRUE(stopGuard()) << row.name;
    }

    // A stop that cuts a run short leaves nothing listed as failed.
    const QString slow = dropIn(service, "[Service]\nExecStartPre=/bin/sleep 5\n");
    ASSERT_TRUE(startGuard());
    EXPECT_TRUE(stopGuard());
    QFile::remove(slow);
    EXPECT_EQ(systemctl("--failed --no-legend --plain"), "");

    // An older version's script, as an upgrade leaves it: brought up to date where it is read.
    ASSERT_TRUE(startGuard());
    const QString current = readFile(own.scriptPath);
    ASSERT_TRUE(writeGuardFiles({own.scriptPath, guardScriptFor(nativePlatform(), basePatterns)}, own.files) == std::nullopt);
    EXPECT_TRUE(readGuard().outdated);
    EXPECT_EQ(ctl({"guard", "status"}).out, "Guard on\nThe guard now uses this version's list.\n");
    EXPECT_EQ(readFile(own.scriptPath), current);
    EXPECT_EQ(ctl({"guard", "status"}).out, "Guard on\nAnything Adobe restarts is killed within 15 seconds.\n") << "said once";

    // A set whose units folder refuses the write leaves every file as it was.
    ASSERT_EQ(shell("mount --bind " + shellQuoted(QFileInfo(timer).path()) + " " + shellQuoted(QFileInfo(timer).path())
                    + " && mount -o remount,bind,ro " + shellQuoted(QFileInfo(timer).path()) + " && echo ro"),
              "ro");
    const CtlResult refused = ctl({"set", "includeCoreSync", "false"});
    const CtlResult unremoved = ctl({"guard", "stop"});
    const GuardResult windowStop = stopGuard();
    shell("umount " + shellQuoted(QFileInfo(timer).path()));
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(readFile(own.scriptPath), current) << "the script keeps the list the guard runs";
    EXPECT_EQ(unremoved, (CtlResult{1, "", "hushwellctl: couldn't remove " + own.enabledBy + "; the guard is still installed\n"}))
        << "a stop that cannot remove the units fails";
    EXPECT_TRUE(windowStop.messageNamesFile) << "the window's line leaves the path to hushwellctl";
}

// The lock: never run without. (Held by another start for longer than anyone waits: the
// window's test.)
TEST_F(AccountGuard, TheLockIsTheAccountsOwnAndNeverSkipped)
{
    const QString lock = UserDirs::fromEnvironment().runtime + "/" + guardLockName;
    QFile::remove(lock);
    ASSERT_TRUE(QDir().mkpath(lock)); // a folder where the lock should be
    const GuardResult blocked = startGuard(), stopBlocked = stopGuard();
    QDir(lock).removeRecursively();
    EXPECT_FALSE(stopBlocked.done) << "a stop that could not lock is no success";
    EXPECT_FALSE(blocked.done);
    EXPECT_EQ(blocked.message, guardLockFailedText(lock));
    EXPECT_TRUE(blocked.messageNamesFile) << "the window's line leaves the path to hushwellctl";
    EXPECT_FALSE(QFile::exists(guardScriptPath())) << "nothing runs unlocked";

    // A runtime folder another account may write to holds no lock of this one's: it takes
    // one in its config folder instead. (One another account owns is refused before.)
    const QString runtime = UserDirs::fromEnvironment().runtime,
                  fallback = UserDirs::fromEnvironment().config + "/hushwell/" + guardLockName;
    QFile::setPermissions(runtime, QFile::Permissions(0x7777));
    const GuardResult started = startGuard();
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_TRUE(started.done) << started.message.toStdString();
    EXPECT_TRUE(QFile::exists(fallback));
    EXPECT_FALSE(QFile::exists(lock));
}

// A start into a config folder the account's manager does not read leaves nothing there,
// and says where it reads.
TEST_F(AccountGuard, AStartTheManagerCannotSeeLeavesNothingBehind)
{
    const QString ours = qEnvironmentVariable("XDG_CONFIG_HOME"), elsewhere = UserDirs::fromEnvironment().home + "/elsewhere";
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(elsewhere));
    const CtlResult start = ctl({"guard", "start"});
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(ours));
    EXPECT_EQ(start.err, "hushwellctl: couldn't start the guard: the user manager reads its units from " + ours + "/systemd/user, not "
                             + elsewhere + "/systemd/user (XDG_CONFIG_HOME differs); nothing was left there\n");
    EXPECT_FALSE(QFileInfo::exists(elsewhere));
    EXPECT_FALSE(QFileInfo::exists(guardScriptPath()));
    // A start that could not write its files says so, though the manager has no timer either.
    ASSERT_TRUE(QDir().mkpath(guardScriptPath()));
    EXPECT_EQ(ctl({"guard", "start"}).err, "hushwellctl: couldn't write " + guardScriptPath() + "; the guard keeps what it had\n");
    QDir(guardScriptPath()).removeRecursively();
}

// The record of what the guard stopped, read back from the namespace's own journal.
TEST_F(AccountGuard, TheRecordNamesWhatEachRunStoppedAndWhen)
{
    if (const QString why = qEnvironmentVariable("HUSHWELL_NO_JOURNAL"); !why.isEmpty())
        return skipOrFailForIsolation("needs a journal of its own: " + why.toStdString());
    // The journal is the test program's: earlier tests' runs are in it too.
    const qint64 began = QDateTime::currentSecsSinceEpoch();
    const QString sinceBegan = "--since=@" + QString::number(began);
    FakeTarget helper(QStringLiteral("Creative Cloud Helper")),
        updater(QStringLiteral("AdobeUpdateDaemon --watch"), FakeTarget::IgnoreTerm);
    ASSERT_TRUE(startGuard()); // each load runs the guard once
    EXPECT_TRUE(helper.diesWithin(5));
    EXPECT_TRUE(updater.diesWithin(5));
    const qint64 between = QDateTime::currentSecsSinceEpoch() + 1;
    while (QDateTime::currentMSecsSinceEpoch() < between * 1000 + 200)
        QThread::msleep(50);
    FakeTarget sync(QStringLiteral("Core Sync"));
    const qint64 syncPid = sync.pid();
    ASSERT_TRUE(startGuard());
    EXPECT_TRUE(sync.diesWithin(5));

    CtlResult log;
    waitUntil([&] { return (log = ctl({"guard", "log", sinceBegan})).out.count('\n') == 2; });
    const QStringList lines = log.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2) << (log.out + log.err).toStdString();
    EXPECT_EQ(lines.at(0).mid(8), "  stopped 2: Creative Cloud Helper, AdobeUpdateDaemon");
    EXPECT_EQ(lines.at(1).mid(8), "  stopped 1: Core Sync");
    EXPECT_EQ(ctl({"guard", "log", sinceBegan, "--all-users"}).out, log.out) << "the administrator's guard runs under the same name";
    EXPECT_EQ(ctl({"guard", "log", "--since=@" + QString::number(between)}).out, lines.at(1) + "\n") << "the earlier run is left out";

    const QJsonArray runs = QJsonDocument::fromJson(ctl({"guard", "log", "--json", sinceBegan}).out.toUtf8()).array();
    ASSERT_EQ(runs.size(), 2);
    const qint64 firstAt = QDateTime::fromString(runs.at(0)["time"].toString(), Qt::ISODate).toSecsSinceEpoch();
    EXPECT_GE(firstAt, began);
    EXPECT_LT(firstAt, between);
    EXPECT_EQ(runs.at(1)["processes"], QJsonArray({QJsonObject{{"pid", syncPid}, {"command", "Core Sync 300"}}}));

    // No journal files at all is no record, not a record of nothing.
    ASSERT_EQ(shell("mount -t tmpfs tmpfs /run/log && mount -t tmpfs tmpfs /var/log && echo ok"), "ok");
    const CtlResult unread = ctl({"guard", "log", "--json"});
    shell("umount /var/log; umount /run/log");
    EXPECT_EQ(unread, (CtlResult{1, "", "hushwellctl: couldn't read the guard's record from the journal: No journal files were found\n"}));
}
