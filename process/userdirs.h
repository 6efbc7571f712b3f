#pragma once

#include <QString>

// The user's folders, read from the environment at every call so that tests (and a
// changed environment) are always honoured. None of them has a trailing slash.
QString homeDir();
QString xdgConfigHome(); // $XDG_CONFIG_HOME, or ~/.config
QString xdgDataHome();   // $XDG_DATA_HOME, or ~/.local/share
