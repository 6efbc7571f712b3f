#pragma once

#include "process/platform.h"
#include "process/userdirs.h"

#include <QString>
#include <QStringList>

// Boolean preferences in the user's standard store: on macOS the defaults domain
// com.larkvane.hushwell, elsewhere an INI file under the config folder. A key with no
// stored value reads as its registered default, and as false when it has neither. Every
// function takes the user's folders, the environment's unless a caller passes others.

// Sets the process-wide table of defaults to the three both programs use: sound off, both
// target groups on. Safe to call and read from any thread, and as often as wanted.
void registerDefaultPreferences();

bool wants(const QString &key, const UserDirs &dirs = UserDirs::fromEnvironment());
// False when the value could not be written (the store is a folder, a FIFO, a device or a
// link to one, or lies in a folder that cannot be written); the store is then as it was.
// Such a store is never opened: wants() answers the defaults.
bool storePreference(const QString &key, bool value, const UserDirs &dirs = UserDirs::fromEnvironment());

// Where the store lives, for messages and tests (a file path, or the macOS domain).
QString preferencesLocation(Platform platform = nativePlatform(), const UserDirs &dirs = UserDirs::fromEnvironment());

// The base patterns plus the optional groups the preferences switch on, in catalogue
// order, without the Finder-extension patterns.
QStringList activePatterns(const UserDirs &dirs = UserDirs::fromEnvironment());

// activePatterns followed by finderExtensionPatterns: what the scripts work on.
QStringList targetList(const UserDirs &dirs = UserDirs::fromEnvironment());
