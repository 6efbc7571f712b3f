#pragma once

#include "process/platform.h"
#include "process/userdirs.h"

#include <QString>
#include <QStringList>

#include <optional>

// Boolean preferences in the user's standard store: on macOS the defaults domain
// com.larkvane.hushwell, elsewhere an INI file under the config folder. A key with no
// stored value reads as its registered default, and as false when it has neither. Every
// function takes the user's folders, the environment's unless a caller passes others.

// Sets the process-wide table of defaults to the preference table's (sound off, both
// target groups on). Safe to call and read from any thread, and as often as wanted.
void registerDefaultPreferences();

bool wants(const QString &key, const UserDirs &dirs = UserDirs::fromEnvironment());

// What the store says of one key. Stored text reads as a boolean in the usual spellings
// (true/false, 1/0, yes/no, on/off, in any case); anything else is ignored, and the
// default applies.
struct PreferenceReading {
    bool value = false;          // what applies
    bool stored = false;         // the store holds something for the key
    bool storedIsBoolean = true; // false: what it holds means neither true nor false
    QString storedText;
};
PreferenceReading readPreference(const QString &key, const UserDirs &dirs = UserDirs::fromEnvironment());

// Why the store can be neither read nor written, as a clause for "couldn't store KEY in
// FILE: …" (it is no regular file, it holds lines that are no settings, it lies in another
// account's home); nothing when it can. Such a store is never opened for writing: wants()
// answers the defaults, and the file stays byte for byte as it was.
std::optional<QString> preferencesProblem(const UserDirs &dirs = UserDirs::fromEnvironment());

// Stores one value; on Linux every other line of the file stays byte for byte, or nothing
// is written. Why not, as a clause for "couldn't store KEY in FILE: …" (empty where no
// more is known, a folder that cannot be written); nothing when it was stored. Waits at
// most a few seconds for the file's lock. The store is as it was after a failure.
std::optional<QString> storeProblem(const QString &key, bool value, const UserDirs &dirs = UserDirs::fromEnvironment());

// Where the store lives, for messages and tests (a file path, or the macOS domain).
QString preferencesLocation(Platform platform = nativePlatform(), const UserDirs &dirs = UserDirs::fromEnvironment());

// The base patterns plus the optional groups the preferences switch on, in catalogue
// order, without the Finder-extension patterns.
QStringList activePatterns(const UserDirs &dirs = UserDirs::fromEnvironment());

// activePatterns followed by finderExtensionPatterns: what the scripts work on.
QStringList targetList(const UserDirs &dirs = UserDirs::fromEnvironment());
