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

TEST(CountCommand, IsOnePipelineOverTheTargetList)
{
    EXPECT_EQ(countCommandFor(fewestTargets),
              "ps ax -o command= | grep -iE \"AdobeIPCBroker|Creative Cloud Helper|Creative Cloud UI Helper|CCXProcess|"
              "Creative Cloud Content Manager|Creative Cloud Libraries Synchronizer|Adobe Crash Processor|AdobeCRDaemon|"
              "AdobeGCClient|AdobeGCInvokerUtility|AdobeUpdateService|AdobeUpdateDaemon|Adobe Context Menu Extension|"
              "ACCFinderSync\" | grep -v grep | wc -l | tr -d ' '");
    EXPECT_EQ(countCommandFor(fewestTargets).size(), 359);
    EXPECT_EQ(countCommandFor(allTargets).size(), 418);
}

TEST(KillScript, MacTextIsExact)
{
    const QString all = killScriptFor(Platform::MacOS, allTargets);
    EXPECT_EQ(all, QString::fromUtf8(macKillScriptAllOn));
    const QString fewest = killScriptFor(Platform::MacOS, fewestTargets);
    EXPECT_EQ(fewest.size(), 1668);
    EXPECT_EQ(fewest.count(QLatin1Char('\n')) + 1, 38);
    EXPECT_EQ(fewest.split('\n').mid(0, 8), all.split('\n').mid(0, 8)) << "the first eight lines never change";
}

// The Linux script is the macOS one without the commands Linux lacks (the first eight
// lines), each pattern's first character in brackets.
TEST(KillScript, LinuxTextBracketsEveryPatternAndHasNoMacCommands)
{
    QStringList expected;
    for (QString line : QString::fromUtf8(macKillScriptAllOn).split('\n').mid(8)) {
        const qsizetype quote = line.indexOf('"');
        if (quote >= 0)
            line = line.left(quote + 1) + '[' + line.at(quote + 1) + ']' + line.mid(quote + 2);
        expected << line;
    }
    EXPECT_EQ(killScriptFor(Platform::Linux, allTargets), expected.join('\n'));
}

// The builders that read preferences: all four combinations, both profiles, kill and guard
// scripts, against the figures the texts are known by.
TEST(KillScript, FollowsThePreferencesInAllFourCombinations)
{
    QFile::remove(preferencesLocation());
    struct Row {
        bool desktop, coreSync;
        int targets, countLength;
    };
    const Row rows[] = {{false, false, 14, 359}, {true, false, 15, 381}, {false, true, 16, 396}, {true, true, 17, 418}};
    for (const Row &row : rows) {
        storePreference(kDesktopService, row.desktop);
        storePreference(kCoreSync, row.coreSync);
        EXPECT_EQ(countCommand().size(), row.countLength);
        EXPECT_EQ(killCommand(Platform::MacOS).count('\n') + 1, 10 + 2 * row.targets);
        EXPECT_EQ(killCommand(Platform::Linux).count('\n') + 1, 2 + 2 * row.targets);
        EXPECT_EQ(guardScriptFor(Platform::MacOS, targetList()).count('\n'), 5 + 2 * row.targets);
        EXPECT_EQ(guardScriptFor(Platform::Linux, targetList()).count('\n'), 3 + 2 * row.targets);
    }
    QFile::remove(preferencesLocation());
}

} // namespace
