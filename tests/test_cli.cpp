#include "process/catalogue.h"
#include "process/preferences.h"
#include "process/scripts.h"
#include "support/ctl.h"
#include "support/faketarget.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>
#include <unistd.h>

namespace {

class Cli : public ::testing::Test
{
protected:
    void SetUp() override { QFile::remove(preferencesLocation()); }
    void TearDown() override { QFile::remove(preferencesLocation()); }
};

TEST_F(Cli, UsageErrorsSayOneLineExitTwoAndWriteNothing)
{
    const QList<QStringList> wrong = {
        {},
        {"frobnicate"},
        {"get"},
        {"get", "noSuchKey"},
        {"set", "soundEnabled"},
        {"set", "soundEnabled", "yes"},
        {"set", "soundEnabled", "TRUE"},
        {"set", "noSuchKey", "true"},
        {"set", "soundEnabled", "true", "stray"},
        {"status", "stray"},
        {"show"},
        {"show", "nothing-by-that-name"},
        {"show", "kill-script", "--platform"},
        {"show", "kill-script", "--platform", "windows"},
        {"--version", "stray"},
    };
    for (const QStringList &args : wrong) {
        const CtlResult r = ctl(args);
        EXPECT_EQ(r.status, 2) << args.join(' ').toStdString();
        EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
        EXPECT_TRUE(r.err.startsWith(QLatin1String("hushwellctl: ")));
        EXPECT_TRUE(r.out.isEmpty());
    }
    EXPECT_FALSE(QFile::exists(preferencesLocation()));
}

TEST_F(Cli, GetAndSetGoThroughTheWindowsStore)
{
    EXPECT_EQ(ctl({"get", "soundEnabled"}).out, "false\n");
    EXPECT_EQ(ctl({"get", "includeCoreSync"}).out, "true\n") << "registered defaults apply";
    EXPECT_EQ(ctl({"set", "includeCoreSync", "false"}).status, 0);
    EXPECT_FALSE(wants(kCoreSync));
    EXPECT_EQ(ctl({"get", "includeCoreSync"}).out, "false\n");
}

TEST_F(Cli, ShowPrintsTheExactTextForEitherPlatform)
{
    ctl({"set", "includeDesktopService", "false"});
    EXPECT_EQ(ctl({"show", "count-command", "--platform", "macos"}).out, countCommand(Platform::MacOS));
    EXPECT_EQ(ctl({"show", "kill-script", "--platform", "macos"}).out, killCommand(Platform::MacOS));
    EXPECT_EQ(ctl({"show", "--platform", "linux", "kill-script"}).out, killCommand(Platform::Linux));
    EXPECT_EQ(ctl({"show", "kill-script"}).out, killCommand(nativePlatform())) << "native by default, no extra line feed";
}

TEST_F(Cli, StatusListAndKillWorkOnRealProcesses)
{
    const CtlResult quietBefore = ctl({"status"});
    FakeTarget target(QStringLiteral("AdobeGCClient --watch"));
    const QString before = ctl({"status"}).out;
    const int runningBefore = before.section(' ', 0, 0).toInt();
    EXPECT_GE(runningBefore, 1);
    EXPECT_TRUE(before.endsWith(runningBefore == 1 ? "One process is helping itself to your CPU.\n" : "Helping themselves to your CPU.\n"));

    const QString list = ctl({"list"}).out;
    const QString mine = QString::number(target.pid());
    bool listed = false;
    for (const QString &line : list.split('\n', Qt::SkipEmptyParts))
        if (line.trimmed().startsWith(mine + ' ')) {
            listed = true;
            EXPECT_TRUE(line.endsWith(QLatin1String("AdobeGCClient --watch 300"))) << line.toStdString();
        }
    EXPECT_TRUE(listed) << list.toStdString();
    EXPECT_EQ(list.count('\n'), runningBefore) << "one line per counted process, no header";

    const CtlResult killed = ctl({"kill"});
    EXPECT_EQ(killed.status, 0);
    EXPECT_TRUE(target.diesWithin(1));
    EXPECT_EQ(killed.out, quietBefore.out);

    // Counted (the count ignores case) but not killed: kill says so in its status.
    FakeTarget survivor(QStringLiteral("adobeipcbroker"));
    const CtlResult partly = ctl({"kill"});
    EXPECT_EQ(partly.status, 1);
    EXPECT_TRUE(partly.out.contains(" running\n")) << partly.out.toStdString();
}

TEST_F(Cli, ExitStatusesAScriptCanTrust)
{
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "/nonexistent");
    const CtlResult blind = ctl({"status"});
    qputenv("PATH", path);
    EXPECT_EQ(blind.status, 1);
    EXPECT_EQ(blind.out, "Can't check\nCouldn't read the list of running processes.\n");

    // A store that cannot be written: the value is not stored, and set says so.
    EXPECT_EQ(ctl({"set", "soundEnabled", "true"}).status, 0);
    const QString store = preferencesLocation();
    const QString folder = QFileInfo(store).path();
    // As root only a read-only mount stops a write, and only in a private mount namespace.
    const bool root = ::getuid() == 0;
    if (root ? qEnvironmentVariableIsSet("HUSHWELL_PRIVATE_SYSTEMD") && std::system(qPrintable(QStringLiteral("mount --bind '%1' '%1' && mount -o remount,ro,bind '%1' 2>/dev/null")
                                           .arg(folder))) == 0
             : QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner)) {
        const CtlResult refused = ctl({"set", "soundEnabled", "false"});
        root ? (void)std::system(qPrintable(QStringLiteral("umount '%1'").arg(folder)))
             : (void)QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        EXPECT_EQ(refused.status, 1);
        EXPECT_TRUE(refused.err.startsWith("hushwellctl: couldn't store soundEnabled")) << refused.err.toStdString();
        EXPECT_EQ(ctl({"get", "soundEnabled"}).out, "true\n") << "nothing half-written";
    }
    QFile::remove(store);
    QDir().mkpath(store);
    const CtlResult onAFolder = ctl({"set", "includeCoreSync", "false"});
    QDir(store).removeRecursively();
    EXPECT_EQ(onAFolder.status, 1);
    EXPECT_EQ(ctl({"guard", "status"}).status, 3) << "off, as systemctl is-active says it";
}

} // namespace
