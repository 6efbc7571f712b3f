// Kills real processes: fake targets are /bin/sleep started under Adobe's process names.
#include "process/catalogue.h"
#include "process/preferences.h"
#include "process/scripts.h"
#include "process/shell.h"
#include "support/faketarget.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QThread>

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
    int baseline = 0;
};

TEST_F(Kill, StopsEveryTargetAndSparesLookalikes)
{
    std::vector<std::unique_ptr<FakeTarget>> targets;
    for (const char *name : {"AdobeIPCBroker --type=renderer", "/Applications/Creative Cloud Helper.app/x", "ACCFinderSync",
                             "Adobe Content Synchronizer"})
        targets.push_back(std::make_unique<FakeTarget>(QString::fromUtf8(name)));
    auto stubborn = std::make_unique<FakeTarget>(QStringLiteral("AdobeUpdateDaemon"), FakeTarget::IgnoreTerm);
    // Counted (the count ignores case) but never killed (the kill lines respect it).
    FakeTarget otherCase(QStringLiteral("adobeipcbroker"));
    // Neither counted nor killed.
    FakeTarget partial(QStringLiteral("AdobeIPCBroke"));
    FakeTarget split(QStringLiteral("Creative-Cloud-Helper"));

    EXPECT_EQ(count(), baseline + 6);

    shell(killCommand());

    for (auto &target : targets)
        EXPECT_TRUE(target->diesWithin(1));
    EXPECT_TRUE(stubborn->diesWithin(1)) << "the signal-9 pass ends a process that ignores TERM";
    EXPECT_TRUE(otherCase.alive());
    EXPECT_TRUE(partial.alive());
    EXPECT_TRUE(split.alive());
    EXPECT_EQ(count(), baseline + 1);
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

// The macOS form names patterns plainly; on Linux its shell would match its own kill line
// and die at the first one. The bracketed form lets the script reach its end.
TEST_F(Kill, TheScriptsShellSurvivesItsOwnLines)
{
    const QString tail = QStringLiteral("\necho reached-the-end");
    const QString linuxScript = killScriptFor(Platform::Linux, {"AdobeIPCBroker"});
    EXPECT_EQ(shell(linuxScript.left(linuxScript.lastIndexOf('\n')) + tail), "reached-the-end");

    const QString plain = QStringLiteral("pkill -f \"AdobeIPCBroker\" 2>/dev/null\necho reached-the-end");
    EXPECT_EQ(shell(plain), "") << "the plain form kills its own shell here";
}

TEST_F(Kill, TwoScriptsAtOnceBothRunToTheirEnd)
{
    FakeTarget target(QStringLiteral("CCXProcess"));
    const QString script = killCommand();
    const QString probe = script.left(script.lastIndexOf('\n')) + QStringLiteral("\necho finished");
    auto first = std::async(std::launch::async, [&] { return shell(probe); });
    auto second = std::async(std::launch::async, [&] { return shell(probe); });
    QThread::msleep(700); // both are in their pause now
    EXPECT_EQ(count(), baseline) << "running kill scripts are not counted as targets";
    EXPECT_EQ(first.get(), "finished");
    EXPECT_EQ(second.get(), "finished");
    EXPECT_TRUE(target.diesWithin(1));
}

} // namespace
