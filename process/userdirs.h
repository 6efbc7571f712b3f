#pragma once

#include <QProcessEnvironment>
#include <QString>

// The user's folders that Hushwell reads and writes under. Built from the environment by
// default; tests and callers that want another account's layout pass their own. None has
// a trailing slash.
struct UserDirs {
    QString home;
    QString config;  // $XDG_CONFIG_HOME, or ~/.config
    QString data;    // $XDG_DATA_HOME, or ~/.local/share
    QString runtime; // $XDG_RUNTIME_DIR, or empty (where systemd --user listens)

    static UserDirs fromEnvironment(const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment());
    // The XDG layout under one home folder, as a fresh account has it.
    static UserDirs underHome(const QString &home, const QString &runtime = {});
};

// True when any folder a write can land in (the home, the config and data folders, the
// runtime folder) belongs to an account other than the one this process acts as: `sudo
// -E`, or sudo keeping a session's XDG_CONFIG_HOME, leaves the invoking account's folders,
// and whatever root wrote there would be root's, locking that account out of its own
// files. A folder not made yet counts as its nearest existing parent's, root's excepted.
// Nothing is written under such folders.
bool homeOfAnotherAccount(const UserDirs &dirs);
