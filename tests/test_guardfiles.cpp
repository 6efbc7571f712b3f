#include "guard/guardcontrol.h"
#include "guard/guardfiles.h"
#include "guard/quoting.h"
#include "guard/servicemanager.h"
#include "process/catalogue.h"
#include "process/scripts.h"
#include "process/shell.h"
#include "support/mactexts.h"
#include "support/temporaryhome.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

const QStringList fewestTargets = basePatterns + finderExtensionPatterns;

const char plistForMacHome[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
    "<plist version=\"1.0\">\n"
    "<dict>\n"
    "    <key>Label</key><string>com.larkvane.hushwell.guard</string>\n"
    "    <key>ProgramArguments</key>\n"
    "    <array>\n"
    "        <string>/bin/sh</string>\n"
    "        <string>/Users/ada lovelace/Library/Application Support/Hushwell/guard.sh</string>\n"
    "    </array>\n"
    "    <key>StartInterval</key><integer>15</integer>\n"
    "    <key>RunAtLoad</key><true/>\n"
    "</dict>\n"
    "</plist>";

class HomeAt
{
public:
    explicit HomeAt(const QString &home) : saved(qgetenv("HOME")) { qputenv("HOME", home.toUtf8()); }
    ~HomeAt() { qputenv("HOME", saved); }

private:
    QByteArray saved;
};

// The Linux paths are proven by the real systemd --user manager finding the units.
TEST(GuardPaths, MacFilesLieUnderTheHomeFolder)
{
    HomeAt home(QStringLiteral("/Users/ada lovelace"));
    EXPECT_EQ(guardScriptPath(Platform::MacOS), "/Users/ada lovelace/Library/Application Support/Hushwell/guard.sh");
    EXPECT_EQ(guardPlistPath(Platform::MacOS), "/Users/ada lovelace/Library/LaunchAgents/com.larkvane.hushwell.guard.plist");
}

TEST(GuardPlist, IsExactForOrdinaryHomesAndEscapedForOthers)
{
    HomeAt home(QStringLiteral("/Users/ada lovelace"));
    EXPECT_EQ(guardPlistFor(guardScriptPath(Platform::MacOS)), QString::fromUtf8(plistForMacHome));

    const QString odd = guardPlistFor(QStringLiteral("/Users/o'brien & <co> \"x\"/guard.sh"));
    EXPECT_EQ(odd.split('\n').at(8), "        <string>/Users/o&apos;brien &amp; &lt;co&gt; &quot;x&quot;/guard.sh</string>");
    EXPECT_EQ(odd.count('\n'), 13);
}

TEST(GuardUnits, ServiceFeedsTheScriptToTheShellOnStandardInput)
{
    EXPECT_EQ(guardServiceUnitFor(QStringLiteral("/home/ada/backup of Core Sync/100%/guard.sh")),
              "# com.larkvane.hushwell.guard.service\n[Unit]\nDescription=Hushwell guard\n[Service]\nType=oneshot\n"
              "StandardInput=file:/home/ada/backup of Core Sync/100%%/guard.sh\nExecStart=/bin/sh -s\n");
    EXPECT_EQ(guardTimerUnit(),
              "# com.larkvane.hushwell.guard.timer\n[Unit]\nDescription=Hushwell guard, every 15 seconds\n[Timer]\n"
              "OnActiveSec=0\nOnUnitActiveSec=15s\nAccuracySec=1s\n[Install]\nWantedBy=timers.target\n");
    // A unit file cannot carry a line break: nothing to write, so the start fails honestly.
    EXPECT_TRUE(serviceManagerFiles(Platform::Linux, QStringLiteral("/home/a\nb/guard.sh")).isEmpty());
    EXPECT_FALSE(writeGuardFiles({QStringLiteral("/nonexistent/guard.sh"), "x"}, {}));
}

TEST(GuardCommands, LaunchctlTextsForUser501)
{
    const GuardCommands mac =
        guardCommands(Platform::MacOS, 501, QStringLiteral("/Users/ada lovelace/Library/LaunchAgents/com.larkvane.hushwell.guard.plist"));
    EXPECT_EQ(mac.unload + "; " + mac.load,
              "launchctl bootout gui/501/com.larkvane.hushwell.guard 2>/dev/null; "
              "launchctl bootstrap gui/501 '/Users/ada lovelace/Library/LaunchAgents/com.larkvane.hushwell.guard.plist' 2>/dev/null; "
              "launchctl enable gui/501/com.larkvane.hushwell.guard 2>/dev/null");
    EXPECT_EQ(mac.probe, "launchctl print gui/501/com.larkvane.hushwell.guard >/dev/null 2>&1 && echo yes");
    EXPECT_EQ(mac.remove, "launchctl bootout gui/501/com.larkvane.hushwell.guard 2>/dev/null");
}

// A home folder whose name holds shell syntax must reach launchctl as one word and never
// run: the macOS start line goes through the real shell here, where launchctl is absent.
TEST(GuardCommands, HostilePathsAreQuotedNeverExecuted)
{
    QTemporaryDir dir;
    const QString marker = dir.path() + QStringLiteral("/pwned");
    for (const QString &home : {dir.path() + QStringLiteral("/o'brien; touch ") + marker + QStringLiteral("; '"),
                                dir.path() + QStringLiteral("/$(touch ") + marker + QStringLiteral(")&%x`touch ") + marker + '`'}) {
        const QString plist = home + QStringLiteral("/Library/LaunchAgents/com.larkvane.hushwell.guard.plist");
        const GuardCommands mac = guardCommands(Platform::MacOS, 501, plist);
        EXPECT_EQ(shell(QStringLiteral("set -- ") + shellQuoted(plist) + QStringLiteral("; printf %s \"$1\"")), plist);
        shell(mac.load);
        EXPECT_FALSE(QFile::exists(marker)) << home.toStdString();
    }
}

TEST(GuardFiles, WrittenInOrderWithMode755AndFoldersCreated)
{
    QTemporaryDir dir;
    const QString script = dir.path() + QStringLiteral("/a/b/guard.sh");
    const QString plist = dir.path() + QStringLiteral("/c/d/job.plist");
    ASSERT_TRUE(writeGuardFiles({script, "old\n"}, {{plist, "old"}}));
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner);
    ASSERT_TRUE(writeGuardFiles({script, "#!/bin/sh\nexit 0\n"}, {{plist, "<plist/>"}}));
    EXPECT_EQ(QFile::permissions(script) & 0x0777, QFileDevice::Permissions(0x0755));
    QFile s(script), p(plist);
    ASSERT_TRUE(s.open(QIODevice::ReadOnly) && p.open(QIODevice::ReadOnly));
    EXPECT_EQ(s.readAll(), "#!/bin/sh\nexit 0\n");
    EXPECT_EQ(p.readAll(), "<plist/>");
    EXPECT_EQ(QDir(dir.path() + QStringLiteral("/a/b")).entryList(QDir::Files), QStringList{"guard.sh"}) << "no temporary left behind";
}

TEST(GuardFiles, AFailedScriptWriteLeavesTheServiceFilesAlone)
{
    QTemporaryDir dir;
    ASSERT_TRUE(blockFolder(dir.path() + QStringLiteral("/blocked")));
    const QString plist = dir.path() + QStringLiteral("/job.plist");
    EXPECT_FALSE(writeGuardFiles({dir.path() + QStringLiteral("/blocked/guard.sh"), "x"}, {{plist, "new"}}));
    EXPECT_FALSE(QFile::exists(plist));
}

} // namespace

namespace {

// launchd's bootout returns before the job has gone. A stand-in launchctl on PATH keeps
// the job listed for 2 s after bootout; the macOS stop and start wait for it, bounded.
TEST(GuardControl, MacStopAndStartWaitForAnAsynchronousBootout)
{
    QTemporaryDir bin;
    QFile stub(bin.path() + "/launchctl");
    ASSERT_TRUE(stub.open(QIODevice::WriteOnly));
    stub.write("#!/bin/sh\n"
               "state=\"$(dirname \"$0\")/loaded\"\n"
               "case \"$1\" in\n"
               "  bootout) [ -f \"$state\" ] && { (sleep 2; rm -f \"$state\") >/dev/null 2>&1 & } ;;\n"
               "  bootstrap) [ -f \"$state\" ] && exit 5; touch \"$state\" ;;\n"
               "  print) [ -f \"$state\" ] || exit 113 ;;\n"
               "esac\n"
               "exit 0\n");
    stub.close();
    stub.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ":" + path);

    QFile(bin.path() + "/loaded").open(QIODevice::WriteOnly);
    EXPECT_TRUE(startGuard(Platform::MacOS)) << "bootstrap waited until bootout had finished";
    EXPECT_TRUE(guardRunning(Platform::MacOS));
    EXPECT_TRUE(stopGuard(Platform::MacOS)) << "a stop that succeeds a moment later is a success";
    EXPECT_FALSE(QFile::exists(guardPlistPath(Platform::MacOS)));
    EXPECT_TRUE(QFile::exists(guardScriptPath(Platform::MacOS)));
    qputenv("PATH", path);
}

} // namespace
