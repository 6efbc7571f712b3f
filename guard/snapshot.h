#pragma once

#include "guard/guard.h"
#include "guard/guardcontrol.h"

#include <QHash>
#include <QString>

// What the window shows and `hushwellctl status --json` prints, as read from the system in
// one go: the count of the targets in force, the guard's reading, and the preferences in
// force. Read off the main thread; a plain value.
struct Snapshot {
    quint64 sequence = 0; // in the order the readings began
    QString countOutput;
    GuardReading guard = {};
    bool administratorsGuard = false; // an administrator's guard for every account is installed
    bool settingsReadable = true;     // false: the store cannot be read, and the defaults apply
    QHash<QString, bool> preferences; // every key of the preference table: the value in force
};

// `bringGuardUpToDate`: an own guard running another version's list is written anew
// first, as at launch.
Snapshot takeSnapshot(const Guard &guard, bool bringGuardUpToDate = false);
