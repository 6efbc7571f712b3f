#include "process/catalogue.h"
#include "process/preferences.h"

#include <gtest/gtest.h>

#include <QFile>

namespace {

class Preferences : public ::testing::Test
{
protected:
    void SetUp() override { QFile::remove(preferencesLocation()); }
    void TearDown() override { QFile::remove(preferencesLocation()); }
};

TEST_F(Preferences, UnregisteredKeysWithNothingStoredReadFalse)
{
    EXPECT_FALSE(wants(QStringLiteral("neverRegistered")));
    EXPECT_EQ(activePatterns(), basePatterns) << "before any default is registered both groups are off";
}

TEST_F(Preferences, RegisteredDefaultsApplyUntilAValueIsStored)
{
    registerDefaultPreferences();
    EXPECT_FALSE(wants(kSound));
    EXPECT_TRUE(wants(kDesktopService));
    EXPECT_TRUE(wants(kCoreSync));

    storePreference(kCoreSync, false);
    EXPECT_FALSE(wants(kCoreSync)) << "a stored false beats a registered true";
    EXPECT_TRUE(wants(kDesktopService));
    storePreference(kSound, true);
    EXPECT_TRUE(wants(kSound));
}

TEST_F(Preferences, StoreLivesUnderXdgConfigHome)
{
    const QString dir = qEnvironmentVariable("HOME") + QStringLiteral("/elsewhere");
    qputenv("XDG_CONFIG_HOME", dir.toUtf8());
    storePreference(kSound, true);
    EXPECT_TRUE(QFile::exists(dir + QStringLiteral("/hushwell/hushwell.conf")));
    EXPECT_TRUE(wants(kSound));
    QFile::remove(preferencesLocation());
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_FALSE(wants(kSound)) << "the other store knows nothing of that value";
}

TEST_F(Preferences, ActivePatternsFollowBothPreferencesInCatalogueOrder)
{
    struct Row {
        bool desktop, coreSync;
        QStringList expected;
    };
    const QStringList both = basePatterns + QStringList{"Adobe Desktop Service", "Core Sync", "Adobe Content Synchronizer"};
    const Row rows[] = {
        {false, false, basePatterns},
        {true, false, basePatterns + QStringList{"Adobe Desktop Service"}},
        {false, true, basePatterns + QStringList{"Core Sync", "Adobe Content Synchronizer"}},
        {true, true, both},
    };
    for (const Row &row : rows) {
        storePreference(kDesktopService, row.desktop);
        storePreference(kCoreSync, row.coreSync);
        EXPECT_EQ(activePatterns(), row.expected);
        const QStringList targets = targetList();
        EXPECT_EQ(targets.size(), row.expected.size() + 2);
        EXPECT_EQ(targets.mid(targets.size() - 2), QStringList({"Adobe Context Menu Extension", "ACCFinderSync"}));
    }
    EXPECT_EQ(both.size(), 15);
}

} // namespace
