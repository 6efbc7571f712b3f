// The guard against a real systemd --user manager, isolated in a private mount namespace
// (see support/private-systemd.sh). Fake targets are killed by the guard itself.
#include "guard/guardcontrol.h"
#include "guard/guardfiles.h"
#include "process/catalogue.h"
#include "process/preferences.h"
#include "process/shell.h"
#include "support/ctl.h"
#include "support/faketarget.h"
#include "support/temporaryhome.h"
#include "support/usermanager.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

namespace {

const QString timerName = guardLabel + QStringLiteral(".timer");

QString unitDir()
{
    return QFileInfo(guardPlistPath()).path();
}

int loadedGuardTimers()
{
    return shell(QStringLiteral("systemctl --user list-units --all --no-legend --plain ") + timerName + " 2>/dev/null")
        .split('\n', Qt::SkipEmptyParts)
        .size();
}

QString readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

class Guard : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString why = UserManager::unavailableReason();
        if (!why.isEmpty())
            GTEST_SKIP() << "needs an isolated systemd --user manager: " << why.toStdString();
        QFile::remove(preferencesLocation());
        registerDefaultPreferences();
        ASSERT_TRUE(manager.start()) << "systemd --user did not start";
    }
    void TearDown() override
    {
        stopGuard();
        manager.stop();
        QDir(QDir::homePath()).removeRecursively();
        QDir().mkpath(QDir::homePath());
    }
    UserManager manager;
};

TEST_F(Guard, NothingInstalledIsOffAndHushwellctlStartsAndStopsIt)
{
    EXPECT_FALSE(guardRunning());
    EXPECT_TRUE(stopGuard());
    EXPECT_EQ(ctl({"guard", "status"}).out, "Guard off\nOpening an Adobe app will start them again.\n");
    EXPECT_EQ(ctl({"guard", "start"}).out, "Guard on\n");
    EXPECT_EQ(ctl({"guard", "status"}).out, "Guard on\nAnything Adobe restarts is killed within 15 seconds.\n");
    EXPECT_EQ(ctl({"guard", "stop"}).out, "Guard off\n");
    EXPECT_FALSE(guardRunning());
}

// One guard lifetime, so that each 15-second wait serves several checks.
TEST_F(Guard, KillsAtOnceAndEveryIntervalFollowsTargetChangesAndStopsWithoutAKill)
{
    FakeTarget before(QStringLiteral("AdobeIPCBroker --type=renderer"));
    ASSERT_TRUE(startGuard());
    EXPECT_TRUE(guardRunning());
    EXPECT_TRUE(before.diesWithin(5)) << "the guard runs once when it is loaded";
    QThread::msleep(2500); // past that run's signal-9 pass, so only the next run can kill

    FakeTarget first(QStringLiteral("Creative Cloud Helper"));
    FakeTarget second(QStringLiteral("AdobeUpdateDaemon"), FakeTarget::IgnoreTerm);
    EXPECT_TRUE(first.diesWithin(17));
    EXPECT_TRUE(second.diesWithin(5));

    ASSERT_TRUE(manager.restart());
    EXPECT_TRUE(guardRunning()) << "enabled, so loaded again at the next login";

    // hushwellctl set restarts a loaded guard with the new target list.
    EXPECT_EQ(ctl({"set", "includeCoreSync", "false"}).status, 0);
    EXPECT_FALSE(readFile(guardScriptPath()).contains(QLatin1String("ore Sync")));
    FakeTarget sync(QStringLiteral("Core Sync")), broker(QStringLiteral("AdobeIPCBroker"));
    EXPECT_TRUE(broker.diesWithin(17));
    QThread::msleep(1000);
    EXPECT_TRUE(sync.alive()) << "no longer a target of the guard";

    // Stopped a few seconds after a run: nothing is killed on the way out.
    FakeTarget left(QStringLiteral("CCXProcess"));
    const QString script = guardScriptPath();
    EXPECT_TRUE(stopGuard());
    EXPECT_FALSE(guardRunning());
    QThread::msleep(3000);
    EXPECT_TRUE(left.alive()) << "stopping the guard kills nothing";
    EXPECT_EQ(shell("systemctl --user --failed --no-legend --plain 2>/dev/null"), "");
    EXPECT_TRUE(QFile::exists(script)) << "the script stays";
    EXPECT_FALSE(QFile::exists(guardPlistPath()));
    EXPECT_FALSE(QFile::exists(unitDir() + "/" + guardLabel + ".service"));
}

TEST_F(Guard, AMaskedGuardStartsAgain)
{
    ASSERT_EQ(shell("systemctl --user mask " + timerName + " " + guardLabel + ".service >/dev/null 2>&1 && echo ok"), "ok");
    ASSERT_TRUE(QFileInfo(guardPlistPath()).isSymLink());
    EXPECT_EQ(ctl({"guard", "start"}).out, "Guard on\n");
    EXPECT_FALSE(QFileInfo(guardPlistPath()).isSymLink());
    EXPECT_TRUE(guardRunning());
}

TEST_F(Guard, StartingTwiceKeepsOneTimerWithTheSecondTargetList)
{
    storePreference(kCoreSync, true);
    ASSERT_TRUE(startGuard());
    storePreference(kCoreSync, false);
    ASSERT_TRUE(startGuard());
    EXPECT_EQ(loadedGuardTimers(), 1);
    const QString script = readFile(guardScriptPath());
    EXPECT_FALSE(script.contains(QLatin1String("ore Sync"))) << script.toStdString();
    EXPECT_TRUE(script.contains(QLatin1String("[A]dobe Desktop Service")));
}

// A home folder named after a target must not make the guard kill its own shell, and
// shell or systemd syntax in it must neither run nor break the unit.
TEST_F(Guard, HomeNamedAfterATargetOrFullOfSyntaxStillWorks)
{
    const QString home = QDir::homePath() + QStringLiteral("/backup of Core Sync/it's \"$(touch pwned)\" & 100%\\");
    QDir().mkpath(home);
    const QByteArray saved = qgetenv("HOME");
    manager.stop();
    qputenv("HOME", home.toUtf8());
    ASSERT_TRUE(manager.start());
    FakeTarget target(QStringLiteral("AdobeGCClient"), FakeTarget::IgnoreTerm);
    ASSERT_TRUE(startGuard());
    EXPECT_EQ(guardScriptPath().left(home.size()), home);
    EXPECT_TRUE(target.diesWithin(17)) << "the service found the script and reached its signal-9 pass";
    QThread::msleep(500);
    EXPECT_EQ(shell("systemctl --user show -p Result --value " + guardLabel + ".service"), "success")
        << "the guard's shell never ends on a signal";
    EXPECT_TRUE(QDir(home).entryList({"pwned"}).isEmpty());
    EXPECT_TRUE(QDir::root().entryList({"pwned"}).isEmpty());
    EXPECT_TRUE(stopGuard());
    manager.stop();
    qputenv("HOME", saved);
}
TEST_F(Guard, AFailedWriteRunsNoServiceCommandAndKeepsTheLoadedGuard)
{
    ASSERT_TRUE(startGuard());
    const QString timerBefore = readFile(guardPlistPath());
    const QString folder = QFileInfo(guardScriptPath()).path();
    ASSERT_TRUE(blockFolder(folder));

    const CtlResult failed = ctl({"guard", "start"});
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.err, "Couldn't start the guard.\n");
    EXPECT_TRUE(guardRunning()) << "no unload ran";
    EXPECT_EQ(readFile(guardPlistPath()), timerBefore);
    QFile::remove(folder);
}

} // namespace
