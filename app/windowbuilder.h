#pragma once

#include "skin/domebutton.h"
#include "skin/drawerview.h"
#include "skin/titlebutton.h"

#include <QCheckBox>
#include <QHash>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QPushButton>
#include <QString>

#include <functional>

// What the window's controls do when used; each is the controller's.
struct WindowActions {
    std::function<void()> kill, block, unblock, refresh, toggleSettings, sound, about;
    std::function<void(const QString &key)> settingChanged; // a target group's box, by its key
};

// The controls that later code updates, as built. Each carries its property's name as its
// object name.
struct WindowParts {
    QPointer<QMainWindow> window;
    QPointer<DomeButton> dome;
    QPointer<QPushButton> blockButton;
    QPointer<QPushButton> unblockButton;
    QPointer<TitleButton> disclosure;
    QPointer<DrawerView> drawer;
    QPointer<QLabel> status;
    QPointer<QLabel> detail;
    QPointer<QLabel> blockStatus;
    QPointer<QLabel> blockDetail;
    QHash<QString, QPointer<QCheckBox>> boxes; // every preference's box, by its key
};

// Builds the window, its application menu and every control at the design's places, the
// drawer's boxes from the preference table, each control wired to `actions` for as long
// as `receiver` lives. The boxes' states and the panels' texts are the controller's to set.
WindowParts buildWindow(QObject *receiver, const WindowActions &actions);
