#include "app/appdelegate.h"

#include "app/hovertip.h"
#include "app/presentation.h"
#include "guard/guardlog.h"
#include "app/sound.h"
#include "guard/guardcontrol.h"
#include "guard/guardpanel.h"
#include "process/catalogue.h"
#include "process/killpanel.h"
#include "process/killreport.h"
#include "process/preferences.h"
#include "process/processlist.h"
#include "process/scripts.h"
#include "process/shell.h"
#include "skin/domebutton.h"
#include "skin/domeicon.h"
#include "skin/drawerview.h"
#include "skin/factories.h"
#include "skin/skin.h"

#include <QApplication>
#include <QCheckBox>
#include <QHelpEvent>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QScreen>
#include <QThreadPool>
#include <QToolTip>
#include <QVariantAnimation>

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <utility>

namespace {

// Slow work goes to the global pool; its one result comes back to the controller on the
// main thread, in a single queued call.
template<typename Work, typename Done>
void inBackground(QObject *controller, Work work, Done done)
{
    QThreadPool::globalInstance()->start([controller, work, done] {
        auto result = work();
        QMetaObject::invokeMethod(controller, [done, result] { done(result); }, Qt::QueuedConnection);
    });
}

// Snapshots are numbered when their reading begins, so that one read before another is
// never shown after it.
std::atomic<quint64> snapshotsBegun{0};

} // namespace

Snapshot takeSnapshot(bool bringGuardUpToDate)
{
    const quint64 sequence = ++snapshotsBegun;
    const UserDirs targets = targetPreferencesInForce();
    return {.sequence = sequence,
            .countOutput = shell(countCommandFor(nativePlatform(), targetList(targets))),
            .guard = bringGuardUpToDate ? readGuardBroughtUpToDate() : readGuard(),
            .guardForAllUsers = guardInstalledForAllUsers(),
            .settingsReadable = !preferencesProblem(),
            .sound = wants(kSound),
            .desktopService = wants(kDesktopService, targets),
            .coreSync = wants(kCoreSync, targets)};
}

int leaveApplication(int status)
{
    if (QGuiApplication::platformName() != QLatin1String("wayland"))
        return status;
    std::fflush(nullptr);
    ::_exit(status);
}

AppDelegate::AppDelegate(SoundLoader loadSound) : loadSound(std::move(loadSound)) {}
AppDelegate::~AppDelegate()
{
    // A job still running (the user quit mid-action, or mid-refresh) posts its completion
    // to this object: wait for it, so that the post reaches a live controller and is then
    // dropped with it, instead of reaching freed memory. The window goes first, so that
    // quitting looks done at once.
    if (window)
        window->hide();
    QThreadPool::globalInstance()->waitForDone();
    delete window; // and with it every control
}

void AppDelegate::applicationDidFinishLaunching()
{
    registerDefaultPreferences();
    // The pool's threads would otherwise wake after 30 s idle to end themselves; asleep
    // they cost nothing.
    QThreadPool::globalInstance()->setExpiryTimeout(-1);
    sound = loadSound();
    buildWindow();
    // The count's detail line lists what matches; the guard's lines, while it is on, what
    // it stopped in the last day.
    countTip = new HoverTip({detail}, [] {
        const QStringList targets = targetsInForce();
        return processListTooltip(parseProcessList(shell(listCommandFor(nativePlatform(), targets))), targets);
    }, this);
    guardTip = new HoverTip({blockStatus, blockDetail}, [] { return guardRecordTooltip(readGuardLog()); }, this);
    guardTip->setActive(false);
    // The first refresh waits for the first frame, which shows "Checking…" at once,
    // however long the process table takes to read.
    window->centralWidget()->installEventFilter(this);
    window->installEventFilter(this);
    window->show();
    window->raise();
    window->activateWindow();
}

void AppDelegate::refresh()
{
    // One at a time: a refresh asked for meanwhile becomes one more, after this one.
    if (refreshing) {
        refreshAgain = true;
        return;
    }
    refreshing = true;
    const bool launching = newestShown == 0;
    inBackground(this, [launching] { return takeSnapshot(launching); }, [this](const Snapshot &snapshot) {
        showSnapshot(snapshot);
        refreshing = false;
        if (std::exchange(refreshAgain, false))
            refresh();
    });
}

std::optional<KillPanel> AppDelegate::showSnapshot(const Snapshot &snapshot)
{
    if (snapshot.sequence < newestShown)
        return std::nullopt; // a later reading is on screen already
    const KillPanel kill = killPanelFor(snapshot.countOutput);
    newestShown = snapshot.sequence;
    status->setText(kill.status);
    setTextColour(status, statusColour(kill.live));
    detail->setText(kill.detail);
    dome->setLive(kill.live);
    dome->update();
    if (!kill.quiet())
        countTip->setFixedText({}); // something runs again, or might: the kill's report is stale

    const GuardPanel guard = guardPanelFor(snapshot.guard);
    guardTip->setActive(guard.on);
    blockStatus->setText(guard.status);
    setTextColour(blockStatus, guardColour(guard.on));
    blockDetail->setText(detailForSettings(snapshot.settingsReadable).value_or(guard.detail));
    blockButton->setEnabled(guard.startEnabled);
    unblockButton->setEnabled(guard.stopEnabled);
    // Under an administrator's guard for every account, Stop Guard only pauses it.
    unblockButton->setToolTip(tooltipMarkup(snapshot.guardForAllUsers ? guardForAllUsersText : stopGuardTooltip()));
    // What is stored, which hushwellctl may have changed meanwhile, or a click could not.
    for (const auto &[box, on] : {std::pair{soundCheckbox, snapshot.sound}, {desktopServiceBox, snapshot.desktopService},
                                  {coreSyncBox, snapshot.coreSync}})
        box->setCheckState(on ? Qt::Checked : Qt::Unchecked);
    // The administrator's target list is the one in force: shown, and set there.
    desktopServiceBox->setEnabled(!snapshot.guardForAllUsers);
    coreSyncBox->setEnabled(!snapshot.guardForAllUsers);
    desktopServiceBox->setToolTip(tooltipMarkup(snapshot.guardForAllUsers ? targetsSetByAdministratorText : desktopServiceTooltip()));
    coreSyncBox->setToolTip(tooltipMarkup(snapshot.guardForAllUsers ? targetsSetByAdministratorText : coreSyncTooltip()));
    return kill;
}

bool AppDelegate::disableKeepingFocus(QWidget *control)
{
    // Qt hands the focus of a control being disabled to the next one in the chain, where
    // the next Space would act: a second Space after a kill would start the guard. It
    // waits on the casing instead, where no key acts.
    const bool hadFocus = window->focusWidget() == control;
    if (hadFocus)
        window->centralWidget()->setFocus(Qt::OtherFocusReason);
    control->setEnabled(false);
    return hadFocus;
}

void AppDelegate::giveFocusBack(QWidget *control, bool hadFocus)
{
    if (hadFocus && control->isEnabled() && window->focusWidget() == window->centralWidget())
        control->setFocus(Qt::OtherFocusReason);
}

bool AppDelegate::eventFilter(QObject *watched, QEvent *event)
{
    // The type first: during the window's teardown the label is no longer a QLabel.
    if (event->type() == QEvent::Paint && window && watched == window->centralWidget()) {
        watched->removeEventFilter(this);
        // Once this frame is done: the count, then the icon (also the About panel's), whose
        // six sizes are drawn by the dome's own code.
        QMetaObject::invokeMethod(this, &AppDelegate::refresh, Qt::QueuedConnection);
        QMetaObject::invokeMethod(this, [this] { window->setWindowIcon(domeIcon()); }, Qt::QueuedConnection);
    } else if (event->type() == QEvent::MouseButtonPress && window && watched != window->centralWidget()) {
        // A click leaves no focus frame, on the clicked control or any other: the focus
        // goes back to the casing, as a click on macOS leaves no control focused. Tab
        // shows the frame again.
        window->centralWidget()->setFocus(Qt::MouseFocusReason);
    } else if (event->type() == QEvent::WindowActivate && watched == window && newestShown > 0) {
        refresh(); // hushwellctl may have changed anything meanwhile
    }
    return QObject::eventFilter(watched, event);
}

void AppDelegate::playSound()
{
    // Stopped first, so a press while it still plays starts it again.
    if (sound) {
        sound->stop();
        sound->play();
    }
}

void AppDelegate::killPressed()
{
    // The box as the user sees it: a tick still being stored counts.
    if (soundCheckbox->checkState() == Qt::Checked)
        playSound();
    status->setText(workingText);
    setTextColour(status, Skin::onYellowSoft());
    detail->setText(QString());
    const bool hadFocus = disableKeepingFocus(dome);
    inBackground(
        this,
        [] {
            // What runs is listed in the same job, just before the kill: no wait of its own.
            const QStringList targets = targetsInForce();
            const std::optional<QList<ProcessRow>> stopped = killListed(targets);
            return std::pair{stoppedTooltip(stopped, targets), takeSnapshot()};
        },
        [this, hadFocus](const std::pair<QString, Snapshot> &done) {
            dome->setEnabled(true);
            giveFocusBack(dome, hadFocus);
            const auto shown = showSnapshot(done.second);
            if (!shown)
                return;
            if (shown->quiet())
                countTip->setFixedText(done.first);
            if (const auto line = detailAfterKill(*shown))
                detail->setText(*line);
        });
}

void AppDelegate::blockPressed()
{
    const bool hadFocus = disableKeepingFocus(blockButton);
    blockStatus->setText(workingText);
    setTextColour(blockStatus, Skin::onCasingSoft());
    blockDetail->setText(QString());
    inBackground(
        this,
        [] {
            const GuardResult started = startGuard();
            // Whatever runs now is stopped at once, guard or no guard.
            shell(killScriptFor(nativePlatform(), targetsInForce()));
            return std::pair{started, takeSnapshot()};
        },
        [this, hadFocus](const std::pair<GuardResult, Snapshot> &done) {
            showSnapshot(done.second);
            giveFocusBack(blockButton, hadFocus);
            if (const auto line = detailAfterBlock(done.first))
                blockDetail->setText(*line);
        });
}

void AppDelegate::unblockPressed()
{
    // The guard texts stay as they are until the guard has really stopped.
    const bool hadFocus = disableKeepingFocus(unblockButton);
    inBackground(
        this, [] { return std::pair{stopGuard(), takeSnapshot()}; },
        [this, hadFocus](const std::pair<GuardResult, Snapshot> &done) {
            showSnapshot(done.second);
            giveFocusBack(unblockButton, hadFocus);
            if (const auto line = detailAfterUnblock(done.first))
                blockDetail->setText(*line);
        });
}

void AppDelegate::toggleSettings()
{
    if (drawerAnimation->state() == QAbstractAnimation::Running) {
        drawerToggleWaiting = !drawerToggleWaiting;
        return;
    }
    settingsOpen = !settingsOpen;
    applyTitle(disclosure, disclosureTitle(settingsOpen));
    // The screen's free area as the window's content may use it, frame excluded.
    const QRect frame = window->frameGeometry(), inner = window->geometry();
    QRect available = window->screen()->availableGeometry();
    available.adjust(inner.left() - frame.left(), inner.top() - frame.top(), inner.right() - frame.right(),
                     inner.bottom() - frame.bottom());
    const QRect geometry = drawerToggledGeometry(inner, settingsOpen, available, raisedForDrawer);
    raisedForDrawer = settingsOpen ? inner.top() - geometry.top() : 0;
    // Shown before the window grows, hidden only after it has shrunk.
    if (settingsOpen)
        drawer->show();
    drawerAnimation->setStartValue(inner);
    drawerAnimation->setEndValue(geometry);
    drawerAnimation->start();
}

void AppDelegate::setWindowFrame(const QRect &geometry)
{
    // The window is not resizable by the user: its fixed size moves with every frame.
    QWidget *casing = window->centralWidget();
    casing->setFixedSize(casing->width(), casing->height() + geometry.height() - window->height());
    window->setFixedSize(geometry.size());
    window->setGeometry(geometry);
}

void AppDelegate::drawerMoved()
{
    if (!settingsOpen)
        drawer->hide();
    // A click while the window was moving: it reverses once the first move has ended, so
    // two clicks always give the starting frame back.
    if (std::exchange(drawerToggleWaiting, false))
        toggleSettings();
}

void AppDelegate::settingsChanged(QCheckBox *box, const QString &key)
{
    // Only the clicked box: writing both would undo a change hushwellctl made to the other.
    // Stored, and followed by a loaded guard, off the main thread and in the order clicked.
    settingsWaiting.append({key, box->checkState() == Qt::Checked});
    if (settingsWaiting.size() == 1)
        storeNextSetting();
}

void AppDelegate::storeNextSetting()
{
    const std::pair<QString, bool> setting = settingsWaiting.first();
    inBackground(
        this, [setting] { return std::pair{applyTargetPreferences({setting}), takeSnapshot()}; },
        [this](const std::pair<PreferenceChange, Snapshot> &done) {
            showSnapshot(done.second); // the boxes show what is stored, whatever the click could do
            if (const auto line = detailAfterSettingsChange(done.first))
                blockDetail->setText(*line);
            settingsWaiting.removeFirst();
            if (!settingsWaiting.isEmpty())
                storeNextSetting();
        });
}

void AppDelegate::soundToggled()
{
    // Stored like a target box, off the main thread and in click order: a store may wait
    // for its file's lock. The sound answers the click at once.
    settingsChanged(soundCheckbox, kSound);
    if (soundCheckbox->checkState() == Qt::Checked)
        playSound();
}
