// The guard against a real systemd --user manager of the test's own (support/isolate.sh).
// Fake targets are killed by the guard itself.

QString systemctl(const QString &arguments) { return shell("systemctl --user " + arguments + " 2>/dev/null"); }

using Guard = ManagedHome;

// One guard lifetime, so that each 15-second wait serves several checks.
TEST_F(Guard, KillsAtOnceAndEveryIntervalFollowsTargetChangesAndStopsWithoutAKill)
{
    EXPECT_EQ(ctl({"guard", "status"}).out, "Guard off\nOpening an Adobe app will start them again.\n");
    EXPECT_TRUE(stopGuard()) << "nothing to stop is no failure";
    FakeTarget before(QStringLiteral("AdobeIPCBroker --type=renderer"));
    EXPECT_EQ(ctl({"guard", "start"}).out, "Guard on\n");
    const CtlResult on = ctl({"guard", "status"});
    EXPECT_EQ(on.status, 0);
    EXPECT_EQ(on.out, "Guard on\nAnything Adobe restarts is killed within 15 seconds.\n");
    EXPECT_TRUE(before.diesWithin(5)) << "the guard runs once when it is loaded";
    QThread::msleep(2500); // past that run's signal-9 pass, so only the next run can kill

    FakeTarget first(QStringLiteral("Creative Cloud Helper"));
    FakeTarget second(QStringLiteral("AdobeUpdateDaemon"), FakeTarget::IgnoreTerm);
    EXPECT_TRUE(first.diesWithin(17));
    EXPECT_TRUE(second.diesWithin(5));

    stopManager();
    ASSERT_TRUE(startManager());
    EXPECT_TRUE(guardRunning()) << "enabled, so loaded again at the next login";
    EXPECT_TRUE(startGuard()) << "a second start";
    EXPECT_EQ(systemctl("list-units --all --no-legend --plain " + guardLabel + ".timer").split('\n', Qt::SkipEmptyParts).size(),
              1) << "one timer";

    // hushwellctl set restarts a loaded guard with the new target list.
    EXPECT_EQ(ctl({"set", "includeCoreSync", "false"}).status, 0);
    EXPECT_FALSE(readFile(guardScriptPath()).contains(QLatin1String("ore Sync")));
    FakeTarget sync(QStringLiteral("Core Sync")), broker(QStringLiteral("AdobeIPCBroker"));
    EXPECT_TRUE(broker.diesWithin(17));
    QThread::msleep(1000);
    EXPECT_TRUE(sync.alive()) << "no longer a target of the guard";

    // Stopped a few seconds after a run: nothing is killed on the way out.
    FakeTarget left(QStringLiteral("CCXProcess"));
    EXPECT_EQ(ctl({"guard", "stop"}).out, "Guard off\n");
    EXPECT_FALSE(guardRunning());
    QThread::msleep(3000);
    EXPECT_TRUE(left.alive()) << "stopping the guard kills nothing";
    EXPECT_EQ(systemctl("--failed --no-legend --plain"), "");
    EXPECT_TRUE(QFile::exists(guardScriptPath())) << "the script stays";
    for (const QString &unit : serviceManagerPaths(nativePlatform(), UserDirs::fromEnvironment()))
        EXPECT_FALSE(QFile::exists(unit)) << unit.toStdString();
}

TEST_F(Guard, AMaskedGuardStartsAgainAndAFailedWriteKeepsTheLoadedOne)
{
    systemctl("mask " + guardLabel + ".timer " + guardLabel + ".service");
    ASSERT_TRUE(QFileInfo(guardPlistPath()).isSymLink());
    EXPECT_EQ(ctl({"guard", "start"}).out, "Guard on\n");
    EXPECT_FALSE(QFileInfo(guardPlistPath()).isSymLink());

    const QString timerBefore = readFile(guardPlistPath());
    QFile::remove(guardScriptPath());
    ASSERT_TRUE(QDir().mkpath(guardScriptPath())); // a folder where the script should be
    const CtlResult failed = ctl({"guard", "start"});
    QDir(guardScriptPath()).removeRecursively();
    EXPECT_EQ(QString::number(failed.status) + ' ' + failed.err, "1 Couldn't start the guard.\n");
    EXPECT_TRUE(guardRunning()) << "no unload ran";
    EXPECT_EQ(readFile(guardPlistPath()), timerBefore);
}

// A home folder named after a target must not make the guard kill its own shell, and
// shell or systemd syntax in it must neither run nor break the unit.
TEST_F(Guard, HomeNamedAfterATargetOrFullOfSyntaxStillWorks)
{
    const UserDirs home = UserDirs::fromEnvironment();
    const UserDirs odd = UserDirs::underHome(home.home + "/backup of Core Sync/it's \"$(touch pwned)\" & 100%\\", home.runtime);
    stopManager();
    ASSERT_TRUE(startManager(odd));
    FakeTarget target(QStringLiteral("AdobeGCClient"), FakeTarget::IgnoreTerm);
    ASSERT_TRUE(startGuard(nativePlatform(), odd));
    EXPECT_TRUE(target.diesWithin(17)) << "the service found the script and reached its signal-9 pass";
    QThread::msleep(500);
    EXPECT_EQ(systemctl("show -p Result --value " + guardLabel + ".service"), "success")
        << "the guard's shell never ends on a signal";
    EXPECT_TRUE(QDir(odd.home).entryList({"pwned"}).isEmpty() && QDir::root().entryList({"pwned"}).isEmpty());
    EXPECT_TRUE(stopGuard(nativePlatform(), odd));
}

