#pragma once

#include "process/platform.h"
#include "process/userdirs.h"

#include <QList>
#include <QString>

#include <utility>

// Installs, probes and removes the guard with the native service manager. Each blocks
// until its commands have finished and judges the outcome only by a final probe. The
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

// Stores changed target preferences (includeDesktopService, includeCoreSync) and, only
// when the guard is loaded, starts it again so that its script follows the new target
// list. False when a value could not be stored; the guard is restarted all the same.
bool applyTargetPreferences(const QList<std::pair<QString, bool>> &values);
