// Counts and kills real processes in a process table of the test's own: fake targets are
// /bin/sleep started under Adobe's process names.

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

TEST_F(Kill, StopsEveryTargetAtOnceAndSparesLookalikes)
{
    std::list<FakeTarget> targets;
    for (const char *name : {"AdobeIPCBroker --type=renderer", "/Applications/Creative Cloud Helper.app/x", "ACCFinderSync", "Adobe Content Synchronizer"})
        targets.emplace_back(name);
    FakeTarget otherCase(QStringLiteral("adobeipcbroker")); // counted (the count ignores case), never killed
    FakeTarget partial(QStringLiteral("AdobeIPCBroke")), split(QStringLiteral("Creative-Cloud-Helper"));

    EXPECT_EQ(count(), "5");
    EXPECT_LT(timedKill().second, 1.5) << "the pause ends as soon as every target has gone";
    for (auto &target : targets)
        EXPECT_TRUE(target.diesWithin(1));
    EXPECT_TRUE(otherCase.alive() && partial.alive() && split.alive());
    EXPECT_EQ(count(), "1");
}

// TERM-proof targets hold the script in its pause for the full two seconds, and are
// counted exactly all the while: the kill's scans never end a concurrent count's grep.
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
    FakeTarget longLine("/opt/adobe/a/deeply/nested/install/folder/" + QString(80, 'x') + "/AdobeGCClient --flag");
    qputenv("COLUMNS", "40");
    EXPECT_EQ(count(), "1");
    qunsetenv("COLUMNS");
    timedKill();
    EXPECT_TRUE(longLine.diesWithin(1) && licensing.alive());
}

// hushwellctl status, list and kill on the same processes, as text and as JSON, and what
// their exit says.
TEST_F(Kill, HushwellctlStatusListAndKill)
{
    EXPECT_EQ(ctl({"status"}).out, "All quiet\nNothing of Adobe's is running in the background.\n");
    FakeTarget target(QStringLiteral("AdobeGCClient --watch"));
    const CtlResult status = ctl({"status"});
    EXPECT_EQ(QString::number(status.status) + ' ' + status.out, "0 1 running\nOne process is helping itself to your CPU.\n");
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
    EXPECT_EQ(ctl({"list"}).out.simplified(), QStringLiteral("%1 %2% %3 MiB AdobeGCClient --watch 300")
                                                  .arg(target.pid())
                                                  .arg(rows[0]["cpu"].toDouble(), 0, 'f', 1)
                                                  .arg(rows[0]["rss_kib"].toDouble() / 1024, 0, 'f', 1));
    if (nativePlatform() == Platform::Linux) { // the macOS kill would change the account
        EXPECT_EQ(ctl({"kill"}).status, 0);
        EXPECT_TRUE(target.diesWithin(1));
        FakeTarget survivor(QStringLiteral("adobeipcbroker")); // counted, never killed
        const CtlResult partly = ctl({"kill"});
        EXPECT_EQ(QString::number(partly.status) + ' ' + partly.out, "1 1 running\nOne process is helping itself to your CPU.\n");
    }
}
