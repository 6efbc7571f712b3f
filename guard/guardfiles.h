#pragma once

#include "process/platform.h"
#include "process/userdirs.h"

#include <QList>
#include <QString>
#include <QStringList>

// The guard's files: the guard script, and what makes the service manager run it (a
// launchd property list on macOS, a service and a timer unit for systemd --user on Linux).

struct GuardFile {
    QString path;
    QString content;
};

// macOS: ~/Library/Application Support/Hushwell/guard.sh;
// Linux: $XDG_DATA_HOME/Hushwell/guard.sh.
QString guardScriptPath(Platform platform = nativePlatform(), const UserDirs &dirs = UserDirs::fromEnvironment());

// The file that makes the service manager start the guard. macOS:
// ~/Library/LaunchAgents/com.larkvane.hushwell.guard.plist; Linux: the timer unit in
// $XDG_CONFIG_HOME/systemd/user/.
QString guardPlistPath(Platform platform = nativePlatform(), const UserDirs &dirs = UserDirs::fromEnvironment());

// "#!/bin/sh", the kill passes in their guard form, "exit 0"; every line ends with a
// line feed.
QString guardScriptFor(Platform platform, const QStringList &targets);

QString guardPlistFor(const QString &scriptPath);
QString guardServiceUnitFor(const QString &scriptPath);
QString guardTimerUnit();

// Where the service manager's files lie (the property list; the service and timer units).
QStringList serviceManagerPaths(Platform platform, const UserDirs &dirs);

// The service manager's files for a platform, with their paths, naming the guard script
// at its place under `dirs`. Empty when that path cannot be named in them (it holds a
// control character).
QList<GuardFile> serviceManagerFiles(Platform platform, const UserDirs &dirs);

// Writes the script (mode 755), then the service manager's files, each atomically; the
// service manager's files come last because they are what starts the guard. A link in
// place of any of them (a mask, or one planted to redirect the write) is removed first. Stops at the first failure and returns
// false; an empty list of manager files is a failure before anything is written.
bool writeGuardFiles(const GuardFile &script, const QList<GuardFile> &managerFiles);
