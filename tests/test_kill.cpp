// Kills real processes: fake targets are /bin/sleep started under Adobe's process names.
#include "process/catalogue.h"
#include "process/preferences.h"
#include "process/scripts.h"
#include "process/shell.h"
#include "support/faketarget.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>

#include <future>
#include <memory>
#include <vector>

namespace {

int count()
{
    return shell(countCommand()).toInt();
}

class Kill : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QFile::remove(preferencesLocation());
        registerDefaultPreferences();
        baseline = count();
    }
    void TearDown() override { QFile::remove(preferencesLocation()); }
    // Runs the kill script; returns how long it took, in seconds.
    static double timedKill()
    {
        QElapsedTimer timer;
        timer.start();
        shell(killCommand());
        return timer.elapsed() / 1000.0;
    }
    int baseline = 0;
};

TEST_F(Kill, StopsEveryTargetAtOnceAndSparesLookalikes)
{
    std::vector<std::unique_ptr<FakeTarget>> targets;
    for (const char *name : {"AdobeIPCBroker --type=renderer", "/Applications/Creative Cloud Helper.app/x", "ACCFinderSync",
                             "Adobe Content Synchronizer"})
        targets.push_back(std::make_unique<FakeTarget>(QString::fromUtf8(name)));
    // Counted (the count ignores case) but never killed (the kill lines respect it).
    FakeTarget otherCase(QStringLiteral("adobeipcbroker"));
    // Neither counted nor killed.
    FakeTarget partial(QStringLiteral("AdobeIPCBroke"));
    FakeTarget split(QStringLiteral("Creative-Cloud-Helper"));

    EXPECT_EQ(count(), baseline + 5);
    EXPECT_LT(timedKill(), 1.5) << "the pause ends as soon as every target has gone";
    for (auto &target : targets)
        EXPECT_TRUE(target->diesWithin(1));
    EXPECT_TRUE(otherCase.alive());
    EXPECT_TRUE(partial.alive());
    EXPECT_TRUE(split.alive());
    EXPECT_EQ(count(), baseline + 1);
}

// A TERM-proof target holds the script in its pause for the full two seconds, and is
// counted exactly all the while: the kill's scans never end a concurrent count's grep.
TEST_F(Kill, TermProofTargetsDieAfterTheGraceAndCountsStayExact)
{
    std::vector<std::unique_ptr<FakeTarget>> stubborn;
    for (const char *name : {"AdobeUpdateDaemon", "Core Sync", "Adobe Crash Processor"})
        stubborn.push_back(std::make_unique<FakeTarget>(QString::fromUtf8(name), FakeTarget::IgnoreTerm));
    const QString script = killCommand();
    const QString probe = script.left(script.lastIndexOf('\n')) + QStringLiteral("\necho reached-the-end");
    auto kill = std::async(std::launch::async, [&] {
        QElapsedTimer timer;
        timer.start();
        const QString reached = shell(probe);
        return std::make_pair(reached, timer.elapsed() / 1000.0);
    });
    std::vector<int> counts;
    for (int i = 0; i < 50; ++i)
        counts.push_back(count());
    EXPECT_TRUE(stubborn.front()->alive()) << "still in the grace period after 50 counts";
    const auto [reached, seconds] = kill.get();
    EXPECT_EQ(reached, "reached-the-end") << "the script's own shell survives its scans";
    EXPECT_GE(seconds, 1.9) << "TERM-proof targets get the full grace";
    for (const int c : counts)
        EXPECT_EQ(c, baseline + 3);
    for (auto &target : stubborn)
        EXPECT_TRUE(target->diesWithin(1)) << "the signal-9 pass";
}

TEST_F(Kill, PreferencesDecideWhetherOptionalGroupsAreTargets)
{
    storePreference(kDesktopService, false);
    FakeTarget licensing(QStringLiteral("Adobe Desktop Service"));
    FakeTarget sync(QStringLiteral("Core Sync"));
    EXPECT_EQ(count(), baseline + 1);
    shell(killCommand());
    EXPECT_TRUE(sync.diesWithin(1));
    EXPECT_TRUE(licensing.alive());
}

// procps ps cuts command lines to an exported $COLUMNS, even into a pipe.
TEST_F(Kill, ANarrowTerminalHidesNoTarget)
{
    FakeTarget longLine(QStringLiteral("/opt/adobe/some/deeply/nested/install/folder/with/a/long/path/") + QString(60, 'x')
                        + QStringLiteral("/AdobeGCClient --flag"));
    qputenv("COLUMNS", "40");
    EXPECT_EQ(count(), baseline + 1);
    qunsetenv("COLUMNS");
}

} // namespace
