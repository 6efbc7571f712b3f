#pragma once

#include "process/platform.h"

#include <QString>

#include <sys/types.h>

// The shell texts that load, probe and remove the guard's job: launchctl on macOS,
// systemctl --user on Linux. Every command sends its errors to /dev/null; success is only
// ever judged by the probe.
struct GuardCommands {
    QString unload;       // ends any instance that is loaded, a run in progress included
    QString load;         // loads the job from the files just written
    QString probe;        // prints "yes" exactly when the job is loaded
    QString remove;       // unloads the job before its files are deleted
    QString afterRemove;  // run once the service manager's files are gone; may be empty
    QString reachable;    // prints "yes" when the service manager answers; empty: always does
    // launchd's bootout returns while a running job is still winding down, and a
    // bootstrap in that window fails: a start waits, bounded, until the probe fails
    // before it loads, and a stop waits so before it reports.
    bool unloadIsAsynchronous = false;
};

// userId goes into launchd's targets ("gui/501/…"); plistPath into its bootstrap.
GuardCommands guardCommands(Platform platform, uid_t userId, const QString &plistPath);
