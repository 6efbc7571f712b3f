#pragma once

#include "app/sound.h"
#include "skin/domebutton.h"
#include "skin/drawerview.h"

#include <QCheckBox>
#include <QLabel>
#include <QMainWindow>
#include <QObject>
#include <QPointer>
#include <QPushButton>

#include <memory>

class CasingView;

// The one controller: owns the window and the controls that later code updates, and
// answers every action. It coordinates; what the panels show comes from plain functions.
// Each control carries its property's name as its object name.
class AppDelegate : public QObject
{
    Q_OBJECT
public:
    AppDelegate();
    ~AppDelegate() override;

    QMainWindow *mainWindow() const { return window; }

public slots:
    void applicationDidFinishLaunching();
    void toggleSettings();
    void settingsChanged();
    void soundToggled();
    void refresh();
    void killPressed();
    void blockPressed();
    void unblockPressed();
    void showAbout();

private:
    void installMenu();
    void buildWindow();
    void fillCasing(CasingView *casing);
    void fillDrawer();
    void playSound();

    QPointer<QMainWindow> window;
    QPointer<DomeButton> dome;
    QPointer<QPushButton> blockButton;
    QPointer<QPushButton> unblockButton;
    QPointer<QCheckBox> soundCheckbox;
    QPointer<QPushButton> disclosure;
    QPointer<DrawerView> drawer;
    QPointer<QCheckBox> desktopServiceBox;
    QPointer<QCheckBox> coreSyncBox;
    QPointer<QLabel> status;
    QPointer<QLabel> detail;
    QPointer<QLabel> blockStatus;
    QPointer<QLabel> blockDetail;
    std::unique_ptr<Sound> sound;
    bool settingsOpen = false;
};
