#include "app/appdelegate.h"

#include "app/drawermotion.h"
#include "app/hovertip.h"
#include "app/jobpool.h"
#include "app/presentation.h"
#include "app/sound.h"
#include "guard/guardcontrol.h"
#include "guard/guardlog.h"
#include "guard/guardpanel.h"
#include "guard/snapshot.h"
#include "process/catalogue.h"
#include "process/killpanel.h"
#include "process/killreport.h"
#include "process/preferences.h"
#include "process/processlist.h"
#include "process/scripts.h"
#include "process/shell.h"
#include "process/version.h"
#include "skin/domeicon.h"
#include "skin/factories.h"
#include "skin/skin.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>

#include <cstdio>
#include <unistd.h>
#include <utility>

int leaveApplication(int status)
{
    if (QGuiApplication::platformName() != QLatin1String("wayland"))
        return status;
    std::fflush(nullptr);
    ::_exit(status);
}

AppDelegate::AppDelegate(SoundLoader loadSound)
    : loadSound(std::move(loadSound)), jobs(new JobPool(this)), settingsQueue([this](const auto &setting) { storeSetting(setting); })
{
    connect(jobs, &JobPool::idle, this, &AppDelegate::becameIdleMaybe);
}

AppDelegate::~AppDelegate()
{
    // A job still running (the user quit mid-action, or mid-refresh) posts its completion
    // to the pool: wait for it, so that the post reaches a live object and is then dropped
    // with it. The window goes first, so that quitting looks done at once.
    if (ui.window)
        ui.window->hide();
    jobs->waitForDone();
    delete ui.window; // and with it every control
}

bool AppDelegate::busy() const
{
    return !jobs->isIdle() || (drawerMotion && drawerMotion->isMoving());
}

bool AppDelegate::settingsOpen() const
{
    return drawerMotion && drawerMotion->isOpen();
}

void AppDelegate::becameIdleMaybe()
{
    if (!busy())
        emit idle();
}

void AppDelegate::showAbout()
{
    QMessageBox::about(ui.window, QStringLiteral("About Hushwell"),
                       QStringLiteral("<b>Hushwell</b><br>Version %1").arg(QStringLiteral(HUSHWELL_VERSION)));
}

void AppDelegate::applicationDidFinishLaunching()
{
    registerDefaultPreferences();
    sound = loadSound();
    ui = buildWindow(this, {.kill = [this] { killPressed(); },
                            .block = [this] { blockPressed(); },
                            .unblock = [this] { unblockPressed(); },
                            .refresh = [this] { refresh(); },
                            .toggleSettings = [this] { toggleSettings(); },
                            .sound = [this] { soundToggled(); },
                            .about = [this] { showAbout(); },
                            .settingChanged = [this](const QString &key) { settingsChanged(box(key), key); }});
    QMainWindow *window = ui.window;
    for (const Preference &preference : preferenceTable)
        box(preference.key)->setCheckState(wants(preference.key) ? Qt::Checked : Qt::Unchecked);
    for (QAbstractButton *control : window->centralWidget()->findChildren<QAbstractButton *>())
        control->installEventFilter(this); // a click hands the focus back to the casing
    drawerMotion = new DrawerMotion(
        window, [this](const QRect &frame) { setWindowFrame(frame); }, this);
    // Shown before the window grows, hidden only after it has shrunk.
    connect(drawerMotion, &DrawerMotion::moveStarted, this, [this](bool opening) {
        applyTitle(ui.disclosure, disclosureTitle(opening));
        if (opening)
            ui.drawer->show();
    });
    connect(drawerMotion, &DrawerMotion::moveFinished, this, [this](bool open) {
        if (!open)
            ui.drawer->hide();
        becameIdleMaybe();
    });
    // The count's detail line lists what matches; the guard's lines, while it is on, what
    // it stopped in the last day.
    countTip = new HoverTip(
        {ui.detail},
        [guard = guard] {
            const QStringList targets = targetsInForce(guard);
            return processListTooltip(parseProcessList(shell(listCommandFor(guard.platform, targets))), targets);
        },
        jobs);
    guardTip = new HoverTip(
        {ui.blockStatus, ui.blockDetail}, [platform = guard.platform] { return guardRecordTooltip(readGuardLog(platform)); }, jobs);
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
    jobs->run([guard = guard, launching] { return takeSnapshot(guard, launching); },
              [this](const Snapshot &snapshot) {
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
    ui.status->setText(kill.status);
    setTextColour(ui.status, statusColour(kill.live));
    ui.detail->setText(kill.detail);
    ui.dome->setLive(kill.live);
    ui.dome->update();
    if (!kill.quiet())
        countTip->setFixedText({}); // something runs again, or might: the kill's report is stale

    const GuardPanel guardPanel = guardPanelFor(snapshot.guard);
    guardTip->setActive(guardPanel.on);
    ui.blockStatus->setText(guardPanel.status);
    setTextColour(ui.blockStatus, guardColour(guardPanel.on));
    ui.blockDetail->setText(detailForSettings(snapshot.settingsReadable).value_or(guardPanel.detail));
    ui.blockButton->setEnabled(guardPanel.startEnabled);
    ui.unblockButton->setEnabled(guardPanel.stopEnabled);
    // Under an administrator's guard for every account, Stop Guard only pauses it.
    ui.unblockButton->setToolTip(tooltipMarkup(snapshot.administratorsGuard ? guardForAllUsersText : stopGuardTooltip()));
    // What is stored, which hushwellctl may have changed meanwhile, or a click could not.
    // The administrator's target list is the one in force: shown, and set there.
    for (const Preference &preference : preferenceTable) {
        QCheckBox *shown = box(preference.key);
        shown->setCheckState(snapshot.preferences.value(preference.key) ? Qt::Checked : Qt::Unchecked);
        if (!preference.isTargetGroup())
            continue;
        shown->setEnabled(!snapshot.administratorsGuard);
        shown->setToolTip(tooltipMarkup(snapshot.administratorsGuard ? targetsSetByAdministratorText : preference.tooltip));
    }
    return kill;
}

bool AppDelegate::disableKeepingFocus(QWidget *control)
{
    // Qt hands the focus of a control being disabled to the next one in the chain, where
    // the next Space would act: a second Space after a kill would start the guard. It
    // waits on the casing instead, where no key acts.
    const bool hadFocus = ui.window->focusWidget() == control;
    if (hadFocus)
        ui.window->centralWidget()->setFocus(Qt::OtherFocusReason);
    control->setEnabled(false);
    return hadFocus;
}

void AppDelegate::giveFocusBack(QWidget *control, bool hadFocus)
{
    if (hadFocus && control->isEnabled() && ui.window->focusWidget() == ui.window->centralWidget())
        control->setFocus(Qt::OtherFocusReason);
}

bool AppDelegate::eventFilter(QObject *watched, QEvent *event)
{
    // The type first, and the window only then: during its teardown it is no longer a
    // QMainWindow, and every child it deletes sends events here.
    if (event->type() == QEvent::Paint && ui.window && watched == ui.window->centralWidget()) {
        watched->removeEventFilter(this);
        // Once this frame is done: the count, then the icon (also the About panel's), whose
        // six sizes are drawn by the dome's own code.
        QMetaObject::invokeMethod(this, &AppDelegate::refresh, Qt::QueuedConnection);
        QMetaObject::invokeMethod(
            this, [this] { ui.window->setWindowIcon(domeIcon()); }, Qt::QueuedConnection);
    } else if (event->type() == QEvent::MouseButtonPress && ui.window && watched != ui.window->centralWidget()) {
        // A click leaves no focus frame, on the clicked control or any other: the focus
        // goes back to the casing, as a click on macOS leaves no control focused. Tab
        // shows the frame again.
        ui.window->centralWidget()->setFocus(Qt::MouseFocusReason);
    } else if (event->type() == QEvent::WindowActivate && watched == ui.window && newestShown > 0) {
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
    if (box(kSound)->checkState() == Qt::Checked)
        playSound();
    ui.status->setText(workingText);
    setTextColour(ui.status, Skin::onYellowSoft());
    ui.detail->setText(QString());
    const bool hadFocus = disableKeepingFocus(ui.dome);
    jobs->run(
        [guard = guard] {
            // What runs is listed in the same job, just before the kill: no wait of its own.
            const QStringList targets = targetsInForce(guard);
            const std::optional<QList<ProcessRow>> stopped = killListed(targets);
            return std::pair{stoppedTooltip(stopped, targets), takeSnapshot(guard)};
        },
        [this, hadFocus](const std::pair<QString, Snapshot> &done) {
            ui.dome->setEnabled(true);
            giveFocusBack(ui.dome, hadFocus);
            const auto shown = showSnapshot(done.second);
            if (!shown)
                return;
            if (shown->quiet())
                countTip->setFixedText(done.first);
            if (const auto line = detailAfterKill(*shown))
                ui.detail->setText(*line);
        });
}

void AppDelegate::blockPressed()
{
    const bool hadFocus = disableKeepingFocus(ui.blockButton);
    ui.blockStatus->setText(workingText);
    setTextColour(ui.blockStatus, Skin::onCasingSoft());
    ui.blockDetail->setText(QString());
    jobs->run(
        [guard = guard] {
            const GuardResult started = startGuard(guard);
            // Whatever runs now is stopped at once, guard or no guard.
            shell(killScriptFor(guard.platform, targetsInForce(guard)));
            return std::pair{started, takeSnapshot(guard)};
        },
        [this, hadFocus](const std::pair<GuardResult, Snapshot> &done) {
            showSnapshot(done.second);
            giveFocusBack(ui.blockButton, hadFocus);
            if (const auto line = detailAfterBlock(done.first))
                ui.blockDetail->setText(*line);
        });
}

void AppDelegate::unblockPressed()
{
    // The guard texts stay as they are until the guard has really stopped.
    const bool hadFocus = disableKeepingFocus(ui.unblockButton);
    jobs->run(
        [guard = guard] {
            return std::pair{stopGuard(guard), takeSnapshot(guard)};
        },
        [this, hadFocus](const std::pair<GuardResult, Snapshot> &done) {
            showSnapshot(done.second);
            giveFocusBack(ui.unblockButton, hadFocus);
            if (const auto line = detailAfterUnblock(done.first))
                ui.blockDetail->setText(*line);
        });
}

void AppDelegate::toggleSettings()
{
    drawerMotion->toggle();
}

void AppDelegate::setWindowFrame(const QRect &geometry)
{
    // The window is not resizable by the user: its fixed size moves with every frame.
    QWidget *casing = ui.window->centralWidget();
    casing->setFixedSize(casing->width(), casing->height() + geometry.height() - ui.window->height());
    ui.window->setFixedSize(geometry.size());
    ui.window->setGeometry(geometry);
}

void AppDelegate::settingsChanged(QCheckBox *box, const QString &key)
{
    // Only the clicked box: writing both would undo a change hushwellctl made to the other.
    // Stored, and followed by a loaded guard, off the main thread and in the order clicked.
    settingsQueue.add({key, box->checkState() == Qt::Checked});
}

void AppDelegate::storeSetting(const std::pair<QString, bool> &setting)
{
    jobs->run(
        [guard = guard, setting] {
            return std::pair{applyTargetPreferences({setting}, guard), takeSnapshot(guard)};
        },
        [this](const std::pair<PreferenceChange, Snapshot> &done) {
            showSnapshot(done.second); // the boxes show what is stored, whatever the click could do
            if (const auto line = detailAfterSettingsChange(done.first))
                ui.blockDetail->setText(*line);
            settingsQueue.finished();
        });
}

void AppDelegate::soundToggled()
{
    // Stored like a target box, off the main thread and in click order: a store may wait
    // for its file's lock. The sound answers the click at once.
    settingsChanged(box(kSound), kSound);
    if (box(kSound)->checkState() == Qt::Checked)
        playSound();
}
