#pragma once

#include "app/sound.h"
#include "guard/guardcontrol.h"
#include "process/killpanel.h"
#include "skin/domebutton.h"
#include "skin/drawerview.h"
#include "skin/titlebutton.h"

#include <QCheckBox>
#include <QString>
#include <QLabel>
#include <QMainWindow>
#include <QObject>
#include <QPointer>
#include <QPushButton>

#include <QElapsedTimer>
#include <QList>
#include <QPoint>

#include <functional>
#include <optional>
#include <memory>

class CasingView;
class HoverTip;

// What the window shows, as read from the system (count, guard probe, the three stored
// preferences) off the main thread.
struct Snapshot {
    quint64 sequence{}; // in the order the readings began
    QString countOutput;
    GuardReading guard{};
    bool guardForAllUsers{}; // an administrator's guard for every account is installed
    bool settingsReadable{}; // false: the store cannot be read, and the defaults apply
    bool sound{};
    bool desktopService{};
    bool coreSync{};
};
// `bringGuardUpToDate`: an own guard running another version's list is written anew
// first, as at launch.
Snapshot takeSnapshot(bool bringGuardUpToDate = false);
class QVariantAnimation;

// The one controller: owns the window and the controls that later code updates, and
// answers every action. It coordinates; what the panels show comes from plain functions.
// Each control carries its property's name as its object name.
class AppDelegate : public QObject
{
    Q_OBJECT
public:
    using SoundLoader = std::function<std::unique_ptr<SoundPlayer>()>;
    // The sound is loaded at launch by `loadSound`: the one installed beside the program,
    // unless a caller gives another.
    explicit AppDelegate(SoundLoader loadSound = loadInstalledSound);
    ~AppDelegate() override;

    QMainWindow *mainWindow() const { return window; }

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

protected:
    // The window reads the system again whenever it is activated once more.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Puts a snapshot on screen unless a later one is there already; returns what the kill
    // panel then shows, or nothing when it was not shown.
    std::optional<KillPanel> showSnapshot(const Snapshot &snapshot);
    void storeNextSetting();
    // Disables a control pressed for a long action; true when it held the keyboard focus,
    // which then waits on the casing until giveFocusBack.
    bool disableKeepingFocus(QWidget *control);
    void giveFocusBack(QWidget *control, bool hadFocus);
    void installMenu();
    void buildWindow();
    void fillCasing(CasingView *casing);
    void fillDrawer();
    void playSound();
    void setWindowFrame(const QRect &geometry);
    void drawerMoved();

    QPointer<QMainWindow> window;
    QPointer<DomeButton> dome;
    QPointer<QPushButton> blockButton;
    QPointer<QPushButton> unblockButton;
    QPointer<QCheckBox> soundCheckbox;
    QPointer<TitleButton> disclosure;
    QPointer<DrawerView> drawer;
    QPointer<QCheckBox> desktopServiceBox;
    QPointer<QCheckBox> coreSyncBox;
    QPointer<QLabel> status;
    QPointer<QLabel> detail;
    QPointer<QLabel> blockStatus;
    QPointer<QLabel> blockDetail;
    SoundLoader loadSound;
    std::unique_ptr<SoundPlayer> sound;
    bool settingsOpen = false;
    int raisedForDrawer = 0; // how far opening the drawer moved the window up, to undo on closing
    QVariantAnimation *drawerAnimation = nullptr;
    bool drawerToggleWaiting = false;
    bool refreshing = false;
    bool refreshAgain = false;
    quint64 newestShown = 0;
    QList<std::pair<QString, bool>> settingsWaiting; // clicked target boxes, the first being stored
    HoverTip *countTip = nullptr; // what matches, or what the last kill stopped until something runs again
    HoverTip *guardTip = nullptr; // what the guard stopped, while it is on
};

// Returns `status`, for main to return once the controller is gone; on Wayland it ends the
// process with it instead. Qt 6.4's Wayland client can hang for good while it takes its
// display connection down at exit (its event thread stays in wl_display_read_events,
// measured once in about fifteen test runs on a loaded machine), and everything is saved by
// then.
int leaveApplication(int status);
