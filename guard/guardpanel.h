#pragma once

#include <QString>

enum class GuardState;

// What the guard panel shows for a probe answer: the state line, the detail line, and
// which of "Start Guard" and "Stop Guard" is enabled (exactly one while the state is
// known; neither when no service manager answered, where either would fail).
struct GuardPanel {
    bool on;
    QString status;
    QString detail;
    bool startEnabled;
    bool stopEnabled;
};

struct GuardReading;

GuardPanel guardPanelFor(bool guardIsRunning);
GuardPanel guardPanelFor(GuardState state);
// The state's panel, its detail line replaced by the reading's sentence where it has one.
GuardPanel guardPanelFor(const GuardReading &reading);

// The lines that report a failed start or stop, in the window and in hushwellctl.
inline const QString guardStartFailedText = QStringLiteral("Couldn't start the guard.");
inline const QString guardStopFailedText = QStringLiteral("Couldn't stop the guard.");

// Why nothing was asked of the service manager, or written for it.
inline const QString guardNoManagerText = QStringLiteral("No systemd user manager is running for this account.");
inline const QString guardLockBusyText = QStringLiteral("Another start or stop is still under way; nothing was changed.");
inline const QString guardNeedsRootText = QStringLiteral("--all-users changes every account: run it as root.");
inline const QString homeOfAnotherAccountText = QStringLiteral("This home folder is another account's; nothing was written.");
QString guardWriteFailedText(const QString &path);
QString guardLockFailedText(const QString &path);
// A start whose units the account's manager does not read: where they were written, and
// where it reads them.
QString guardUnitsUnseenText(const QString &written, const QString &managerReads);

// An account under the guard an administrator installed for every account.
inline const QString guardForAllUsersText =
    QStringLiteral("An administrator installed the guard for every account: Stop Guard pauses it until your next login.");
inline const QString guardPausedText = QStringLiteral("Paused until your next login.");
inline const QString targetsSetByAdministratorText =
    QStringLiteral("An administrator sets these for every account, with the guard for every account.");
inline const QString guardFollowsAdministratorText = QStringLiteral("Saved; the guard follows the administrator's settings.");

// What a look at the guard found beyond on and off.
inline const QString guardFilesChangedText = QStringLiteral("The guard's files were changed; Start Guard writes them anew.");
inline const QString guardFilesRemovedText = QStringLiteral("Its files were removed; Stop Guard ends it.");
inline const QString guardRunFailedText = QStringLiteral("The guard's last run failed; Start Guard starts it again.");
inline const QString guardOutdatedText = QStringLiteral("It runs an older list; Start Guard brings it up to date.");
inline const QString guardAdministratorOutdatedText = QStringLiteral("The administrator's guard runs an older list.");
inline const QString guardRefreshedText = QStringLiteral("The guard now uses this version's list.");

// The guard for every account, as root reaches the accounts logged in now.
QString sessionSilentText(const QString &account, bool starting);
QString ownGuardKeptText(const QString &account);
QString guardNotRemovedText(const QString &path);
