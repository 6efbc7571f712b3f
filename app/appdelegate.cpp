#include "app/appdelegate.h"

#include "app/presentation.h"
#include "app/sound.h"
#include "guard/guardcontrol.h"
#include "guard/guardpanel.h"
#include "process/catalogue.h"
#include "process/killpanel.h"
#include "process/preferences.h"
#include "process/processlist.h"
#include "process/scripts.h"
#include "process/shell.h"
#include "skin/domebutton.h"
#include "skin/drawerview.h"
#include "skin/factories.h"
#include "skin/skin.h"

#include <QApplication>
#include <QVariantAnimation>

#include <utility>
#include <QCheckBox>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QScreen>
#include <QHelpEvent>
#include <QThreadPool>
#include <QToolTip>

namespace {

// Slow work goes to the global pool; its one result comes back to the controller on the
// main thread, in a single queued call.
template<typename Work, typename Done>
void inBackground(QObject *controller, Work work, Done done)
{
    QThreadPool::globalInstance()->start([controller, work, done] {
        const bool result = work();
        QMetaObject::invokeMethod(controller, [done, result] { done(result); }, Qt::QueuedConnection);
    });
}

} // namespace

AppDelegate::AppDelegate(SoundLoader loadSound) : loadSound(std::move(loadSound)) {}
AppDelegate::~AppDelegate()
{
    // A kill or guard job still running (the user quit mid-action) posts its completion to
    // this object: wait for it, so that the post reaches a live controller and is then
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
    sound = loadSound();
    buildWindow();
    window->show();
    window->raise();
    window->activateWindow();
    refresh();
}

void AppDelegate::refresh()
{
    refreshPanels();
}

KillPanel AppDelegate::refreshPanels()
{
    const KillPanel kill = killPanelFor(shell(countCommand()));
    status->setText(kill.status);
    setTextColour(status, statusColour(kill.live));
    detail->setText(kill.detail);
    dome->setLive(kill.live);
    dome->update();

    const GuardPanel guard = guardPanelFor(guardRunning());
    blockStatus->setText(guard.status);
    setTextColour(blockStatus, guardColour(guard.on));
    blockDetail->setText(guard.detail);
    blockButton->setEnabled(guard.startEnabled);
    unblockButton->setEnabled(guard.stopEnabled);
    showStoredPreferences();
    return kill;
}

void AppDelegate::showStoredPreferences()
{
    // What is stored, which hushwellctl may have changed meanwhile, or a click could not.
    for (const auto &[box, key] : {std::pair{soundCheckbox, kSound}, {desktopServiceBox, kDesktopService}, {coreSyncBox, kCoreSync}})
        box->setCheckState(wants(key) ? Qt::Checked : Qt::Unchecked);
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
    if (event->type() != QEvent::ToolTip || watched != detail)
        return QObject::eventFilter(watched, event);
    const QString tip = processListTooltip(parseProcessList(shell(listCommand())), targetList());
    QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), tip, detail);
    return true;
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
    if (wants(kSound))
        playSound();
    status->setText(workingText);
    setTextColour(status, Skin::onYellowSoft());
    detail->setText(QString());
    const bool hadFocus = disableKeepingFocus(dome);
    inBackground(
        this,
        [] {
            shell(killCommand());
            return true;
        },
        [this, hadFocus](bool) {
            dome->setEnabled(true);
            giveFocusBack(dome, hadFocus);
            if (const auto line = detailAfterKill(refreshPanels()))
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
            const bool started = startGuard();
            // Whatever runs now is stopped at once, guard or no guard.
            shell(killCommand());
            return started;
        },
        [this, hadFocus](bool started) {
            refresh();
            giveFocusBack(blockButton, hadFocus);
            if (const auto line = detailAfterBlock(started))
                blockDetail->setText(*line);
        });
}

void AppDelegate::unblockPressed()
{
    // The guard texts stay as they are until the guard has really stopped.
    const bool hadFocus = disableKeepingFocus(unblockButton);
    inBackground(this, [] { return stopGuard(); },
                 [this, hadFocus](bool stopped) {
                     refresh();
                     giveFocusBack(unblockButton, hadFocus);
                     if (const auto line = detailAfterUnblock(stopped))
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
    const PreferenceChange change = applyTargetPreferences({{key, box->checkState() == Qt::Checked}});
    refresh(); // the boxes show what is stored, whatever the click could do
    if (const auto line = detailAfterSettingsChange(change))
        blockDetail->setText(*line);
}

void AppDelegate::soundToggled()
{
    const bool on = soundCheckbox->checkState() == Qt::Checked;
    if (!storePreference(kSound, on)) {
        showStoredPreferences();
        return;
    }
    if (on)
        playSound();
}
