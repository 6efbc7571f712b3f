#pragma once

#include <QList>
#include <QString>

#include <sys/types.h>

// The accounts logged in now, as root finds them for the guard for every account, and
// the one way root runs a command as one of them.

// An account with a user manager running now: its runtime folder's owner.
struct LoggedInAccount {
    uid_t uid = 0;
    gid_t gid = 0;
    QString name;
    QString home;
    QString runtime; // its folder under the runtime root, where its manager listens
};

// The folders under `runtimeRoot` (/run/user) that are a logged-in account's: a real
// folder (no link), named after the uid that owns it, of an existing account other than
// root's whose home folder exists, with a manager's socket inside. Anything else there
// (a link, a stray folder, a uid with no account) is passed over.
QList<LoggedInAccount> loggedInAccounts(const QString &runtimeRoot);

// What an account's part came to: whether it finished in time, and what it printed.
struct AccountAnswer {
    bool answered = false;
    QString output;
};

// Runs `commands` with /bin/sh -c as the account, lending it nothing of the caller's: its
// own uid, gid and supplementary groups, standard input from /dev/null, its output read
// through a pipe, error output discarded, no other descriptor, a session of its own (no
// controlling terminal), a clean environment (HOME, USER, LOGNAME, PATH, XDG_RUNTIME_DIR)
// and the root folder as its working folder. Whatever is left of it after `limitMs` is
// killed, its whole session with it, and the answer is not answered.
AccountAnswer runAsAccount(const LoggedInAccount &account, const QString &commands, int limitMs);
