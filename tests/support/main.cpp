// The one main of every test program: its own folders first, then the tests. Exits 77,
// which CTest reports as skipped, when every test that ran was skipped.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdio>

#ifdef HUSHWELL_WIDGET_TESTS
#include "app/appdelegate.h"
#include "app/sound.h"

#include <QApplication>
#else
#include <QCoreApplication>
#endif

// CTest shows a program with some cases skipped as passed: each skipped case is named with
// its reason, for scripts/dev.sh to list at the end of the run.
class SkipReport : public ::testing::EmptyTestEventListener
{
    // Kept from the start: asking the unit test for it while a result is added deadlocks.
    const ::testing::TestInfo *test = nullptr;
    void OnTestStart(const ::testing::TestInfo &started) override { test = &started; }
    void OnTestPartResult(const ::testing::TestPartResult &part) override
    {
        if (part.skipped() && test)
            std::printf("hushwell-skipped: %s.%s: %s\n", test->test_suite_name(), test->name(), part.message());
    }
};

int main(int argc, char **argv)
{
    QTemporaryDir world;
    for (const auto &[variable, folder] : {std::pair{"HOME", "/home"},
                                           {"XDG_CONFIG_HOME", "/home/.config"},
                                           {"XDG_DATA_HOME", "/home/.local/share"},
                                           {"XDG_CACHE_HOME", "/home/.cache"},
                                           {"XDG_STATE_HOME", "/home/.local/state"},
                                           {"XDG_RUNTIME_DIR", "/run"}}) {
        QDir().mkpath(world.path() + QLatin1String(folder));
        qputenv(variable, QFile::encodeName(world.path() + QLatin1String(folder)));
    }
    QFile::setPermissions(world.path() + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // systemctl --user that finds no manager in the runtime folder falls back to the session
    // bus, which in a desktop session is the account's own: a test must never reach it.
    qunsetenv("DBUS_SESSION_BUS_ADDRESS");
#ifdef HUSHWELL_WIDGET_TESTS
    // A desktop-sized screen (offscreen's own is 800 x 600, too small for the open drawer),
    // unless a real windowing system is asked for (test_wayland.sh).
    const QByteArray platform = qgetenv("HUSHWELL_TEST_PLATFORM");
    qputenv("QT_QPA_PLATFORM", platform.isEmpty() ? QByteArray("offscreen:configfile=" HUSHWELL_OFFSCREEN_CONFIG) : platform);
    chooseMediaBackend();
    QApplication app(argc, argv);
#else
    QCoreApplication app(argc, argv);
#endif
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new SkipReport);
    const int failed = RUN_ALL_TESTS();
    const ::testing::UnitTest &unit = *::testing::UnitTest::GetInstance();
    const int status = failed == 0 && unit.test_to_run_count() > 0 && unit.skipped_test_count() == unit.test_to_run_count() ? 77 : failed;
#ifdef HUSHWELL_WIDGET_TESTS
    return leaveApplication(status); // as the program leaves
#else
    return status;
#endif
}
