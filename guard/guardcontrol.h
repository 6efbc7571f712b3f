#pragma once

#include "guard/guardfiles.h"
#include "guard/servicemanager.h"
#include "process/platform.h"
#include "process/userdirs.h"

#include <QList>
#include <QString>

#include <utility>

// Installs, probes and removes the guard with the native service manager. Each blocks
// until its commands have finished and judges the outcome only by a final probe. Starts,
// stops and the guard's follow-up of a settings change run one at a time per account,
// whichever program (the window, hushwellctl) asks: a lock file in the runtime folder, or
// in the config folder where there is none, serialises them, so that the probe, the files
// and the login entry always agree afterwards. The
// platform is the native one but for tests, which run the macOS sequence against a
// stand-in launchctl; the folders are the environment's unless a caller passes others.

// True when the guard's job is loaded (probe answers exactly "yes").
bool guardRunning(Platform platform = nativePlatform(), const UserDirs &dirs = UserDirs::fromEnvironment());

// Writes the guard files for the current target list and (re)loads the job. False when a
// file could not be written (then no service-manager command runs) or the job is not
// loaded afterwards.
bool startGuard(Platform platform = nativePlatform(), const UserDirs &dirs = UserDirs::fromEnvironment());

// Unloads the job and deletes the service manager's files; the script stays on disk.
// True when the job is no longer loaded; launchd's asynchronous bootout is waited for
// (at most 10 s) before that is judged.
bool stopGuard(Platform platform = nativePlatform(), const UserDirs &dirs = UserDirs::fromEnvironment());

// Writes the script (mode 755), then the service manager's files, each atomically; the
// service manager's files come last because they are what starts the guard. A link in
// place of any of them (a mask, or one planted to redirect the write) is removed first.
// Stops at the first failure and returns false; an empty list of manager files is a
// failure before anything is written.
bool writeGuardFiles(const GuardFile &script, const QList<GuardFile> &managerFiles);

// The guard for every account (needs root): its files written for the target list of the
// system's preferences (where they are silent, an account's defaults) and enabled for
// every user manager started from then on; or disabled and all its files removed.
// False when that failed, judged by the probe.
bool startGuardForAllUsers(Platform platform, const SystemFolders &system);
bool stopGuardForAllUsers(Platform platform, const SystemFolders &system);
bool guardRunsForAllUsers(Platform platform, const SystemFolders &system);
// True while an administrator's guard for every account is installed: an account's own
// start then refuses, since its unit would shadow the system's of the same name.
bool guardInstalledForAllUsers(Platform platform = nativePlatform());

// True when the service manager answers at all (systemd --user may not run for a su
// session, in a container or under WSL; launchd always does).
bool serviceManagerReachable(Platform platform = nativePlatform(), const UserDirs &dirs = UserDirs::fromEnvironment());

// What became of a change of the target preferences: whether every value was stored, and
// whether a loaded guard was started again with the new target list (true when the guard
// was not loaded, or nothing was stored for it to follow).
struct PreferenceChange {
    bool stored = true;
    bool guardFollowed = true;
};

// Stores target preferences (includeDesktopService, includeCoreSync) and, when something
// was stored and the guard is loaded, starts it again so that its script follows the new
// target list.
PreferenceChange applyTargetPreferences(const QList<std::pair<QString, bool>> &values, Platform platform = nativePlatform(),
                                        const UserDirs &dirs = UserDirs::fromEnvironment());
