#pragma once

#include "process/platform.h"
#include "process/userdirs.h"

#include <QString>

// Whose guard: the account's own, loaded by its own service manager from its own folders,
// or the one an administrator installs as root for every account.
enum class GuardScope { Account, EveryAccount };

// Where a guard for every account lives on Linux: units where systemd finds user units
// for everyone, preferences in the system's XDG config folder, the script among the state
// programs write (the FHS's /var/lib, writable on image-based systems too).
struct SystemFolders {
    QString units = QStringLiteral("/etc/systemd/user");
    QString config = QStringLiteral("/etc/xdg");
    QString data = QStringLiteral("/usr/local/share"); // the program's prefix: where earlier versions put the script
    QString runtime = QStringLiteral("/run/user");     // one folder per logged-in account, its manager's socket inside
    QString state = QStringLiteral("/var/lib");
    // Root's lock for a start, stop or settings follow-up of the guard for every account: a
    // folder only root may write to (not /run/lock, which everyone may), locked itself.
    QString lock = QStringLiteral("/run");

    // The prefix of a program installed in PREFIX/bin (the package's /usr); /usr/local
    // for one run from anywhere else.
    static SystemFolders forProgramIn(const QString &programDir);
    // As the system preferences' reader sees them: the same folders as an account's.
    UserDirs asUserDirs() const;
};

// The lock an account's start, stop or settings follow-up holds, in the runtime folder when
// only the account owns it, else in its config folder's hushwell/.
inline const QString guardLockName = QStringLiteral("hushwell-guard.lock");

// One guard: its scope, the platform whose service manager runs it, and every folder it
// reads or writes, the account's and the system's (the environment's and the real ones
// unless a caller passes others). Every operation on the guard takes one; both front ends
// build theirs once.
struct Guard {
    GuardScope scope = GuardScope::Account;
    Platform platform = nativePlatform();
    UserDirs dirs = UserDirs::fromEnvironment();
    SystemFolders system = {};

    // The same platform and folders, the other scope: the account's guard asks whether the
    // administrator's is installed, and the administrator's reaches each account.
    Guard withScope(GuardScope other) const
    {
        Guard guard = *this;
        guard.scope = other;
        return guard;
    }
    // Where this guard's own preferences are stored: the account's, or the system's.
    UserDirs preferences() const;
};
