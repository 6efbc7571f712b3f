// The real window under Qt's offscreen platform, with real fake targets in a process table
// of the test's own and, for the guard, a real systemd --user manager (support/isolate.sh).
#include "app/appdelegate.h"
#include "app/presentation.h"
#include "guard/guardfiles.h"
#include "guard/guardpanel.h"
#include "guard/servicemanager.h"
#include "process/catalogue.h"
#include "process/processlist.h"
#include "process/shell.h"
#include "skin/deferredicons.h"
#include "support/managedhome.h"

#include <QApplication>
#include <QFile>
#include <QHelpEvent>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QStyle>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QToolTip>
#include <QVariantAnimation>

#include <fcntl.h>
#include <optional>
#include <sys/file.h>

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
template <typename World>
class WindowIn : public World
{
protected:
    // The window registers the defaults itself at launch; the first test of this program
    // sees only what it registered.
    WindowIn() { this->registersDefaults = false; }
    void TearDown() override
    {
        settle();
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
    // Runs the event loop until the window is idle and nothing more is queued: a refresh, an
    // action's completion, a setting's follow-up, the drawer's move.
    void settle()
    {
        for (int idleRounds = 0; delegate && idleRounds < 3;) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            if (!delegate->busy()) {
                ++idleRounds;
                continue;
            }
            QSignalSpy idle(delegate.get(), &AppDelegate::idle);
            idle.wait(30000);
            idleRounds = 0;
        }
    }
    // Clicks and waits for what the click started.
    void press(const char *name)
    {
        button(name)->click();
        settle();
    }
    template <typename W = QWidget>
    W *control(const char *name)
    {
        return window->findChild<W *>(QLatin1String(name));
    }
    QAbstractButton *button(const char *name) { return control<QAbstractButton>(name); }
    DomeButton *dome() { return control<DomeButton>("dome"); }
    bool killDone()
    {
        return waitUntil([this] { return dome()->isEnabled(); });
    }
    QVariantAnimation *drawerMove() { return delegate->findChild<QVariantAnimation *>(); }
    // The tooltip a line shows now: the count's detail line unless another is named.
    QString hoverCount(const char *line = "detail")
    {
        QHelpEvent hover(QEvent::ToolTip, QPoint(5, 5), control(line)->mapToGlobal(QPoint(5, 5)));
        QCoreApplication::sendEvent(control(line), &hover);
        settle();
        return QToolTip::text();
    }
    // A panel's status line, its colour and its detail line, as one text to compare.
    QString panel(const char *status, const char *detail)
    {
        const auto *line = control<QLabel>(status);
        return line->text() + " | " + line->palette().color(QPalette::WindowText).name() + " | " + control<QLabel>(detail)->text();
    }
    // The rows of the window's own picture that show the near-black casing or drawer at x 2
    // (the menu bar above them is the desktop's light one).
    int drawnRowsBelowTheMenuBar()
    {
        const QImage image = window->grab().toImage();
        int rows = 0;
        for (int y = 0; y < image.height(); ++y)
            rows += qGray(image.pixel(2, y)) < 100;
        return qRound(rows / image.devicePixelRatio()); // points, at any scale
    }
    // A panel's text (as above) with another detail line.
    static QString withDetail(const QString &panel, const QString &detail)
    {
        QStringList fields = panel.split(" | ");
        fields[2] = detail;
        return fields.join(" | ");
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

using Window = WindowIn<FreshPreferences>;
using CountingWindow = WindowIn<PrivateProcesses>;
using GuardedWindow = WindowIn<ManagedHome>;

const QString quiet = "All quiet | " + darkGreen.name() + " | Nothing of Adobe's is running in the background. | dark";
const QString oneRunning = "1 running | " + darkRed.name() + " | One process is helping itself to your CPU. | lit";
const QString guardOff = "Guard off | #ff3b30 | Opening an Adobe app will start them again. | start";
const QString guardOn = "Guard on | #34c759 | Anything Adobe restarts is killed within 15 seconds. | stop";

// Also run on a real Wayland compositor (test_wayland.sh), where the window's place is the
// compositor's: only sizes and moves relative to it are compared.
TEST_F(Window, ConstructionOnAFreshAccountWithOneStoredChoiceAndTheDrawer)
{
    ASSERT_EQ(storeProblem(kCoreSync, false), std::nullopt);
    launch();
    EXPECT_EQ(control("casing")->size(), QSize(420, 600));
    EXPECT_EQ(drawnRowsBelowTheMenuBar(), 600) << "every row of the casing shows, whatever the menu bar's height";
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "not resizable by the user";
    EXPECT_EQ(QApplication::style()->inherits("QProxyStyle"), defersMenuBarIcons(nativePlatform()))
        << "the menu bar's overflow icon is read when first drawn, not as the window is built";
    // Each control at the design's frame (unflipped y 544 for the heading, 492 for the status
    // line, 232 for the dome, 96 for the buttons, 20 for the disclosure), each line in its
    // pixel size, and what a screen reader says of it.
    const std::tuple<const char *, QRect, int, QString> controls[] = {
        {"heading", {30, 40, 360, 16}, 11, ""},
        {"status", {30, 62, 360, 46}, 34, "Adobe background processes"},
        {"detail", {30, 114, 360, 16}, 11, "Adobe background processes, detail"},
        {"dome",
         {105, 158, 210, 210},
         0,
         "Stops Adobe Creative Cloud's background processes: its helpers, updaters, crash reporter and IPC broker, and the licensing and "
         "sync services ticked in Settings."},
        {"blockStatus", {20, 420, 380, 26}, 19, "Guard"},
        {"blockDetail", {20, 448, 380, 16}, 11, "Guard, detail"},
        {"blockButton", {30, 474, 115, 30}, 0, ""},
        {"unblockButton", {152, 474, 115, 30}, 0, ""},
        {"refreshButton", {274, 474, 115, 30}, 0, ""},
        {"soundCheckbox", {128, 522, 200, 20}, 0, ""},
        {"disclosure", {140, 558, 140, 22}, 0, ""},
    };
    for (const auto &[name, frame, pixelSize, description] : controls) {
        EXPECT_EQ(control(name)->geometry(), frame) << name;
        EXPECT_EQ(control(name)->accessibleDescription(), description) << name;
        if (pixelSize > 0) {
            EXPECT_EQ(control(name)->font().pixelSize(), pixelSize) << name;
        }
    }
    EXPECT_EQ(dome()->accessibleName(), "Hush");
    // The drawer's heading, then each caption, at unflipped y 128, 80 and 32 of its 158, in 10 pixels.
    const QRect drawerLines[] = {{30, 16, 360, 14}, {50, 64, 350, 14}, {50, 112, 350, 14}};
    const QList<QLabel *> shown = control("drawer")->findChildren<QLabel *>();
    ASSERT_EQ(shown.size(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(shown.at(i)->geometry(), drawerLines[i]) << shown.at(i)->text().toStdString();
        EXPECT_EQ(shown.at(i)->font().pixelSize(), 10) << shown.at(i)->text().toStdString();
    }
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
    const QColor housing = QColor::fromRgbF(0.953f, 0.773f, 0.047f);
    EXPECT_EQ(control("casing")->grab().toImage().pixelColor(107, 160).name(), housing.name()) << "the housing around the dome";

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
    EXPECT_EQ(button("disclosure")->text(), QString::fromUtf8("\u25be  Settings"));
    EXPECT_EQ(control("drawer")->geometry(), QRect(0, 600, 420, 158)) << "pinned to the bottom edge";
    EXPECT_EQ(drawnRowsBelowTheMenuBar(), 758) << "and every row of the drawer";
    press("disclosure");
    EXPECT_TRUE(control("drawer")->isHidden()) << "hidden once the window has shrunk";

    press("soundCheckbox"); // the real player, with no audio device here: silence, not a crash
    EXPECT_TRUE(wants(kSound));
}

// The first frame shows the launch texts, and neither guard button acts before the guard's
// state is known; the count follows it, read off the main thread.
TEST_F(CountingWindow, RefreshShowsHowManyRunAndWhich)
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
    EXPECT_TRUE(hoverCount().contains(QStringLiteral(">%1<").arg(two.pid()))) << "which ones, on hover";
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

    // A click on the control Tab reached, or on another, leaves no control focused, and so
    // no frame; the next Tab shows one again.
    button("refreshButton")->setFocus(Qt::TabFocusReason);
    key(Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), button("soundCheckbox")) << "tabbed to";
    for (const char *name : {"refreshButton", "soundCheckbox", "disclosure", "dome"}) {
        button(name)->setFocus(Qt::TabFocusReason);
        for (const char *clicked : {name, "refreshButton"}) {
            QTest::mouseClick(button(clicked), Qt::LeftButton);
            EXPECT_EQ(QApplication::focusWidget(), control("casing")) << name << " had the focus, " << clicked << " was clicked";
            button(name)->setFocus(Qt::TabFocusReason);
        }
        key(Qt::Key_Tab);
        EXPECT_NE(QApplication::focusWidget(), control("casing")) << "Tab after " << name;
    }
    ASSERT_TRUE(killDone());
}

// A refresh that read the table before a kill but ends after it shows nothing; quitting while a kill, a refresh and a
// setting's follow-up run waits for them and drops their completions safely.
TEST_F(CountingWindow, ARefreshOlderThanAKillAndQuittingWhileBusy)
{
    launch();
    QTemporaryDir bin;
    // Each call answers late; one answers very late (when a file "hold" is there) what it
    // found before the wait.
    ASSERT_TRUE(standIn(bin.path(), "pgrep",
                        QString("cd '%1'; out=$(/usr/bin/pgrep \"$@\"); status=$?; sleep 0.3\n"
                                "rm hold 2>/dev/null && sleep 4; [ -n \"$out\" ] && echo \"$out\"; exit $status")
                            .arg(bin.path())
                            .toUtf8()));
    std::optional<PathWith> slow(std::in_place, bin.path());
    // A refresh that read the table before a kill but ends after it shows nothing.
    std::optional<FakeTarget> doomed(std::in_place, QStringLiteral("AdobeIPCBroker"));
    QFile(bin.path() + "/hold").open(QIODevice::WriteOnly);
    button("refreshButton")->click();
    ASSERT_TRUE(waitUntil([&] { return !QFile::exists(bin.path() + "/hold"); })) << "the refresh has counted";
    dome()->click();
    settle();
    EXPECT_EQ(killPanel(), withDetail(quiet, "Fans should settle down shortly.")) << "the kill's reading, not the older refresh's";
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
    EXPECT_EQ(sound, QStringList({"stop", "play"})) << "ticking the box plays it once, from the start";
    FakeTarget a(QStringLiteral("AdobeGCClient"));
    const qint64 aPid = a.pid();
    dome()->click();
    EXPECT_EQ(sound, QStringList({"stop", "play", "stop", "play"})) << "a press stops the sound still playing and starts it again";
    EXPECT_EQ(killPanel() + (dome()->isEnabled() ? "" : " | disabled"), working + " | #5c4a0d |  | dark | disabled")
        << "dark: the launch found nothing";
    ASSERT_TRUE(killDone());
    EXPECT_EQ(killPanel(), withDetail(quiet, "Fans should settle down shortly."));
    EXPECT_FALSE(a.alive());
    EXPECT_TRUE(hoverCount().contains(QStringLiteral(">%1<").arg(aPid))) << "what the kill stopped, on hover";
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
    // A lock another program holds: a click waits for it, a few seconds, off the main
    // thread, and then shows what is stored.
    ASSERT_TRUE(ctl({"set", "soundEnabled", "false"}).status == 0);
    press("refreshButton");
    const FakeTarget holder(QStringLiteral("sleep"));
    ASSERT_TRUE(writeFile(preferencesLocation() + ".lock",
                          QByteArray::number(holder.pid()) + "\nsleep\n" + QSysInfo::machineHostName().toUtf8() + "\n"));
    press("soundCheckbox");
    EXPECT_FALSE(button("soundCheckbox")->isChecked()) << "a click that could not be stored shows what is stored";
    press("coreSyncBox");
    EXPECT_EQ(control<QLabel>("blockDetail")->text(), "Couldn't save that setting.") << "and a target's click says so";
}

TEST_F(GuardedWindow, BlockAndUnblock)
{
    launch();
    EXPECT_EQ(guardPanel(), guardOff);
    // Guard operations reload a real manager, which on a loaded machine takes seconds.
    constexpr int managerTime = 60000;
    const auto settled = [this](const char *status) {
        return waitUntil([&] { return control<QLabel>("blockStatus")->text() == status; }, managerTime);
    };
    FakeTarget running(QStringLiteral("AdobeUpdateService"));

    // The guard's own first run waits 5 s, so only the block's immediate kill can stop the
    // target before the block reports.
    const QString delay = dropIn(serviceManager(Guard{}).filePaths.value(0), "[Service]\nExecStartPre=/bin/sleep 5\n");
    button("blockButton")->click();
    EXPECT_EQ(guardPanel(), working + " | #8c8c8c | ") << "Working, at the press";
    ASSERT_TRUE(settled("Guard on"));
    EXPECT_EQ(guardPanel(), guardOn);
    EXPECT_FALSE(running.alive()) << "the block kills at once";
    QFile::remove(delay);
    systemctl("daemon-reload"); // the manager forgets the delay
    // The guard's own run, once its delay is over, is in the record the guard line shows.
    FakeTarget later(QStringLiteral("CCXProcess"));
    EXPECT_TRUE(later.diesWithin(10));
    if (qEnvironmentVariableIsEmpty("HUSHWELL_NO_JOURNAL")) {
        EXPECT_TRUE(waitUntil([&] { return hoverCount("blockStatus").contains("CCXProcess"); })) << "the record, on hover";
    }
    EXPECT_EQ(killPanel().section(' ', 0, 1), "All quiet");
    // Another start or stop holds the lock for longer than the stop waits: nothing changes.
    const int lock = ::open(QFile::encodeName(UserDirs::fromEnvironment().runtime + "/" + guardLockName), O_RDWR | O_CREAT, 0600);
    ASSERT_EQ(::flock(lock, LOCK_EX), 0);
    press("unblockButton");
    ::close(lock);
    const QString refused = withDetail(guardOn, "Another start or stop is still under way; nothing was changed.");
    EXPECT_EQ(guardPanel(), refused);
    button("unblockButton")->click();
    EXPECT_EQ(guardPanel(), QString(refused).remove(" | stop")) << "unchanged until the guard has stopped";
    ASSERT_TRUE(settled("Guard off"));
    EXPECT_EQ(guardPanel(), guardOff);
    QToolTip::hideText();
    waitUntil([] { return !QToolTip::isVisible(); });
    EXPECT_EQ(hoverCount("blockDetail"), "") << "no record while the guard is off";
}

TEST_F(GuardedWindow, AnOlderOwnGuardIsBroughtUpToDateAndTheAdministratorsListIsShownAsSet)
{
    // The account's own guard, loaded, runs the script of an older list: the launch writes
    // this version's, and says so once.
    ASSERT_EQ(ctl({"guard", "start"}).out, "Guard on\n");
    const QString current = readFile(guardScriptPath());
    ASSERT_TRUE(writeFile(guardScriptPath(), "#!/bin/sh\nexit 0\n"));
    launch();
    EXPECT_EQ(guardPanel(), withDetail(guardOn, "The guard now uses this version's list."));
    EXPECT_EQ(readFile(guardScriptPath()), current);
    delegate.reset();

    // An administrator's guard, with Core Sync off for every account; this account stored
    // Core Sync on for itself, then paused the guard.
    if (const QString why = qEnvironmentVariable("HUSHWELL_NO_SYSTEM_FOLDERS"); !why.isEmpty())
        return skipOrFailForIsolation("needs system folders of its own: " + why.toStdString());
    ASSERT_EQ(ctl({"set", "--all-users", "includeCoreSync", "false"}).status, 0);
    ASSERT_EQ(ctl({"set", "includeCoreSync", "true"}).status, 0);
    ASSERT_EQ(ctl({"guard", "start", "--all-users"}).status, 0);
    ASSERT_EQ(ctl({"guard", "start"}).out, "Guard on\n");
    ASSERT_EQ(ctl({"guard", "stop"}).status, 0);
    FakeTarget coreSync(QStringLiteral("Core Sync"));
    launch();
    EXPECT_EQ(guardPanel(), withDetail(guardOff, "Paused until your next login."));
    EXPECT_EQ(killPanel(), quiet) << "counted from the administrator's list";
    const QString setThere = "An administrator sets these for every account, with the guard for every account.";
    for (const char *name : {"desktopServiceBox", "coreSyncBox"}) {
        EXPECT_FALSE(button(name)->isEnabled()) << name;
        EXPECT_EQ(asRead(button(name)->toolTip()), setThere) << name;
    }
    EXPECT_FALSE(button("coreSyncBox")->isChecked()) << "the administrator's value, not the account's own";
}

// Every sentence a line of the window can show fits its frame on one line, in Inter and in
// Debian's default face (DejaVu Sans, wider), with 2 pixels to spare for hinting at 2x.
TEST_F(Window, EverySentenceFitsItsLine)
{
    launch();
    const std::pair<const char *, QStringList> lines[] = {
        {"status", {"All quiet", "128 running", "Can't check", working, checking}},
        {"detail",
         {"Nothing of Adobe's is running in the background.", "One process is helping itself to your CPU.",
          "Helping themselves to your CPU.", "Fans should settle down shortly.", "Couldn't read the list of running processes."}},
        {"blockStatus", {"Guard on", "Guard off", "Can't check", working, checking}},
        {"blockDetail",
         {"Anything Adobe restarts is killed within 15 seconds.", "Opening an Adobe app will start them again.",
          "Couldn't start the guard.", "Couldn't stop the guard.", "No systemd user manager is running for this account.",
          "Paused until your next login.", "Its files were removed; Stop Guard ends it.", guardFilesChangedText, guardRunFailedText,
          guardOutdatedText, guardAdministratorOutdatedText, guardRefreshedText, guardLockBusyText, homeOfAnotherAccountText,
          guardFollowsAdministratorText, "Couldn't save that setting.", "Couldn't give the guard the new list.",
          "Couldn't read the settings; the defaults apply."}},
    };
    for (const auto &[name, sentences] : lines) {
        const QLabel *line = control<QLabel>(name);
        QFont dejaVu = line->font();
        dejaVu.setFamily("DejaVu Sans");
        for (const QFont &font : {line->font(), dejaVu})
            for (const QString &sentence : sentences) {
                const qreal width = QFontMetricsF(font).horizontalAdvance(sentence);
                EXPECT_LE(width, line->width() - 2) << name << ", " << font.family().toStdString() << ": " << sentence.toStdString();
            }
    }
}
