#pragma once

#include "process/platform.h"

#include <QString>
#include <QStringList>

// The texts of the guard's files: the guard script, and what makes the service manager
// run it (a launchd property list on macOS, a service and a timer unit for systemd --user
// on Linux). Where they lie is the service manager's business (servicemanager.h).

struct GuardFile {
    QString path;
    QString content;
};

// "#!/bin/sh", the kill passes in their guard form, "exit 0"; every line ends with a
// line feed.
QString guardScriptFor(Platform platform, const QStringList &targets);

QString guardPlistFor(const QString &scriptPath);
QString guardServiceUnitFor(const QString &scriptPath);
QString guardTimerUnit();
// The script a service unit reads (its StandardInput=file: path, unescaped); empty when
// it reads none.
QString scriptReadBy(const QString &serviceUnit);
