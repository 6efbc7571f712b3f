#pragma once

#include "app/inorder.h"
#include "app/sound.h"
#include "app/windowbuilder.h"
#include "guard/guard.h"
#include "guard/snapshot.h"
#include "process/killpanel.h"

#include <QCheckBox>
#include <QList>
#include <QMainWindow>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

class DrawerMotion;
class HoverTip;
class JobPool;

// The one controller: owns the window and the controls that later code updates, and
// answers every action. It coordinates; what the panels show comes from plain functions,
// the system's state from a snapshot, the drawer's move and the hover lists from classes
// of their own, and its slow work runs on a pool of its own.
class AppDelegate : public QObject
{
    Q_OBJECT
public:
    using SoundLoader = std::function<std::unique_ptr<SoundPlayer>()>;
    // The sound is loaded at launch by `loadSound`: the one installed beside the program,
    // unless a caller gives another.
    explicit AppDelegate(SoundLoader loadSound = loadInstalledSound);
    ~AppDelegate() override;

    QMainWindow *mainWindow() const { return ui.window; }
    // A job of the window's runs or waits to be shown, or the drawer moves; `idle` follows.
    bool busy() const;
    bool settingsOpen() const;

public slots:
    void applicationDidFinishLaunching();
    void toggleSettings();
    // Stores the one box the user clicked, and has a loaded guard follow a target box.
    void settingsChanged(QCheckBox *box, const QString &key);
    void soundToggled();
    void refresh();
    void killPressed();
    void blockPressed();
    void unblockPressed();
    void showAbout();

signals:
    void idle();

protected:
    // The window reads the system again whenever it is activated once more.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Puts a snapshot on screen unless a later one is there already; returns what the kill
    // panel then shows, or nothing when it was not shown.
    std::optional<KillPanel> showSnapshot(const Snapshot &snapshot);
    void storeSetting(const std::pair<QString, bool> &setting);
    // Disables a control pressed for a long action; true when it held the keyboard focus,
    // which then waits on the casing until giveFocusBack.
    bool disableKeepingFocus(QWidget *control);
    void giveFocusBack(QWidget *control, bool hadFocus);
    void playSound();
    void setWindowFrame(const QRect &geometry);
    void becameIdleMaybe();
    QCheckBox *box(const QString &key) const { return ui.boxes.value(key); }

    const Guard guard; // the account's: the window never acts for every account
    WindowParts ui;
    SoundLoader loadSound;
    std::unique_ptr<SoundPlayer> sound;
    JobPool *jobs;
    DrawerMotion *drawerMotion = nullptr;
    bool refreshing = false;
    bool refreshAgain = false;
    quint64 newestShown = 0;
    InOrder<std::pair<QString, bool>> settingsQueue; // clicked boxes, stored one at a time
    HoverTip *countTip = nullptr;                    // what matches, or what the last kill stopped until something runs again
    HoverTip *guardTip = nullptr;                    // what the guard stopped, while it is on
};

// Returns `status`, for main to return once the controller is gone; on Wayland it ends the
// process with it instead. Qt 6.4's Wayland client can hang for good while it takes its
// display connection down at exit (its event thread stays in wl_display_read_events,
// measured once in about fifteen test runs on a loaded machine), and everything is saved by
// then.
int leaveApplication(int status);
