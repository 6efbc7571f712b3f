// The real window under Qt's offscreen platform, with real fake targets in a process table
// of the test's own and, for the guard, a real systemd --user manager (support/isolate.sh).
#include "support/managedhome.h"

#include "app/appdelegate.h"
#include "app/presentation.h"
#include "guard/guardfiles.h"
#include "guard/servicemanager.h"
#include "process/catalogue.h"
#include "process/processlist.h"
#include "process/shell.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QHelpEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QThread>
#include <QToolTip>
#include <QVariantAnimation>

#include <sys/stat.h>

#include <optional>

const QString working = QString::fromUtf8("Working\u2026"), checking = QString::fromUtf8("Checking\u2026");
const QColor darkRed = QColor::fromRgbF(0.55f, 0.06f, 0.06f), darkGreen = QColor::fromRgbF(0.1f, 0.34f, 0.1f);

// Calls `seen` at the first paint of a widget.
class FirstPaint : public QObject
{
public:
    FirstPaint(QWidget *widget, std::function<void()> seen) : seen(std::move(seen)) { widget->installEventFilter(this); }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && seen)
            std::exchange(seen, nullptr)();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> seen;
};

// The window in a world: FreshPreferences (nothing but the window), PrivateProcesses (fake
// targets, exact counts, kills) or ManagedHome (and the guard).
template<typename World>
class WindowIn : public World
{
protected:
    // The window registers the defaults itself at launch; the first test of this program
    // sees only what it registered.
    WindowIn() { this->registersDefaults = false; }
    void TearDown() override
    {
        QThreadPool::globalInstance()->waitForDone();
        QCoreApplication::processEvents();
        delegate.reset();
        World::TearDown();
    }
    // Starts the window and waits for its first frame, which it records, and the refresh
    // that follows it.
    void launch(AppDelegate::SoundLoader loadSound = loadInstalledSound)
    {
        delegate = std::make_unique<AppDelegate>(std::move(loadSound));
        delegate->applicationDidFinishLaunching();
        window = delegate->mainWindow();
        FirstPaint watch(control("casing"), [this] { firstFrame = {control<QLabel>("status")->text(), guardPanel()}; });
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        settle();
    }
    // Runs the event loop until no job of the window's is left in the pool and nothing
    // more is queued: a refresh, an action's completion, a setting's follow-up.
    void settle()
    {
        for (int idleRounds = 0; idleRounds < 3;) {
            QThreadPool::globalInstance()->waitForDone();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            idleRounds = QThreadPool::globalInstance()->activeThreadCount() == 0 ? idleRounds + 1 : 0;
        }
    }
    // Clicks and waits for what the click started.
    void press(const char *name)
    {
        button(name)->click();
        settle();
    }
    template<typename W = QWidget>
    W *control(const char *name) { return window->findChild<W *>(QLatin1String(name)); }
    QAbstractButton *button(const char *name) { return control<QAbstractButton>(name); }
    DomeButton *dome() { return control<DomeButton>("dome"); }
    bool killDone() { return waitUntil([this] { return dome()->isEnabled(); }); }
    QVariantAnimation *drawerMove() { return delegate->findChild<QVariantAnimation *>(); }
    void toggleDrawer()
    {
        button("disclosure")->click();
        waitUntil([this] { return drawerMove()->state() == QAbstractAnimation::Stopped; });
    }
    // The tooltip the count's detail line shows now.
    QString hoverCount()
    {
        QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), control("detail")->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(control("detail"), &hover);
        settle();
        return QToolTip::text();
    }
    // A panel's status line, its colour and its detail line, as one text to compare.
    QString panel(const char *status, const char *detail)
    {
        const auto *line = control<QLabel>(status);
        return line->text() + " | " + line->palette().color(QPalette::WindowText).name() + " | " + control<QLabel>(detail)->text();
    }
    QString killPanel() { return panel("status", "detail") + (dome()->live() ? " | lit" : " | dark"); }
    // The guard panel, and which of its buttons are enabled.
    QString guardPanel()
    {
        return panel("blockStatus", "blockDetail") + (button("blockButton")->isEnabled() ? " | start" : "")
               + (button("unblockButton")->isEnabled() ? " | stop" : "");
    }
    std::unique_ptr<AppDelegate> delegate;
    QMainWindow *window = nullptr;
    struct {
        QString status, guard;
    } firstFrame;
};

// The height of the tooltip Qt shows for `text`.
int tooltipHeight(QWidget *anchor, const QString &text)
{
    QToolTip::showText(anchor->mapToGlobal(QPoint(1, 1)), text, anchor);
    int height = 0;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->inherits("QTipLabel") && widget->isVisible())
            height = widget->height();
    QToolTip::hideText();
    return height;
}

using Window = WindowIn<FreshPreferences>;
using CountingWindow = WindowIn<PrivateProcesses>;
using GuardedWindow = WindowIn<ManagedHome>;

const QString quiet = "All quiet | " + darkGreen.name() + " | Nothing of Adobe's is running in the background. | dark";
const QString oneRunning = "1 running | " + darkRed.name() + " | One process is helping itself to your CPU. | lit";
const QString guardOff = "Guard off | #ff3b30 | Opening an Adobe app will start them again. | start";
const QString guardOn = "Guard on | #34c759 | Anything Adobe restarts is killed within 15 seconds. | stop";

TEST_F(Window, ConstructionOnAFreshAccountWithOneStoredChoiceAndTheDrawer)
{
    storePreference(kCoreSync, false);
    launch();
    EXPECT_EQ(control("casing")->size(), QSize(420, 600));
    EXPECT_EQ(control("dome")->geometry(), QRect(105, 158, 210, 210)) << "unflipped 105, 232 in a 600-high casing";
    EXPECT_TRUE(control("drawer")->isHidden());
    EXPECT_FALSE(button("soundCheckbox")->isChecked()) << "registered at launch: off";
    EXPECT_TRUE(button("desktopServiceBox")->isChecked()) << "registered at launch: on";
    EXPECT_FALSE(button("coreSyncBox")->isChecked()) << "the stored value over its default";
    if (nativePlatform() == Platform::Linux) {
        EXPECT_EQ(QFontInfo(control<QLabel>("status")->font()).family(), "Inter") << "a family with a real medium weight";
        EXPECT_EQ(QFontInfo(button("refreshButton")->font()).family(), "Inter") << "a push button: one face everywhere";
        EXPECT_EQ(QFontInfo(QToolTip::font()).family(), "Inter") << "the tooltips";
        EXPECT_EQ(QFontInfo(window->menuBar()->actions().value(0)->menu()->font()).family(), "Inter") << "the menu";
    }
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint) << "a window of fixed size";

    // The drawer grows the window downward, easing in and out: slower at both ends than in
    // the middle.
    const QRect before = window->geometry();
    button("disclosure")->click();
    drawerMove()->pause();
    const auto heightAt = [&](int ms) {
        drawerMove()->setCurrentTime(ms);
        return window->height() - before.height();
    };
    EXPECT_LT(heightAt(20), 158 / 10) << "a tenth of the time, less than a tenth of the way";
    EXPECT_EQ(heightAt(100), 158 / 2) << "half the time, half the way";
    EXPECT_GT(heightAt(180), 158 * 9 / 10) << "nine tenths of the time, more than nine tenths of the way";
    drawerMove()->resume();
    waitUntil([&] { return drawerMove()->state() == QAbstractAnimation::Stopped; });
    EXPECT_EQ(window->geometry(), before.adjusted(0, 0, 0, 158)) << "the top edge stays";
    EXPECT_TRUE(control("drawer")->isVisible());
    EXPECT_EQ(button("disclosure")->text(), QString::fromUtf8("\u25be  Settings"));
    EXPECT_EQ(control("drawer")->geometry(), QRect(0, 600, 420, 158)) << "pinned to the bottom edge";
    toggleDrawer();
    EXPECT_EQ(window->geometry(), before);
    EXPECT_TRUE(control("drawer")->isHidden());
    button("disclosure")->click();
    toggleDrawer(); // a second click while the first still moves the window
    EXPECT_EQ(window->geometry(), before) << "two clicks give the starting frame back";
    EXPECT_TRUE(control("drawer")->isHidden());

    // Near the screen's bottom the window moves up to open, and back down to close.
    const QRect screen = window->screen()->availableGeometry();
    window->move(before.left(), screen.bottom() - window->frameGeometry().height() - 10);
    const QRect low = window->geometry();
    toggleDrawer();
    EXPECT_LT(window->geometry().top(), low.top()) << "moved up to stay on the screen";
    toggleDrawer();
    EXPECT_EQ(window->geometry(), low) << "back where it was";

    button("soundCheckbox")->click(); // the real player, with no audio device here: silence, not a crash
    EXPECT_TRUE(wants(kSound));
}

// Each tooltip shows the lines it was broken into, and Qt breaks none of them again: the
// process list is one line a process, cells whole.
TEST_F(Window, TooltipsAreWrappedOnce)
{
    launch();
    const int line = QFontMetrics(QToolTip::font()).lineSpacing();
    const int one = tooltipHeight(button("blockButton"), "<p style=\"white-space:pre\">x</p>");
    for (const char *name : {"blockButton", "unblockButton", "desktopServiceBox", "coreSyncBox"}) {
        const QString tip = button(name)->toolTip();
        EXPECT_EQ(qRound(double(tooltipHeight(button(name), tip) - one) / line), tip.count("<br>")) << name << ": lines added";
    }
    const QList<ProcessRow> rows{{4242, 0.0, 20480, "/opt/adobe/AdobeIPCBroker --type=renderer"},
                                 {4243, 12.5, 204800, "/opt/adobe/Core Sync.app/Contents/MacOS/Core Sync"}};
    // Each row of the table is one line of text and its cells' 2-pixel padding above and below.
    EXPECT_EQ(tooltipHeight(control("detail"), processListTooltip(rows, targetList()))
                  - tooltipHeight(control("detail"), processListTooltip(rows.mid(0, 1), targetList())),
              line + 4);
}

// Whatever the windowing system (offscreen here, a real Wayland compositor through
// test_wayland.sh): the window comes up and its drawer opens. Wayland lets no program
// place its own window, so only sizes are compared.
TEST_F(Window, ComesUpAndOpensItsDrawer)
{
    launch();
    const QSize closed = window->size();
    toggleDrawer();
    EXPECT_EQ(window->size(), closed + QSize(0, 158));
    EXPECT_TRUE(control("drawer")->isVisible());
}

// The first frame shows the launch texts, and neither guard button acts before the guard's
// state is known; the count follows it, read off the main thread.
TEST_F(CountingWindow, RefreshShowsHowManyRunAndNeverCallsAFailedCountQuiet)
{
    FakeTarget one(QStringLiteral("AdobeIPCBroker"));
    launch();
    EXPECT_EQ(firstFrame.status, checking);
    EXPECT_EQ(firstFrame.guard, checking + " | #dbdbdb | ") << "no button enabled, and the guard unread";
    EXPECT_EQ(killPanel(), oneRunning) << "then the count";
    EXPECT_EQ(guardPanel(), "Can't check | #ff3b30 | No systemd user manager is running for this account.")
        << "no manager answers here: neither button acts on a guess";
    FakeTarget two(QStringLiteral("CCXProcess")), three(QStringLiteral("Core Sync"));
    press("refreshButton");
    EXPECT_EQ(killPanel(), "3 running | " + darkRed.name() + " | Helping themselves to your CPU. | lit");
    EXPECT_TRUE(hoverCount().contains(QStringLiteral(">%1<").arg(two.pid()))) << "which ones, on hover";

    std::optional<PathWith> nothing(std::in_place, "/nonexistent", true);
    dome()->click();
    const bool done = killDone();
    nothing.reset();
    ASSERT_TRUE(done);
    EXPECT_EQ(killPanel(), "Can't check | " + darkRed.name() + " | Couldn't read the list of running processes. | lit")
        << "and no \"Fans should settle\"";
}

// Where the keyboard focus is, and what Space and Tab reach: a click never takes the focus
// (no focus frame, even once Tab has been used), and a press never leaves it on another
// control, where the next Space would start the guard.
TEST_F(CountingWindow, TheKeyboard)
{
    launch();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    const auto key = [](Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); };
    EXPECT_NE(QApplication::focusWidget(), dome()) << "nothing has the focus at launch";
    key(Qt::Key_Space);
    EXPECT_NE(control<QLabel>("status")->text(), working) << "a stray Space kills nothing";
    key(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), dome()) << "the first Tab reaches the dome";
    key(Qt::Key_Space); // the kill
    key(Qt::Key_Space);
    EXPECT_NE(QApplication::focusWidget(), button("blockButton")) << "while the dome is disabled";
    ASSERT_TRUE(killDone());
    EXPECT_EQ(QApplication::focusWidget(), dome()) << "back where it was";
    QTest::mouseClick(dome(), Qt::LeftButton);
    key(Qt::Key_Space);
    ASSERT_TRUE(killDone());
    settle();
    EXPECT_FALSE(QFile::exists(guardScriptPath())) << "no guard was started";

    QTest::mouseClick(button("soundCheckbox"), Qt::LeftButton);
    EXPECT_TRUE(button("soundCheckbox")->isChecked());
    EXPECT_NE(QApplication::focusWidget(), button("soundCheckbox")) << "clicked";
    button("refreshButton")->setFocus(Qt::TabFocusReason);
    key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), button("soundCheckbox")) << "tabbed to";
    QTest::mouseClick(button("refreshButton"), Qt::LeftButton);
    EXPECT_NE(QApplication::focusWidget(), button("refreshButton")) << "a push button clicked after Tab";
    QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible()) << "Ctrl+W closes the window, which is how Hushwell ends";
}

// Refreshes asked for while one runs become one more run, never several at once (pgrep
// here logs each count and takes its time); quitting while a kill, a refresh and a
// setting's follow-up run waits for them and drops their completions safely.
TEST_F(CountingWindow, BusyWhileAskedAgainAndWhileQuitting)
{
    launch();
    QTemporaryDir bin;
    // Each call answers late; one answers very late (when a file "hold" is there) what it
    // found before the wait.
    ASSERT_TRUE(standIn(bin.path(), "pgrep", QString("cd '%1'; echo \"$1\" >>runs; out=$(/usr/bin/pgrep \"$@\"); status=$?; sleep 0.3\n"
                                                     "rm hold 2>/dev/null && sleep 4; [ -n \"$out\" ] && echo \"$out\"; exit $status")
                                                 .arg(bin.path()).toUtf8()));
    std::optional<PathWith> slow(std::in_place, bin.path());
    for (int i = 0; i < 4; ++i)
        button("refreshButton")->click();
    settle();
    EXPECT_EQ(readFile(bin.path() + "/runs"), "-c\n-c\n") << "the first, and one more for the three asked meanwhile";

    // A refresh that read the table before a kill but ends after it shows nothing.
    std::optional<FakeTarget> doomed(std::in_place, QStringLiteral("AdobeIPCBroker"));
    QFile(bin.path() + "/hold").open(QIODevice::WriteOnly);
    button("refreshButton")->click();
    ASSERT_TRUE(waitUntil([&] { return !QFile::exists(bin.path() + "/hold"); })) << "the refresh has counted";
    dome()->click();
    settle();
    EXPECT_EQ(killPanel(), QString(quiet).replace("Nothing of Adobe's is running in the background.", "Fans should settle down shortly."))
        << "the kill's reading, not the older refresh's";
    doomed.reset();

    FakeTarget target(QStringLiteral("AdobeGCClient"), FakeTarget::IgnoreTerm);
    dome()->click();
    button("refreshButton")->click();
    button("disclosure")->click();
    button("coreSyncBox")->click();
    window->menuBar()->actions().value(0)->menu()->actions().last()->trigger(); // Quit Hushwell, as Ctrl+Q
    EXPECT_FALSE(window->isVisible()) << "the window goes at once";
    delegate.reset();
    slow.reset();
    EXPECT_EQ(QThreadPool::globalInstance()->activeThreadCount(), 0) << "the jobs ended before their controller";
    QCoreApplication::processEvents(); // their completions went with the controller
    EXPECT_TRUE(target.diesWithin(1)) << "the kill ran to its end";
    EXPECT_FALSE(wants(kCoreSync)) << "the follow-up finished";
}

// What the window asked of its sound, in order. (The real player, which plays nothing on
// a machine without an audio device, runs in the construction test.)
class SoundLog : public SoundPlayer
{
public:
    explicit SoundLog(QStringList &calls) : calls(calls) {}
    void stop() override { calls << "stop"; }
    void play() override { calls << "play"; }

private:
    QStringList &calls;
};

TEST_F(CountingWindow, KillWorksInTheBackgroundWithItsSoundAndReport)
{
    QStringList sound;
    launch([&sound] { return std::make_unique<SoundLog>(sound); });
    button("soundCheckbox")->click();
    EXPECT_TRUE(wants(kSound)) << "ticking the box stores it";
    EXPECT_EQ(sound, QStringList({"stop", "play"})) << "and plays it once, from the start";
    FakeTarget a(QStringLiteral("AdobeGCClient"));
    const qint64 aPid = a.pid();
    dome()->click();
    EXPECT_EQ(sound, QStringList({"stop", "play", "stop", "play"})) << "a press stops the sound still playing and starts it again";
    EXPECT_EQ(killPanel() + (dome()->isEnabled() ? "" : " | disabled"), working + " | #5c4a0d |  | dark | disabled")
        << "dark: the launch found nothing";
    ASSERT_TRUE(killDone());
    EXPECT_EQ(killPanel(), QString(quiet).replace("Nothing of Adobe's is running in the background.",
                                                  "Fans should settle down shortly."));
    EXPECT_FALSE(a.alive());
    const QString stopped = hoverCount();
    EXPECT_TRUE(stopped.contains("Stopped 1 process holding ")) << "what the kill stopped: " << stopped.toStdString();
    EXPECT_TRUE(stopped.contains(QStringLiteral(">%1<").arg(aPid))) << "and which";

    std::optional<Respawner> launcher(std::in_place, "AdobeUpdateDaemon");
    dome()->click();
    ASSERT_TRUE(killDone());
    EXPECT_EQ(killPanel(), oneRunning) << "survivors, and no \"Fans should settle\"";
    QThread::msleep(3100); // past the hover's cache of the list
    EXPECT_FALSE(hoverCount().contains("Stopped")) << "something runs again: the list of what runs";
}

// Only the clicked box is stored, so a change hushwellctl made to the other one meanwhile
// stays; the boxes show what is stored, also when a click could not be stored.
TEST_F(CountingWindow, ATargetBoxStoresOnlyItselfAndShowsWhatIsStored)
{
    launch();
    // A change made from a terminal shows as soon as the window is activated again.
    ASSERT_EQ(ctl({"set", "soundEnabled", "true"}).status, 0);
    QEvent activated(QEvent::WindowActivate);
    QCoreApplication::sendEvent(window, &activated);
    settle();
    EXPECT_TRUE(button("soundCheckbox")->isChecked()) << "read again on activation";
    button("disclosure")->click();
    FakeTarget licensing(QStringLiteral("Adobe Desktop Service"));
    ASSERT_EQ(ctl({"set", "includeCoreSync", "false"}).status, 0);
    press("desktopServiceBox");
    EXPECT_FALSE(wants(kDesktopService)) << "the clicked box";
    EXPECT_FALSE(wants(kCoreSync)) << "the other one, as hushwellctl left it";
    EXPECT_FALSE(button("coreSyncBox")->isChecked()) << "the refresh shows what is stored";
    EXPECT_EQ(killPanel(), quiet) << "recounted: no longer a target";
    EXPECT_FALSE(QFile::exists(guardScriptPath())) << "no guard, so no guard files";

    QFile::remove(preferencesLocation());
    ASSERT_EQ(::mkfifo(QFile::encodeName(preferencesLocation()), 0600), 0); // no store to write
    press("coreSyncBox");
    EXPECT_TRUE(button("coreSyncBox")->isChecked()) << "what is read now: the default";
    EXPECT_EQ(control<QLabel>("blockDetail")->text(), "Couldn't save that setting.");
    press("refreshButton");
    EXPECT_EQ(control<QLabel>("blockDetail")->text(), "Couldn't read the settings; the defaults apply.");
    button("soundCheckbox")->click();
    EXPECT_FALSE(button("soundCheckbox")->isChecked()) << "the sound box too";
    QFile::remove(preferencesLocation());
}

TEST_F(GuardedWindow, BlockUnblockAndTheirFailures)
{
    launch();
    EXPECT_EQ(guardPanel(), guardOff);
    // Guard operations reload a real manager, which on a loaded machine takes seconds.
    constexpr int managerTime = 60000;
    const auto settled = [this](const char *status) {
        return waitUntil([&] { return control<QLabel>("blockStatus")->text() == status; }, managerTime);
    };
    FakeTarget running(QStringLiteral("AdobeUpdateService"));
    ASSERT_TRUE(QDir().mkpath(guardScriptPath())); // a folder where the script should be
    button("blockButton")->click();
    ASSERT_TRUE(waitUntil([&] { return button("blockButton")->isEnabled(); }, managerTime));
    EXPECT_EQ(guardPanel(), QString(guardOff).replace("Opening an Adobe app will start them again.", "Couldn't start the guard."));
    QDir(guardScriptPath()).removeRecursively();

    // The guard's own first run waits 5 s, so only the block's immediate kill can stop the
    // target before the block reports.
    const QString delay = dropIn(serviceManager(nativePlatform(), UserDirs::fromEnvironment()).filePaths.value(0),
                                 "[Service]\nExecStartPre=/bin/sleep 5\n");
    button("blockButton")->click();
    EXPECT_EQ(guardPanel(), working + " | #8c8c8c | ") << "Working, and the last failure line gone at the press";
    ASSERT_TRUE(settled("Guard on"));
    EXPECT_EQ(guardPanel(), guardOn);
    EXPECT_FALSE(running.alive()) << "the block kills at once";
    QFile::remove(delay);
    EXPECT_EQ(killPanel().section(' ', 0, 1), "All quiet");
    button("disclosure")->click();
    press("coreSyncBox"); // while guarded, the guard's script is rewritten first
    EXPECT_FALSE(readFile(guardScriptPath()).contains("ore Sync"));
    EXPECT_EQ(guardPanel(), guardOn);
    ASSERT_TRUE(QDir().mkpath(guardScriptPath() + ".new") && QFile::remove(guardScriptPath())
                && QDir().rename(guardScriptPath() + ".new", guardScriptPath())); // the script cannot be rewritten
    press("coreSyncBox");
    QDir(guardScriptPath()).removeRecursively();
    EXPECT_EQ(guardPanel(), QString(guardOn).replace("Anything Adobe restarts is killed within 15 seconds.",
                                                     "Couldn't give the guard the new list."));
    press("refreshButton");

    button("unblockButton")->click();
    EXPECT_EQ(guardPanel(), QString(guardOn).remove(" | stop")) << "unchanged until the guard has stopped";
    ASSERT_TRUE(settled("Guard off"));
    EXPECT_EQ(guardPanel(), guardOff);
}
