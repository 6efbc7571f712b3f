// The generated texts, compared with the exact texts users and launchd/systemd see.
#include "guard/guardfiles.h"
#include "process/catalogue.h"
#include "process/preferences.h"
#include "process/scripts.h"
#include "support/mactexts.h"

#include <gtest/gtest.h>

#include <QFile>

namespace {

const QStringList allTargets = basePatterns + desktopServicePatterns + coreSyncPatterns + finderExtensionPatterns;
const QStringList fewestTargets = basePatterns + finderExtensionPatterns;

const char macAlternation[] = "AdobeIPCBroker|Creative Cloud Helper|Creative Cloud UI Helper|CCXProcess|"
                              "Creative Cloud Content Manager|Creative Cloud Libraries Synchronizer|Adobe Crash Processor|"
                              "AdobeCRDaemon|AdobeGCClient|AdobeGCInvokerUtility|AdobeUpdateService|AdobeUpdateDaemon|"
                              "Adobe Context Menu Extension|ACCFinderSync";
const char linuxAlternation[] = "[A]dobeIPCBroker|[C]reative Cloud Helper|[C]reative Cloud UI Helper|[C]CXProcess|"
                                "[C]reative Cloud Content Manager|[C]reative Cloud Libraries Synchronizer|"
                                "[A]dobe Crash Processor|[A]dobeCRDaemon|[A]dobeGCClient|[A]dobeGCInvokerUtility|"
                                "[A]dobeUpdateService|[A]dobeUpdateDaemon|[A]dobe Context Menu Extension|[A]CCFinderSync";

TEST(Texts, CountAndListCommandsForBothPlatforms)
{
    const QString mac = QString::fromLatin1(macAlternation), linux = QString::fromLatin1(linuxAlternation);
    EXPECT_EQ(countCommandFor(Platform::MacOS, fewestTargets),
              "ps ax -o command= | grep -iE \"" + mac + "\" | grep -v grep | wc -l | tr -d ' '");
    EXPECT_EQ(countCommandFor(Platform::MacOS, fewestTargets).size(), 359);
    EXPECT_EQ(countCommandFor(Platform::MacOS, allTargets).size(), 418);
    EXPECT_EQ(countCommandFor(Platform::Linux, fewestTargets),
              "ps axww -o command= | grep -iE \"" + linux + "\" | grep -v grep | wc -l | tr -d ' '");
    EXPECT_EQ(listCommandFor(Platform::Linux, fewestTargets),
              "ps axww -o pid=,pcpu=,rss=,command= | grep -iE \"" + linux + "\" | grep -v grep");
}

TEST(Texts, KillScriptsForBothPlatforms)
{
    EXPECT_EQ(killScriptFor(Platform::MacOS, allTargets), QString::fromUtf8(macKillScriptAllOn));
    const QString fewest = killScriptFor(Platform::MacOS, fewestTargets);
    EXPECT_EQ(fewest.size(), 1668);
    EXPECT_EQ(fewest.count('\n') + 1, 38);

    EXPECT_EQ(killScriptFor(Platform::Linux, fewestTargets),
              QStringLiteral("U=$(id -u)\n"
                             "P='%1'\n"
                             "export U P\n"
                             "pkill -u \"$U\" -f \"$P\" 2>/dev/null\n"
                             "timeout 2 sh -c 'while pgrep -u \"$U\" -f \"$P\" >/dev/null 2>&1; do sleep 0.1; done'\n"
                             "pkill -9 -u \"$U\" -f \"$P\" 2>/dev/null\n"
                             "exit 0")
                  .arg(QLatin1String(linuxAlternation)));
    EXPECT_EQ(targetAlternation(Platform::Linux, {"it's"}), "[i]t's");
    EXPECT_TRUE(killScriptFor(Platform::Linux, {"it's"}).contains("P='[i]t'\\''s'\n")) << "quoted for the shell";
}

TEST(Texts, GuardScriptsForBothPlatforms)
{
    const QString mac = guardScriptFor(Platform::MacOS, allTargets);
    EXPECT_EQ(mac, QStringLiteral("#!/bin/sh\n") + QString::fromUtf8(macKillScriptAllOn).section('\n', 6) + '\n');
    EXPECT_EQ(mac.toUtf8().size(), 1728);
    EXPECT_EQ(guardScriptFor(Platform::MacOS, fewestTargets).toUtf8().size(), 1463);

    EXPECT_EQ(guardScriptFor(Platform::Linux, fewestTargets),
              QStringLiteral("#!/bin/sh\n"
                             "U=$(id -u)\n"
                             "P='%1'\n"
                             "export U P\n"
                             "pgrep -u \"$U\" -a -f \"$P\" 2>/dev/null || exit 0\n"
                             "pkill -u \"$U\" -f \"$P\" 2>/dev/null\n"
                             "timeout 2 sh -c 'while pgrep -u \"$U\" -f \"$P\" >/dev/null 2>&1; do sleep 0.1; done'\n"
                             "pkill -9 -u \"$U\" -f \"$P\" 2>/dev/null\n"
                             "exit 0\n")
                  .arg(QLatin1String(linuxAlternation)));
}

// The builders that read the preferences: all four combinations, both platforms.
TEST(Texts, FollowThePreferencesInAllFourCombinations)
{
    QFile::remove(preferencesLocation());
    struct Row {
        bool desktop, coreSync;
        int targets, macCountLength;
    };
    const Row rows[] = {{false, false, 14, 359}, {true, false, 15, 381}, {false, true, 16, 396}, {true, true, 17, 418}};
    for (const Row &row : rows) {
        storePreference(kDesktopService, row.desktop);
        storePreference(kCoreSync, row.coreSync);
        EXPECT_EQ(countCommand(Platform::MacOS).size(), row.macCountLength);
        EXPECT_EQ(countCommand(Platform::Linux).size(), row.macCountLength + 2 * row.targets + 2);
        EXPECT_EQ(killCommand(Platform::MacOS).count('\n') + 1, 10 + 2 * row.targets);
        EXPECT_EQ(killCommand(Platform::Linux).count('|'), row.targets - 1);
        EXPECT_EQ(guardScriptFor(Platform::MacOS, targetList()).count('\n'), 5 + 2 * row.targets);
        EXPECT_EQ(guardScriptFor(Platform::Linux, targetList()).count('|'), row.targets + 1) << "and the || of the early exit";
    }
    QFile::remove(preferencesLocation());
}

} // namespace
