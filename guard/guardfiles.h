#pragma once

#include "process/platform.h"

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
QString guardScriptPath(Platform platform = nativePlatform());

// The file that makes the service manager start the guard. macOS:
// ~/Library/LaunchAgents/com.larkvane.hushwell.guard.plist; Linux: the timer unit in
// $XDG_CONFIG_HOME/systemd/user/.
QString guardPlistPath(Platform platform = nativePlatform());

// "#!/bin/sh", the extension lines, the two kill passes, "exit 0"; every line ends with
// a line feed.
QString guardScriptFor(Platform platform, const QStringList &targets);

QString guardPlistFor(const QString &scriptPath);
QString guardServiceUnitFor(const QString &scriptPath);
QString guardTimerUnit();

// The service manager's files for a platform, with their paths.
QList<GuardFile> serviceManagerFiles(Platform platform, const QString &scriptPath);

// Writes the script (mode 755), then the service manager's files, each atomically; the
// service manager's files come last because they are what starts the guard. Stops at the
// first failure and returns false.
bool writeGuardFiles(const GuardFile &script, const QList<GuardFile> &managerFiles);
