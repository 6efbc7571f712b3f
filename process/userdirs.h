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

// True when the home folder exists and belongs to an account other than the one this
// process acts as: `sudo -E` keeps the invoking account's HOME, and whatever root wrote
// there would be root's, locking that account out of its own files. Nothing is written
// under such a home.
bool homeOfAnotherAccount(const UserDirs &dirs);
