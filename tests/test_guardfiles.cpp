// The guard's files and the service-manager texts, written into temporary folders; the
// macOS control sequence runs against a stand-in launchctl.
#include "guard/guardcontrol.h"
#include "guard/guardfiles.h"
#include "guard/guardpanel.h"
#include "guard/servicemanager.h"
#include "process/shell.h"
#include "support/world.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

TEST(GuardFiles, WrittenWithMode755ThroughNoLinkAndStoppingAtTheFirstFailure)
{
    QTemporaryDir dir;
    const QString script = dir.path() + "/a/b/guard.sh", unit = dir.path() + "/c/d/job.timer";
    ASSERT_EQ(writeGuardFiles({script, "old\n"}, {{unit, "old"}}), std::nullopt);
    // A link at the script's path may point anywhere; a plain file stands in for its target.
    const QString planted = dir.path() + "/someone-elses";
    QFile(planted).open(QIODevice::WriteOnly);
    QFile::setPermissions(planted, QFile::ReadOwner | QFile::WriteOwner);
    QFile::remove(script);
    QFile::link(planted, script);
    ASSERT_EQ(writeGuardFiles({script, "#!/bin/sh\nexit 0\n"}, {{unit, "[Timer]"}}), std::nullopt);
    EXPECT_EQ(QFile::permissions(script) & 0x0777, QFileDevice::Permissions(0x0755));
    EXPECT_EQ(readFile(script), "#!/bin/sh\nexit 0\n");
    EXPECT_EQ(readFile(unit), "[Timer]");
    EXPECT_FALSE(QFileInfo(script).isSymLink()) << "the script's link was replaced";
    EXPECT_EQ(QFileInfo(planted).size(), 0) << "nothing written through the script's link";
    EXPECT_EQ(QDir(dir.path() + "/a/b").entryList(QDir::Files), QStringList{"guard.sh"}) << "no temporary left behind";

    ASSERT_TRUE(blockFolder(dir.path() + "/blocked"));
    EXPECT_EQ(writeGuardFiles({dir.path() + "/blocked/guard.sh", "x"}, {{unit, "new"}}), dir.path() + "/blocked/guard.sh")
        << "the failed file is named";
    EXPECT_EQ(readFile(unit), "[Timer]") << "the service files are left alone";
    ASSERT_TRUE(QDir().mkpath(dir.path() + "/c/d/folder.timer/inside"));
    EXPECT_EQ(writeGuardFiles({script, "x"}, {{dir.path() + "/c/d/folder.timer", "t"}}), dir.path() + "/c/d/folder.timer");
    EXPECT_EQ(QDir(dir.path() + "/c/d").entryList(QDir::Files), QStringList{"job.timer"}) << "a failed rename leaves no temporary";
}

// launchd's bootout returns before the job has gone (support/macos/launchctl imitates it); the
// macOS stop and start wait for that, bounded.
TEST(GuardControl, MacStopAndStartWaitForAnAsynchronousBootout)
{
    QTemporaryDir bin;
    ASSERT_TRUE(QFile::copy(HUSHWELL_TEST_SUPPORT "/macos/launchctl", bin.path() + "/launchctl"));
    QFile(bin.path() + "/loaded").open(QIODevice::WriteOnly);
    const PathWith standIns(bin.path());
    const Guard mac{
        .scope = GuardScope::Account, .platform = Platform::MacOS, .dirs = UserDirs::underHome(bin.path() + "/home"), .system = {}};
    EXPECT_TRUE(startGuard(mac)) << "bootstrap waited until bootout had finished";
    EXPECT_TRUE(guardRunning(mac));
    EXPECT_TRUE(stopGuard(mac)) << "a stop that succeeds a moment later is a success";
    EXPECT_FALSE(QFile::exists(guardPlistPath(mac)));
    EXPECT_TRUE(QFile::exists(guardScriptPath(mac)));

    // A job that never goes: the wait ends after 10 s, and the stop says it failed.
    EXPECT_TRUE(startGuard(mac));
    QFile(bin.path() + "/stuck").open(QIODevice::WriteOnly);
    EXPECT_FALSE(stopGuard(mac)) << "the bounded wait ended, and the stop says it failed";
}

// The administrator's guard, read from its files alone, as every account's next login will
// load them: whatever would not run this version's script for the system's list reads off,
// and says why.
TEST(GuardFiles, AdministratorsGuardReadFromItsFiles)
{
    QTemporaryDir dir;
    const QString in = dir.path();
    Guard everyAccount = Guard{}.withScope(GuardScope::EveryAccount);
    everyAccount.platform = Platform::Linux;
    everyAccount.system = {
        .units = in + "/units", .config = in + "/xdg", .data = in + "/share", .runtime = in + "/run", .state = in + "/state", .lock = in};
    const SystemFolders &system = everyAccount.system;
    const ServiceManager guard = serviceManager(everyAccount);
    const QString service = guard.filePaths.value(0), timer = guard.loginEntry;
    const QString changed = "The guard's files were changed; Start Guard writes them anew.";
    const std::tuple<const char *, std::function<bool()>, GuardState, QString> rows[] = {
        {"as written", [] { return true; }, GuardState::On, ""},
        {"a drop-in that only waits first", [&] { return !dropIn(service, "[Service]\nExecStartPre=/bin/sleep 1\n").isEmpty(); },
         GuardState::On, ""},
        {"the script of an older list", [&] { return writeFile(guard.scriptPath, "#!/bin/sh\nexit 0\n"); }, GuardState::Off,
         "The administrator's guard runs an older list."},
        {"the service unit removed", [&] { return QFile::remove(service); }, GuardState::Off, changed},
        {"a FIFO for the service, never opened", [&] { return QFile::remove(service) && ::mkfifo(QFile::encodeName(service), 0600) == 0; },
         GuardState::Off, changed},
        {"a folder for the timer: not installed", [&] { return QFile::remove(timer) && QDir().mkpath(timer); }, GuardState::Off, ""},
        {"a service that reads another script", [&] { return writeFile(service, guardServiceUnitFor(dir.path() + "/other.sh").toUtf8()); },
         GuardState::Off, changed},
        {"an empty timer", [&] { return writeFile(timer, ""); }, GuardState::Off, changed},
        {"the script missing", [&] { return QFile::remove(guard.scriptPath); }, GuardState::Off, changed},
        {"a drop-in that runs /bin/true", [&] { return !dropIn(service, "[Service]\nExecStart=\nExecStart=/bin/true\n").isEmpty(); },
         GuardState::Off, changed},
        {"a drop-in that fires hourly", [&] { return !dropIn(timer, "[Timer]\nOnUnitActiveSec=1h\n").isEmpty(); }, GuardState::Off,
         changed},
        {"not enabled for any login", [&] { return QFile::remove(guard.enabledBy); }, GuardState::Off, ""},
        {"a plain file for the enabling link", [&] { return QFile::remove(guard.enabledBy) && writeFile(guard.enabledBy, ""); },
         GuardState::Off, ""},
    };
    EXPECT_EQ(scriptReadBy(guardServiceUnitFor("/home/ada/100%/guard.sh")), "/home/ada/100%/guard.sh") << "% unescaped";
    for (const auto &[name, change, state, detail] : rows) {
        for (const QString &unit : {service, timer, service + ".d", timer + ".d"})
            QDir(unit).removeRecursively();
        ASSERT_EQ(writeGuardFiles({guard.scriptPath, guardScriptFor(Platform::Linux, targetList(system.asUserDirs()))}, guard.files),
                  std::nullopt)
            << name;
        QDir().mkpath(QFileInfo(guard.enabledBy).path());
        QFile::link(timer, guard.enabledBy);
        ASSERT_TRUE(change()) << name;
        const GuardReading reading = readGuard(everyAccount);
        EXPECT_EQ(reading.state, state) << name;
        EXPECT_EQ(reading.detail, detail) << name;
    }
    // Root's start takes root's lock first: one it cannot take refuses before anything runs.
    everyAccount.system.lock = in + "/no lock folder";
    if (::geteuid() == 0) {
        EXPECT_EQ(startGuard(everyAccount).message, guardLockFailedText(everyAccount.system.lock));
    }
}
