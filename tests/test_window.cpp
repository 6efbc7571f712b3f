// The real window under Qt's offscreen platform, with real fake targets in a process table
// of the test's own and, for the guard, a real systemd --user manager (support/isolate.sh).
#include "app/appdelegate.h"
#include "process/version.h"
#include "app/presentation.h"
#include "guard/guardcontrol.h"
#include "guard/guardfiles.h"
#include "process/catalogue.h"
#include "process/preferences.h"
#include "process/shell.h"
#include "skin/casingview.h"
#include "support/faketarget.h"
#include "support/usermanager.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFontInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QTimer>
#include <QToolTip>
#include <QHelpEvent>

#include <memory>

namespace {

const QString working = QString::fromUtf8("Working\u2026");
const QColor darkRed = QColor::fromRgbF(0.55f, 0.06f, 0.06f), darkGreen = QColor::fromRgbF(0.1f, 0.34f, 0.1f);

QColor textColour(const QWidget *w)
{
    return w->palette().color(QPalette::WindowText);
}

// The window in a world: FreshPreferences (nothing but the window), PrivateProcesses (fake
// targets, exact counts, kills) or ManagedHome (and the guard).
template<typename World>
class WindowIn : public World
{
protected:
    void TearDown() override
    {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        delegate.reset();
        World::TearDown();
    }
    void launch()
    {
        delegate = std::make_unique<AppDelegate>();
        delegate->applicationDidFinishLaunching();
        window = delegate->mainWindow();
    }
    template<typename W>
    W *control(const char *name)
    {
        W *w = window->findChild<W *>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QLabel *text(const char *name) { return control<QLabel>(name); }
    QAbstractButton *button(const char *name) { return control<QAbstractButton>(name); }
    DomeButton *dome() { return control<DomeButton>("dome"); }
    bool killDone() { return waitUntil([this] { return dome()->isEnabled(); }); }

    // The guard panel: its two lines, its colour, and exactly one of its buttons enabled.
    void expectGuardPanel(const char *status, const char *detail, bool on)
    {
        EXPECT_EQ(text("blockStatus")->text(), status);
        EXPECT_EQ(textColour(text("blockStatus")), on ? QColor(52, 199, 89) : QColor(255, 59, 48));
        EXPECT_EQ(text("blockDetail")->text(), detail);
        EXPECT_EQ(button("blockButton")->isEnabled(), !on);
        EXPECT_EQ(button("unblockButton")->isEnabled(), on);
    }

    std::unique_ptr<AppDelegate> delegate;
    QMainWindow *window = nullptr;
};

class Window : public WindowIn<FreshPreferences>
{
};
class CountingWindow : public WindowIn<PrivateProcesses>
{
};
class GuardedWindow : public WindowIn<ManagedHome>
{
};

TEST_F(Window, ConstructionOnAFreshAccountWithOneStoredChoice)
{
    storePreference(kCoreSync, false);
    launch();
    EXPECT_EQ(window->windowTitle(), "Hushwell");
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "not resizable";
    auto *casing = control<CasingView>("casing");
    EXPECT_EQ(casing->size(), QSize(420, 600));
    // The design's unflipped frames, as Qt places them in a 600-point-high casing.
    const std::pair<const char *, QRect> frames[] = {
        {"status", {30, 62, 360, 46}},          {"detail", {30, 114, 360, 16}},      {"dome", {105, 158, 210, 210}},
        {"blockStatus", {20, 420, 380, 26}},    {"blockDetail", {20, 448, 380, 16}}, {"blockButton", {30, 474, 115, 30}},
        {"unblockButton", {152, 474, 115, 30}}, {"refreshButton", {274, 474, 115, 30}},
        {"soundCheckbox", {128, 522, 200, 20}}, {"disclosure", {140, 558, 140, 22}}, {"drawer", {0, 442, 420, 158}},
        {"desktopServiceBox", {30, 42, 300, 20}}, {"coreSyncBox", {30, 90, 320, 20}}};
    for (const auto &[name, frame] : frames)
        EXPECT_EQ(control<QWidget>(name)->geometry(), frame) << name;

    EXPECT_EQ(button("blockButton")->text(), "Start Guard");
    EXPECT_EQ(button("blockButton")->toolTip(),
              tooltipMarkup("Watches in the background and kills Adobe's processes again every 15 seconds, however often "
                            "they come back."));
    EXPECT_TRUE(button("refreshButton")->toolTip().isEmpty());
    EXPECT_EQ(button("disclosure")->text(), QString::fromUtf8("\u25b8  Settings"));
    EXPECT_EQ(casing->findChildren<QWidget *>(Qt::FindDirectChildrenOnly).last(), control<QWidget>("drawer"))
        << "the drawer lies above everything else";
    EXPECT_TRUE(control<QWidget>("drawer")->isHidden());
    EXPECT_FALSE(button("soundCheckbox")->isChecked());
    EXPECT_TRUE(button("desktopServiceBox")->isChecked());
    EXPECT_FALSE(button("coreSyncBox")->isChecked()) << "the stored value beats the default";
    EXPECT_EQ(QFontInfo(text("status")->font()).family(), "Inter") << "a family with a real medium weight";

    const QImage up = casing->grab(button("disclosure")->geometry()).toImage();
    button("disclosure")->setDown(true);
    EXPECT_EQ(casing->grab(button("disclosure")->geometry()).toImage(), up) << "no bezel, even pressed";
    button("disclosure")->setDown(false);

    QStringList menu;
    for (QAction *entry : window->menuBar()->actions().value(0)->menu()->actions())
        menu << (entry->isSeparator() ? "-" : entry->text() + ' ' + entry->shortcut().toString());
    EXPECT_EQ(menu, QStringList({"About Hushwell ", "-", "Hide Hushwell Ctrl+H", "-", "Quit Hushwell Ctrl+Q"}));
}

TEST_F(Window, DrawerGrowsTheWindowDownwardAndBack)
{
    launch();
    const QRect before = window->geometry();
    button("disclosure")->click();
    EXPECT_EQ(window->geometry(), before.adjusted(0, 0, 0, 158));
    EXPECT_FALSE(control<QWidget>("drawer")->isHidden());
    EXPECT_EQ(button("disclosure")->text(), QString::fromUtf8("\u25be  Settings"));
    EXPECT_EQ(control<QWidget>("drawer")->geometry(), QRect(0, 600, 420, 158)) << "pinned to the bottom edge";
    EXPECT_EQ(button("blockButton")->geometry().y(), 474) << "the rest keeps its distance from the top";
    button("disclosure")->click();
    EXPECT_EQ(window->geometry(), before);
    EXPECT_TRUE(control<QWidget>("drawer")->isHidden());
}

TEST_F(Window, NothingHasFocusAtLaunchAndScreenReadersHearEveryPanel)
{
    launch();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    EXPECT_NE(QApplication::focusWidget(), dome());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_NE(text("status")->text(), working) << "a stray Space kills nothing";
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), dome()) << "the first Tab reaches the dome";

    QAccessibleInterface *domeAccess = QAccessible::queryAccessibleInterface(dome());
    EXPECT_EQ(domeAccess->role(), QAccessible::Button);
    EXPECT_EQ(domeAccess->text(QAccessible::Name), "Hush");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(text("blockStatus"))->text(QAccessible::Name), "Guard off");

    QString shown;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        shown = box ? box->text() + (box->iconPixmap().isNull() ? "" : " with icon") : QString();
        if (box)
            box->accept();
    });
    delegate->showAbout();
    EXPECT_EQ(shown, "<b>Hushwell</b><br>Version " HUSHWELL_VERSION " with icon");
}

TEST_F(CountingWindow, RefreshShowsHowManyRunAndNeverCallsAFailedCountQuiet)
{
    launch();
    EXPECT_EQ(text("status")->text(), "All quiet");
    EXPECT_EQ(textColour(text("status")), darkGreen);
    EXPECT_EQ(text("detail")->text(), "Nothing of Adobe's is running in the background.");
    EXPECT_FALSE(dome()->live());
    FakeTarget one(QStringLiteral("AdobeIPCBroker"));
    button("refreshButton")->click();
    EXPECT_EQ(text("status")->text(), "1 running");
    EXPECT_EQ(textColour(text("status")), darkRed);
    EXPECT_EQ(text("detail")->text(), "One process is helping itself to your CPU.");
    EXPECT_TRUE(dome()->live());
    FakeTarget two(QStringLiteral("CCXProcess")), three(QStringLiteral("Core Sync"));
    button("refreshButton")->click();
    EXPECT_EQ(text("status")->text(), "3 running");
    EXPECT_EQ(text("detail")->text(), "Helping themselves to your CPU.");
    QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), text("detail")->mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(text("detail"), &hover);
    EXPECT_TRUE(QToolTip::text().contains(QStringLiteral(">%1<").arg(two.pid()))) << "which ones, on hover";

    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "/nonexistent");
    button("refreshButton")->click();
    dome()->click();
    const bool done = killDone();
    qputenv("PATH", path);
    ASSERT_TRUE(done);
    EXPECT_EQ(text("status")->text(), "Can't check");
    EXPECT_EQ(textColour(text("status")), darkRed);
    EXPECT_EQ(text("detail")->text(), "Couldn't read the list of running processes.") << "and no \"Fans should settle\"";
    EXPECT_TRUE(dome()->live());
}

// With the sound on, too: this machine has no audio device, which must mean silence.
TEST_F(CountingWindow, KillWorksInTheBackgroundWithItsSoundAndKeyboard)
{
    launch();
    const auto plays = [this] { return delegate->loadedSound()->playRequests(); };
    button("soundCheckbox")->click();
    EXPECT_TRUE(wants(kSound));
    EXPECT_EQ(plays(), 1) << "ticking the box plays it once";
    FakeTarget a(QStringLiteral("AdobeGCClient")), b(QStringLiteral("Adobe Crash Processor"), FakeTarget::IgnoreTerm);
    dome()->click();
    EXPECT_EQ(plays(), 2) << "one press, one sound";
    EXPECT_EQ(text("status")->text(), working);
    EXPECT_EQ(textColour(text("status")), QColor::fromRgbF(0.36f, 0.29f, 0.05f));
    EXPECT_TRUE(text("detail")->text().isEmpty());
    EXPECT_FALSE(dome()->isEnabled());
    dome()->click(); // ignored while the first kill runs
    bool timerFired = false; // the window keeps answering during the two-second grace
    QTimer::singleShot(200, [&] { timerFired = true; });
    ASSERT_TRUE(waitUntil([&] { return timerFired; }));
    EXPECT_FALSE(dome()->isEnabled());
    ASSERT_TRUE(killDone());
    EXPECT_EQ(text("status")->text(), "All quiet");
    EXPECT_EQ(text("detail")->text(), "Fans should settle down shortly.");
    EXPECT_FALSE(dome()->live());
    EXPECT_FALSE(a.alive() || b.alive());

    button("soundCheckbox")->click();
    FakeTarget c(QStringLiteral("AdobeCRDaemon"));
    dome()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(dome(), Qt::Key_Space);
    ASSERT_TRUE(killDone());
    EXPECT_FALSE(c.alive()) << "Space on the focused dome kills";
    EXPECT_EQ(plays(), 2) << "neither unticking nor a kill with the sound off plays it";
}

TEST_F(CountingWindow, QuittingWhileAKillRunsWaitsForItSafely)
{
    launch();
    FakeTarget target(QStringLiteral("AdobeGCClient"), FakeTarget::IgnoreTerm);
    dome()->click();
    window->menuBar()->actions().value(0)->menu()->actions().last()->trigger(); // Quit Hushwell, as Ctrl+Q
    delegate.reset();
    EXPECT_EQ(QThreadPool::globalInstance()->activeThreadCount(), 0) << "the kill ended before its controller";
    QCoreApplication::processEvents(); // its completion went with the controller
    EXPECT_TRUE(target.diesWithin(1));
}

TEST_F(CountingWindow, EitherTargetBoxWritesBothPreferencesAndRecounts)
{
    launch();
    button("disclosure")->click();
    FakeTarget licensing(QStringLiteral("Adobe Desktop Service"));
    button("desktopServiceBox")->click();
    QSettings stored(preferencesLocation(), QSettings::IniFormat);
    EXPECT_EQ(stored.value(kDesktopService), false);
    EXPECT_EQ(stored.value(kCoreSync), true);
    EXPECT_EQ(text("status")->text(), "All quiet") << "no longer a target";
    EXPECT_FALSE(QFile::exists(guardScriptPath())) << "no guard, so no guard files";
    button("desktopServiceBox")->click();
    EXPECT_EQ(text("status")->text(), "1 running") << "recounted at once";
}

TEST_F(GuardedWindow, BlockUnblockAndTheirFailures)
{
    launch();
    FakeTarget running(QStringLiteral("AdobeUpdateService"));
    const QString folder = QFileInfo(guardScriptPath()).path();
    ASSERT_TRUE(blockFolder(folder));
    button("blockButton")->click();
    ASSERT_TRUE(waitUntil([&] { return text("blockStatus")->text() != working; }));
    expectGuardPanel("Guard off", "Couldn't start the guard.", false);
    QFile::remove(folder);

    button("blockButton")->click();
    EXPECT_EQ(text("blockStatus")->text(), working);
    EXPECT_EQ(textColour(text("blockStatus")), QColor::fromRgbF(0.55f, 0.55f, 0.55f));
    EXPECT_TRUE(text("blockDetail")->text().isEmpty()) << "the last failure line goes at the press";
    EXPECT_FALSE(button("blockButton")->isEnabled());
    ASSERT_TRUE(waitUntil([&] { return text("blockStatus")->text() == "Guard on"; }));
    expectGuardPanel("Guard on", "Anything Adobe restarts is killed within 15 seconds.", true);
    EXPECT_FALSE(running.alive()) << "the block kills at once";
    EXPECT_EQ(text("status")->text(), "All quiet");

    // Changing the targets while guarded rewrites the guard's script first.
    button("disclosure")->click();
    button("coreSyncBox")->click();
    QFile script(guardScriptPath());
    ASSERT_TRUE(script.open(QIODevice::ReadOnly));
    EXPECT_FALSE(script.readAll().contains("ore Sync"));
    EXPECT_EQ(text("blockStatus")->text(), "Guard on");

    button("unblockButton")->click();
    EXPECT_FALSE(button("unblockButton")->isEnabled());
    EXPECT_EQ(text("blockStatus")->text(), "Guard on") << "unchanged until the guard has stopped";
    ASSERT_TRUE(waitUntil([&] { return text("blockStatus")->text() == "Guard off"; }));
    expectGuardPanel("Guard off", "Opening an Adobe app will start them again.", false);

    // A timer the manager refuses to stop by hand: the guard stays loaded.
    QDir().mkpath(guardPlistPath() + ".d");
    QFile refuse(guardPlistPath() + ".d/refuse.conf");
    ASSERT_TRUE(refuse.open(QIODevice::WriteOnly) && refuse.write("[Unit]\nRefuseManualStop=yes\n") > 0);
    refuse.close();
    ASSERT_TRUE(startGuard());
    button("refreshButton")->click();
    button("unblockButton")->click();
    ASSERT_TRUE(waitUntil([&] { return button("unblockButton")->isEnabled() || button("blockButton")->isEnabled(); }));
    expectGuardPanel("Guard on", "Couldn't stop the guard.", true);
    QFile::remove(refuse.fileName());
}

// The program itself, started as a user would start it.
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
    env.insert("GST_PLUGIN_SYSTEM_PATH", home.path());
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(HUSHWELL_BINARY), {});
    EXPECT_FALSE(program.waitForFinished(3000)) << "exit code " << program.exitCode();
    program.kill();
    program.waitForFinished();
}

} // namespace
