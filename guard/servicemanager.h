#pragma once

#include "guard/guard.h"
#include "guard/guardfiles.h"
#include "process/platform.h"
#include "process/userdirs.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <sys/types.h>
#include <unistd.h>

// The shell texts that load, probe and remove the guard's job: launchctl on macOS,
// systemctl --user on Linux. Every command sends its errors to /dev/null; success is only
// ever judged by the probe.
struct GuardCommands {
    QString unload = {};      // ends any instance that is loaded, a run in progress included
    QString load = {};        // loads the job from the files just written
    QString probe = {};       // prints "yes" exactly when the job is loaded
    QString inspect = {};     // systemd: what the manager shows of the timer and the service; empty elsewhere
    QString remove = {};      // unloads the job before its files are deleted
    QString afterRemove = {}; // run once the service manager's files are gone; may be empty
    QString reachable = {};   // prints "yes" when the service manager answers; empty: always does
    // systemd: the folders the manager reads user units from, one a line, when it has not
    // found the timer just written; nothing when it has. Empty elsewhere.
    QString unitsUnseen = {};
    // An account under an administrator's guard for every account starts that guard in its
    // own manager, or pauses it there until its next login; neither writes a file.
    QString resumeShared = {};
    QString pauseShared = {};
    // launchd's bootout returns while a running job is still winding down, and a
    // bootstrap in that window fails: a start waits, bounded, until the probe fails
    // before it loads, and a stop waits so before it reports.
    bool unloadIsAsynchronous = false;
    // The guard for every account on Linux: what each account logged in now has its own
    // manager run, as that account (never as root). The stop prints where that manager
    // loaded the timer from, and stops it only where that is the system's units folder:
    // an account's own guard of the same name goes on.
    QString loadInSessions = {};
    QString removeInSessions = {};
    QString afterRemoveInSessions = {};
};

// Everything the guard needs of the platform's per-user service manager (launchd, or
// systemd --user): where the script and the manager's files lie, what the files say, and
// the commands.
struct ServiceManager {
    QString scriptPath;
    QStringList oldScriptPaths; // where earlier versions put it: removed by every start and stop
    QString loginEntry;         // the file that makes the manager start the guard at each login
    QString enabledBy;          // systemd: the link that enables it for every login, removed with it; empty elsewhere
    QStringList filePaths;      // the manager's files, in the order they are written (loginEntry last)
    QList<GuardFile> files;     // the same with their texts; empty when scriptPath cannot be named in them
    QString sessions;           // where the accounts logged in now have their folders; empty: not visited
    GuardCommands commands;
};

// The service manager that runs `guard`: the account's own (launchd's GUI domain, or
// systemd --user with the account's folders), or for every account the same units and
// property list with system paths, which every user manager started afterwards (the next
// login) loads; on Linux its commands also reach every user manager running now, each as
// its own account through its own socket. Built from nothing but its arguments. userId
// goes into launchd's targets ("gui/501/…").
ServiceManager serviceManager(const Guard &guard, uid_t userId = ::getuid());

// The script: for the account, macOS ~/Library/Application Support/Hushwell/guard.sh and
// Linux $XDG_DATA_HOME/Hushwell/guard.sh.
QString guardScriptPath(const Guard &guard = {});
// The file that loads it at login: for the account, macOS
// ~/Library/LaunchAgents/com.larkvane.hushwell.guard.plist, Linux the timer unit in
// $XDG_CONFIG_HOME/systemd/user/.
QString guardPlistPath(const Guard &guard = {});
