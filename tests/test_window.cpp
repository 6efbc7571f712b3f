// The real window under Qt's offscreen platform, with real fake targets and, for the
// guard, a real systemd --user manager (see support/private-systemd.sh).
#include "app/appdelegate.h"
#include "app/presentation.h"
#include "guard/guardcontrol.h"
#include "guard/guardfiles.h"
#include "process/catalogue.h"
#include "process/preferences.h"
#include "process/scripts.h"
#include "process/shell.h"
#include "skin/casingview.h"
#include "skin/skin.h"
#include "support/faketarget.h"
#include "support/temporaryhome.h"
#include "support/usermanager.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCoreApplication>
#include <QSet>
#include <QTest>
#include <QDir>
#include <QFileInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QFontInfo>
#include <QSettings>
#include <QThreadPool>
#include <QTimer>

#include <memory>

namespace {

const QString working = QString::fromUtf8("Working\u2026");

QColor textColour(const QWidget *w)
{
    return w->palette().color(QPalette::WindowText);
}

class Window : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QFile::remove(preferencesLocation());
        ASSERT_EQ(shell(countCommand()), "0") << "this machine already runs processes with Adobe's names";
    }
    void TearDown() override
    {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        delegate.reset();
        if (manager) {
            stopGuard();
            manager.reset();
        }
        QFile::remove(preferencesLocation());
    }
    void launch()
    {
        delegate = std::make_unique<AppDelegate>();
        delegate->applicationDidFinishLaunching();
        window = delegate->mainWindow();
    }
    void needGuard()
    {
        if (!UserManager::unavailableReason().isEmpty())
            GTEST_SKIP() << "needs an isolated systemd --user manager: " << UserManager::unavailableReason().toStdString();
        manager = std::make_unique<UserManager>();
        ASSERT_TRUE(manager->start());
    }
    template<typename W>
    W *control(const char *name)
    {
        W *w = window->findChild<W *>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QLabel *text(const char *name) { return control<QLabel>(name); }
    QPushButton *button(const char *name) { return control<QPushButton>(name); }
    QCheckBox *box(const char *name) { return control<QCheckBox>(name); }
    DomeButton *dome() { return control<DomeButton>("dome"); }
    QAbstractButton *title() { return control<QAbstractButton>("disclosure"); }

    // The guard panel: its two lines, its colour, and exactly one of its buttons enabled.
    void expectGuardPanel(const char *status, const char *detail, bool on)
    {
        EXPECT_EQ(text("blockStatus")->text(), status);
        EXPECT_EQ(textColour(text("blockStatus")), guardColour(on));
        EXPECT_EQ(text("blockDetail")->text(), detail);
        EXPECT_EQ(button("blockButton")->isEnabled(), !on);
        EXPECT_EQ(button("unblockButton")->isEnabled(), on);
    }

    std::unique_ptr<UserManager> manager;
    std::unique_ptr<AppDelegate> delegate;
    QMainWindow *window = nullptr;
};

TEST_F(Window, ConstructionOnAFreshAccount)
{
    launch();
    EXPECT_EQ(window->windowTitle(), "Hushwell");
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "not resizable";
    auto *casing = control<CasingView>("casing");
    EXPECT_EQ(casing->size(), QSize(420, 600));

    struct Frame {
        const char *name;
        QRect qt;
    };
    // The design's unflipped frames, as Qt places them in a 600-point-high casing.
    for (const Frame &f : {Frame{"status", {30, 62, 360, 46}}, Frame{"detail", {30, 114, 360, 16}},
                           Frame{"dome", {105, 158, 210, 210}}, Frame{"blockStatus", {20, 420, 380, 26}},
                           Frame{"blockDetail", {20, 448, 380, 16}}, Frame{"blockButton", {30, 474, 115, 30}},
                           Frame{"unblockButton", {152, 474, 115, 30}}, Frame{"refreshButton", {274, 474, 115, 30}},
                           Frame{"soundCheckbox", {128, 522, 200, 20}}, Frame{"disclosure", {140, 558, 140, 22}},
                           Frame{"drawer", {0, 442, 420, 158}}, Frame{"desktopServiceBox", {30, 42, 300, 20}},
                           Frame{"coreSyncBox", {30, 90, 320, 20}}})
        EXPECT_EQ(control<QWidget>(f.name)->geometry(), f.qt) << f.name;

    EXPECT_EQ(button("blockButton")->text(), "Start Guard");
    EXPECT_EQ(button("blockButton")->toolTip(),
              tooltipMarkup("Watches in the background and kills Adobe's processes again every 15 seconds, however often "
                            "they come back."));
    EXPECT_EQ(button("unblockButton")->toolTip(), tooltipMarkup("Stops watching. Adobe's processes are left alone from then on."));
    EXPECT_TRUE(button("refreshButton")->toolTip().isEmpty());
    EXPECT_EQ(title()->text(), QString::fromUtf8("\u25b8  Settings"));

    auto *drawer = control<QWidget>("drawer");
    EXPECT_TRUE(drawer->isHidden());
    EXPECT_EQ(casing->findChildren<QWidget *>(Qt::FindDirectChildrenOnly).last(), drawer)
        << "the drawer lies above everything else";
    EXPECT_FALSE(box("soundCheckbox")->isChecked());
    EXPECT_TRUE(box("desktopServiceBox")->isChecked());
    EXPECT_TRUE(box("coreSyncBox")->isChecked());
    EXPECT_EQ(box("desktopServiceBox")->toolTip(), tooltipMarkup(desktopServiceTooltip()));
    EXPECT_EQ(box("coreSyncBox")->toolTip(),
              tooltipMarkup("Syncs the Creative Cloud Files folder and activates Adobe Fonts. Untick it if you use either."));

    const QList<QAction *> menus = window->menuBar()->actions();
    ASSERT_EQ(menus.size(), 1);
    EXPECT_EQ(menus[0]->text(), "Hushwell");
    const QList<QAction *> entries = menus[0]->menu()->actions();
    ASSERT_EQ(entries.size(), 5);
    EXPECT_EQ(entries[0]->text(), "About Hushwell");
    EXPECT_TRUE(entries[0]->shortcut().isEmpty());
    EXPECT_TRUE(entries[1]->isSeparator() && entries[3]->isSeparator());
    EXPECT_EQ(entries[2]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
    EXPECT_EQ(entries[4]->text(), "Quit Hushwell");
    EXPECT_EQ(entries[4]->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));
}

TEST_F(Window, CheckboxesShowStoredValuesOverDefaults)
{
    storePreference(kCoreSync, false);
    launch();
    EXPECT_FALSE(box("coreSyncBox")->isChecked());
    EXPECT_TRUE(box("desktopServiceBox")->isChecked());
    EXPECT_FALSE(box("soundCheckbox")->isChecked());
}

TEST_F(Window, RefreshShowsHowManyRunAndLightsTheDome)
{
    launch();
    EXPECT_EQ(text("status")->text(), "All quiet");
    EXPECT_EQ(textColour(text("status")), statusColour(false));
    EXPECT_EQ(text("detail")->text(), "Nothing of Adobe's is running in the background.");
    EXPECT_FALSE(dome()->live());
    expectGuardPanel("Guard off", "Opening an Adobe app will start them again.", false);

    FakeTarget one(QStringLiteral("AdobeIPCBroker"));
    button("refreshButton")->click();
    EXPECT_EQ(text("status")->text(), "1 running");
    EXPECT_EQ(textColour(text("status")), statusColour(true));
    EXPECT_EQ(text("detail")->text(), "One process is helping itself to your CPU.");
    EXPECT_TRUE(dome()->live());

    FakeTarget two(QStringLiteral("CCXProcess")), three(QStringLiteral("Core Sync"));
    button("refreshButton")->click();
    EXPECT_EQ(text("status")->text(), "3 running");
    EXPECT_EQ(text("detail")->text(), "Helping themselves to your CPU.");
}

// With the sound on, too: this machine has no audio device, which must mean silence.
TEST_F(Window, KillWorksInTheBackgroundAndReportsQuiet)
{
    launch();
    const auto plays = [this] { return delegate->loadedSound()->playRequests(); };
    box("soundCheckbox")->click();
    EXPECT_TRUE(wants(kSound));
    EXPECT_EQ(plays(), 1) << "ticking the box plays it once";
    FakeTarget a(QStringLiteral("AdobeGCClient")), b(QStringLiteral("Adobe Crash Processor"), FakeTarget::IgnoreTerm);
    button("refreshButton")->click();
    ASSERT_EQ(text("status")->text(), "2 running");

    dome()->click();
    EXPECT_EQ(text("status")->text(), working);
    EXPECT_EQ(textColour(text("status")), Skin::onYellowSoft());
    EXPECT_TRUE(text("detail")->text().isEmpty());
    EXPECT_FALSE(dome()->isEnabled());
    dome()->click(); // ignored while the first kill runs

    // The window keeps answering during the script's two-second pause.
    bool timerFired = false;
    QTimer::singleShot(200, [&] { timerFired = true; });
    ASSERT_TRUE(waitUntil([&] { return timerFired; }));
    EXPECT_FALSE(dome()->isEnabled());

    ASSERT_TRUE(waitUntil([&] { return dome()->isEnabled(); }));
    EXPECT_EQ(text("status")->text(), "All quiet");
    EXPECT_EQ(text("detail")->text(), "Fans should settle down shortly.");
    EXPECT_FALSE(dome()->live());
    EXPECT_FALSE(a.alive());
    EXPECT_FALSE(b.alive());
    EXPECT_EQ(plays(), 2) << "one press, one sound";

    box("soundCheckbox")->click();
    dome()->click();
    ASSERT_TRUE(waitUntil([&] { return dome()->isEnabled(); }));
    EXPECT_EQ(plays(), 2) << "neither unticking nor a kill with the sound off plays it";
}

TEST_F(Window, QuittingWhileAKillRunsWaitsForItSafely)
{
    launch();
    FakeTarget target(QStringLiteral("AdobeGCClient"), FakeTarget::IgnoreTerm);
    dome()->click();
    const QList<QAction *> entries = window->menuBar()->actions().first()->menu()->actions();
    entries.last()->trigger(); // Quit Hushwell, as Ctrl+Q does
    delegate.reset();
    EXPECT_EQ(QThreadPool::globalInstance()->activeThreadCount(), 0) << "the kill ended before its controller";
    QCoreApplication::processEvents(); // its completion went with the controller
    EXPECT_TRUE(target.diesWithin(1));
}

TEST_F(Window, NoControlHasFocusAtLaunchSoSpaceKillsNothing)
{
    launch();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    FakeTarget target(QStringLiteral("AdobeCRDaemon"));
    QWidget *focused = QApplication::focusWidget();
    EXPECT_NE(focused, dome());
    QTest::keyClick(focused ? focused : window, Qt::Key_Space);
    EXPECT_NE(text("status")->text(), working);
    EXPECT_TRUE(target.alive());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dome()) << "the first Tab reaches the dome";
}

TEST_F(Window, ACountThatCannotRunIsNeverShownAsQuiet)
{
    launch();
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "/nonexistent");
    button("refreshButton")->click();
    EXPECT_EQ(text("status")->text(), "Can't check");
    EXPECT_EQ(textColour(text("status")), QColor::fromRgbF(0.55f, 0.06f, 0.06f));
    EXPECT_EQ(text("detail")->text(), "Couldn't read the list of running processes.");
    EXPECT_TRUE(dome()->live());
    dome()->click();
    const bool done = waitUntil([&] { return dome()->isEnabled(); });
    qputenv("PATH", path);
    ASSERT_TRUE(done);
    EXPECT_EQ(text("detail")->text(), "Couldn't read the list of running processes.") << "no \"Fans should settle\"";
}

TEST_F(Window, TheSettingsTitleDrawsNoBezelEvenWhenPressed)
{
    launch();
    auto *casing = control<CasingView>("casing");
    const QImage up = casing->grab(title()->geometry()).toImage();
    title()->setDown(true);
    EXPECT_EQ(casing->grab(title()->geometry()).toImage(), up);
    title()->setDown(false);
    EXPECT_EQ(QFontInfo(text("status")->font()).family(), "Inter") << "a family with a real medium weight";
}

TEST_F(Window, DrawerGrowsTheWindowDownwardAndBack)
{
    launch();
    const QRect before = window->geometry();
    auto *drawer = control<QWidget>("drawer");
    title()->click();
    EXPECT_EQ(window->geometry(), QRect(before.x(), before.y(), before.width(), before.height() + 158));
    EXPECT_FALSE(drawer->isHidden());
    EXPECT_EQ(title()->text(), QString::fromUtf8("\u25be  Settings"));
    EXPECT_EQ(control<CasingView>("casing")->height(), 758);
    EXPECT_EQ(drawer->geometry(), QRect(0, 600, 420, 158)) << "pinned to the bottom edge";
    EXPECT_EQ(button("blockButton")->geometry().y(), 474) << "the rest keeps its distance from the top";

    title()->click();
    EXPECT_EQ(window->geometry(), before);
    EXPECT_TRUE(drawer->isHidden());
    EXPECT_EQ(title()->text(), QString::fromUtf8("\u25b8  Settings"));
}

TEST_F(Window, EitherTargetBoxWritesBothPreferences)
{
    launch();
    box("desktopServiceBox")->click();
    QSettings stored(preferencesLocation(), QSettings::IniFormat);
    EXPECT_EQ(stored.value(kDesktopService), false);
    EXPECT_EQ(stored.value(kCoreSync), true);
    EXPECT_FALSE(QFile::exists(guardScriptPath())) << "no guard, so no guard files";

    FakeTarget licensing(QStringLiteral("Adobe Desktop Service"));
    button("refreshButton")->click();
    EXPECT_EQ(text("status")->text(), "All quiet") << "no longer a target";
    box("desktopServiceBox")->click();
    EXPECT_EQ(text("status")->text(), "1 running") << "recounted at once";
}

TEST_F(Window, BlockAndUnblockAgainstTheRealManager)
{
    needGuard();
    launch();
    FakeTarget running(QStringLiteral("AdobeUpdateService"));
    button("blockButton")->click();
    EXPECT_EQ(text("blockStatus")->text(), working);
    EXPECT_EQ(textColour(text("blockStatus")), Skin::onCasingSoft());
    EXPECT_FALSE(button("blockButton")->isEnabled());
    ASSERT_TRUE(waitUntil([&] { return text("blockStatus")->text() == "Guard on"; }));
    expectGuardPanel("Guard on", "Anything Adobe restarts is killed within 15 seconds.", true);
    EXPECT_FALSE(running.alive()) << "the block kills at once";
    EXPECT_EQ(text("status")->text(), "All quiet");

    button("unblockButton")->click();
    EXPECT_FALSE(button("unblockButton")->isEnabled());
    EXPECT_EQ(text("blockStatus")->text(), "Guard on") << "unchanged until the guard has stopped";
    EXPECT_EQ(text("blockDetail")->text(), "Anything Adobe restarts is killed within 15 seconds.");
    ASSERT_TRUE(waitUntil([&] { return text("blockStatus")->text() == "Guard off"; }));
    expectGuardPanel("Guard off", "Opening an Adobe app will start them again.", false);
}

TEST_F(Window, GuardFailuresSayWhatFailed)
{
    needGuard();
    launch();
    const QString folder = QFileInfo(guardScriptPath()).path();
    ASSERT_TRUE(blockFolder(folder));
    button("blockButton")->click();
    ASSERT_TRUE(waitUntil([&] { return text("blockStatus")->text() != working; }));
    expectGuardPanel("Guard off", "Couldn't start the guard.", false);
    QFile::remove(folder);

    // A timer the manager refuses to stop by hand: the guard stays loaded.
    ASSERT_TRUE(startGuard());
    const QString dropIn = guardPlistPath() + QStringLiteral(".d");
    QDir().mkpath(dropIn);
    QFile refuse(dropIn + QStringLiteral("/refuse.conf"));
    ASSERT_TRUE(refuse.open(QIODevice::WriteOnly) && refuse.write("[Unit]\nRefuseManualStop=yes\n") > 0);
    refuse.close();
    shell(QStringLiteral("systemctl --user daemon-reload"));
    button("refreshButton")->click();
    button("unblockButton")->click();
    ASSERT_TRUE(waitUntil([&] { return button("unblockButton")->isEnabled() || button("blockButton")->isEnabled(); }));
    expectGuardPanel("Guard on", "Couldn't stop the guard.", true);
}

TEST_F(Window, ChangingTargetsWhileGuardedRewritesTheGuardFirst)
{
    needGuard();
    launch();
    ASSERT_TRUE(startGuard());
    button("refreshButton")->click();
    auto script = [] {
        QFile f(guardScriptPath());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    };
    ASSERT_TRUE(script().contains(QLatin1String("[C]ore Sync")));
    box("coreSyncBox")->click();
    EXPECT_FALSE(script().contains(QLatin1String("ore Sync")));
    EXPECT_EQ(text("blockStatus")->text(), "Guard on");
}

TEST_F(Window, KeyboardAloneReachesEveryControlAndPressesTheDome)
{
    launch();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    title()->click(); // so the drawer's boxes are in the chain too
    const auto focused = [] { return QApplication::focusWidget(); };
    QSet<QString> reached;
    for (int tabs = 0; tabs < 20; ++tabs) {
        ASSERT_NE(focused(), nullptr);
        reached << focused()->objectName();
        QTest::keyClick(focused(), Qt::Key_Tab);
    }
    for (const char *name : {"dome", "blockButton", "refreshButton", "soundCheckbox", "disclosure", "desktopServiceBox",
                             "coreSyncBox"})
        EXPECT_TRUE(reached.contains(QLatin1String(name))) << name;

    FakeTarget target(QStringLiteral("AdobeCRDaemon"));
    for (int tabs = 0; focused() != dome() && tabs < 20; ++tabs)
        QTest::keyClick(focused(), Qt::Key_Tab);
    ASSERT_EQ(focused(), dome());
    QTest::keyClick(dome(), Qt::Key_Space);
    EXPECT_EQ(text("status")->text(), working);
    ASSERT_TRUE(waitUntil([&] { return dome()->isEnabled(); }));
    EXPECT_EQ(text("status")->text(), "All quiet");
    EXPECT_FALSE(target.alive());
}

TEST_F(Window, ScreenReadersHearTheDomeAndTheStatusLines)
{
    launch();
    QAccessibleInterface *domeAccess = QAccessible::queryAccessibleInterface(dome());
    ASSERT_NE(domeAccess, nullptr);
    EXPECT_EQ(domeAccess->role(), QAccessible::Button);
    EXPECT_EQ(domeAccess->text(QAccessible::Name), "Hush");
    EXPECT_TRUE(domeAccess->text(QAccessible::Description).startsWith("Stops Adobe Creative Cloud's background processes"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(text("status"))->text(QAccessible::Name), "All quiet");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(text("blockStatus"))->text(QAccessible::Name), "Guard off");
}

TEST_F(Window, AboutShowsNameVersionAndIcon)
{
    launch();
    QString shown;
    bool iconShown = false;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shown = box->text();
        iconShown = !box->iconPixmap().isNull();
        box->accept();
    });
    delegate->showAbout();
    EXPECT_TRUE(shown.contains("Hushwell")) << shown.toStdString();
    EXPECT_TRUE(shown.contains(HUSHWELL_VERSION));
    EXPECT_TRUE(iconShown);
}

} // namespace

namespace {

// The installed program itself, started as a user would start it.
TEST(Program, StartsWithoutTheMediaBackendAndExplainsAMissingDisplay)
{
    QTemporaryDir home;
    QProcessEnvironment env;
    env.insert("HOME", home.path());
    env.insert("PATH", "/usr/bin:/bin");
    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(HUSHWELL_BINARY), {});
    ASSERT_TRUE(program.waitForFinished(10000));
    EXPECT_EQ(program.exitCode(), 1);
    const QString said = QString::fromUtf8(program.readAllStandardError());
    EXPECT_EQ(said.count('\n'), 1) << said.toStdString();
    EXPECT_TRUE(said.contains("graphical session") && said.contains("hushwellctl")) << said.toStdString();

    // The sound is off, so a media backend that cannot even load must not matter.
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("QT_MEDIA_BACKEND", "gstreamer");
    env.insert("GST_PLUGIN_PATH", home.path());
    env.insert("GST_PLUGIN_SYSTEM_PATH", home.path());
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(HUSHWELL_BINARY), {});
    EXPECT_FALSE(program.waitForFinished(3000)) << "exit code " << program.exitCode();
    program.kill();
    program.waitForFinished();
}

} // namespace
