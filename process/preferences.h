#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

// Boolean preferences in the user's standard store: on macOS the defaults domain
// com.larkvane.hushwell, elsewhere an INI file under $XDG_CONFIG_HOME. A key with no
// stored value reads as its registered default, and as false when it has neither.

// Adds to the process-wide table of defaults; safe to call and read from any thread.
void registerDefaults(const QHash<QString, bool> &defaults);

// The three defaults both programs register at start: sound off, both target groups on.
void registerDefaultPreferences();

bool wants(const QString &key);
// False when the value could not be written (the store is a folder, or lies in one that
// cannot be written); the store is then as it was.
bool storePreference(const QString &key, bool value);

// Where the store lives, for messages and tests (a file path, or the macOS domain).
QString preferencesLocation();

// The base patterns plus the optional groups the preferences switch on, in catalogue
// order, without the Finder-extension patterns.
QStringList activePatterns();

// activePatterns followed by finderExtensionPatterns: what the scripts work on.
QStringList targetList();
