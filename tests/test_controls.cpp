// The window's small state machines, each on its own and without the window: the drawer's
// move, the hover list's cache and the settings queue; and where the sound's player is. (The job pool's idle signal is what
// every window test waits for.) No process is
// started: any account runs these.
#include "app/drawermotion.h"
#include "app/hovertip.h"
#include "app/inorder.h"
#include "app/jobpool.h"
#include "app/mediasound.h"
#include "app/sound.h"
#include "support/world.h"

#include <QFile>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QLibrary>
#include <QScreen>
#include <QSignalSpy>
#include <QThread>
#include <QToolTip>

#include <atomic>

namespace {

// A window of the casing's size whose frame the motion moves, placed `fromBottom` above the
// bottom of the screen's free area.
struct MovingWindow {
    explicit MovingWindow(int fromBottom)
    {
        const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
        window.setGeometry(available.left() + 100, available.bottom() - fromBottom - 600, 420, 600);
        window.show();
    }
    void toggle(int times, int moves)
    {
        for (int i = 0; i < times; ++i)
            motion.toggle();
        EXPECT_TRUE(waitUntil([&] { return finished.count() == moves && !motion.isMoving(); }));
    }
    QWidget window;
    DrawerMotion motion{&window, [this](const QRect &frame) { window.setGeometry(frame); }, nullptr};
    QSignalSpy finished{&motion, &DrawerMotion::moveFinished};
};

} // namespace

TEST(DrawerMotion, TogglesWithinOneMoveReverseItOnlyOnceItHasEnded)
{
    MovingWindow room(400);
    const QRect start = room.window.geometry();
    room.toggle(3, 1); // the second reverses the first, the third takes that back
    EXPECT_TRUE(room.motion.isOpen());
    EXPECT_EQ(room.window.geometry(), start.adjusted(0, 0, 0, 158)) << "opened once, the top edge kept";
}

TEST(DrawerMotion, NearTheScreensBottomItMovesUpOnlyEnoughAndBackOnClosing)
{
    MovingWindow room(100);
    const QRect start = room.window.geometry();
    room.toggle(1, 1);
    EXPECT_EQ(room.window.height(), 758);
    EXPECT_LT(room.window.y(), start.y()) << "raised";
    EXPECT_EQ(room.window.frameGeometry().bottom(), QGuiApplication::primaryScreen()->availableGeometry().bottom())
        << "just enough for its frame to end at the free area's bottom";
    room.toggle(1, 2);
    EXPECT_EQ(room.window.geometry(), start);
}

TEST(InOrder, EachValueStartsOnlyOnceTheOneBeforeHasFinished)
{
    QStringList started;
    InOrder<QString> queue([&](const QString &value) { started << value; });
    queue.add("a");
    queue.add("b");
    queue.add("c");
    EXPECT_EQ(started, QStringList{"a"}) << "one at a time";
    queue.finished();
    queue.finished();
    queue.finished();
    EXPECT_EQ(started, (QStringList{"a", "b", "c"})) << "in the order added";
}

// Read when the pointer rests on the line, off the main thread; shown again while younger
// than 3 s, read again after. (A fixed text and an inactive line: the window's tests.)
TEST(HoverTip, ReadsOnHoverAndKeepsAReadingThreeSeconds)
{
    QLabel line("detail");
    line.resize(200, 20);
    line.show();
    JobPool jobs;
    std::atomic<int> reads{0};
    HoverTip tip(
        {&line}, [&] { return QString("read %1").arg(++reads); }, &jobs);
    const auto hover = [&](int times = 1) {
        for (int i = 0; i < times; ++i) {
            QHelpEvent event(QEvent::ToolTip, QPoint(5, 5), line.mapToGlobal(QPoint(5, 5)));
            QCoreApplication::sendEvent(&line, &event);
        }
        waitUntil([&] { return jobs.isIdle(); });
        QCoreApplication::processEvents();
        return QToolTip::isVisible() ? QToolTip::text() : QString();
    };
    EXPECT_EQ(reads, 0) << "nothing read before a hover";
    EXPECT_EQ(hover(2), "read 1") << "a second hover while the first reads starts no second reading";
    EXPECT_EQ(hover(), "read 1") << "a reading younger than 3 s is shown again";
    EXPECT_EQ(reads, 1);
    QThread::msleep(3100);
    EXPECT_EQ(hover(), "read 2") << "an older one is read again";
}

// On Linux the player is a module the program loads at the first play, not before, from
// where it is installed beside the program (mirrored in the build tree). The test's session
// has no audio device: nothing is heard.
TEST(Sound, ThePlayerModuleIsLoadedAtTheFirstPlayFromWhereTheProgramLooks)
{
    if (nativePlatform() != Platform::Linux)
        GTEST_SKIP() << "the player is built into the program here";
    const auto loaded = [] {
        QFile maps("/proc/self/maps");
        return maps.open(QIODevice::ReadOnly) && maps.readAll().contains("/hushwell-sound.so");
    };
    const QString dir = QCoreApplication::applicationDirPath();
    const std::unique_ptr<Sound> sound = Sound::load(soundPath(Platform::Linux, dir));
    ASSERT_NE(sound, nullptr);
    EXPECT_FALSE(loaded()) << "loaded before the first play";
    sound->play();
    EXPECT_TRUE(loaded()) << "not loaded at the first play";
    QLibrary module(soundModulePath(dir));
    ASSERT_TRUE(module.load()) << qPrintable(module.errorString());
    const auto make = reinterpret_cast<decltype(&hushwellMediaSound)>(module.resolve("hushwellMediaSound"));
    ASSERT_NE(make, nullptr);
    const std::unique_ptr<SoundPlayer> player(make(soundPath(Platform::Linux, dir)));
    ASSERT_NE(player, nullptr);
    player->stop(); // before any play: nothing to stop, and no crash
}
