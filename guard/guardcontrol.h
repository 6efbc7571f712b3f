#pragma once

#include "guard/guard.h"
#include "guard/guardfiles.h"
#include "guard/servicemanager.h"
#include "process/platform.h"
#include "process/userdirs.h"

#include <QList>
#include <QString>

#include <optional>
#include <utility>

// Installs, probes and removes a guard (see guard.h: the account's, or as root every
// account's). Every rule lives here, below the window and hushwellctl alike: no start or
// stop writes anything without a service manager that answers, under a home folder of
// another account (sudo -E), or for every account without root; starts, stops and the
// follow-up of a settings change run one at a time per guard (a lock file in a folder
// only its owner may write to); an account under an administrator's guard for every
// account writes no files of its own. Each operation blocks until its commands have
// finished and judges the outcome only by a final probe. Tests run the macOS sequence
// against a stand-in launchctl.

// What a start or a stop came to: whether the state asked for was reached, and a sentence
// to show with it (why it failed, or what else the user must know); empty: nothing more.
// A file that could not be written whole is named apart: the window keeps its one line for
// a failed start, hushwellctl names the file.
struct GuardResult {
    bool done = false;
    QString message = {};
    QString unwrittenFile = {};
    // The message names a file (a lock, a unit that stays): a path is too long for the
    // window's one line, which shows its failed line instead; hushwellctl prints it whole.
    bool messageNamesFile = false;
    explicit operator bool() const { return done; }
};

enum class GuardState { Off, On, Unknown }; // Unknown: no service manager answered

// What a look at the guard found: its state, and a sentence where the plain state line
// would not say enough (its files changed or removed, paused); empty: nothing more.
struct GuardReading {
    GuardState state = GuardState::Off;
    QString detail = {};
    bool paused = false;    // off in this account until its next login, under the administrator's guard
    bool outdated = false;  // the account's own guard, loaded from its files, runs another version's or list's texts
    bool refreshed = false; // it did, and was written anew for this version's list just now
};

// The account's guard is on only when the timer is loaded and active from this guard's own
// regular file, its service loaded from its own file with Hushwell's command and input, no
// drop-in replacing either, not failed, and the script a regular file with what this
// version writes for the preferences in force. A timer still running from files deleted
// behind the manager's back is on (it still kills), with a sentence saying so. The guard
// for every account is on when installed, its units exactly as written with nothing
// overriding them, and the script this version's for the system's list; else why not.
GuardReading readGuard(const Guard &guard = {});

// The reading, after the account's own guard, when loaded and out of date, was written
// anew for this version's list (the reading's `refreshed`). What the window does at
// launch and every hushwellctl command that reads the guard's state.
GuardReading readGuardBroughtUpToDate(const Guard &guard = {});

// How the manager's view of one unit is judged, from `systemctl --user show` lines.
struct UnitView {
    QString loadState, activeState, fragmentPath, dropInPaths, needDaemonReload, result, execStart, standardInput;
};
QList<UnitView> parseUnitViews(const QString &showOutput);

// Whether a guard's files (timer, service, script) are this version's for `targets`:
// Changed when one is missing or not a regular file, or the service reads another script;
// Outdated when all are there but a text differs.
enum class GuardFiles { Current, Outdated, Changed };
GuardFiles judgeGuardFiles(const QString &timerPath, const QString &servicePath, const QString &scriptPath, const QStringList &targets);

// The reading for what a systemd user manager shows of the timer and the service, given
// how the files it loaded them from are judged. Files: the judgement of the files at the
// paths the manager names (nothing when those are not the guard's own paths).
GuardReading judgeSystemdGuard(const UnitView &timer, const UnitView &service, std::optional<GuardFiles> files, bool underAdministrator);
bool guardRunning(const Guard &guard = {});

// Writes the guard files for the guard's target list and (re)loads the job; for every
// account, also at once in each logged-in account's manager. Under an administrator's
// guard for every account the account's start writes nothing and starts that guard in the
// account's own manager instead.
GuardResult startGuard(const Guard &guard = {});

// Unloads the job and deletes the service manager's files; the account's script stays on
// disk, every account's guard leaves nothing. launchd's asynchronous bootout is waited for
// (at most 10 s) before the probe judges. Under an administrator's guard the account's
// stop pauses that guard until the account's next login, and the message says so.
GuardResult stopGuard(const Guard &guard = {});

// Writes the script (mode 755), then the service manager's files; each is written whole
// beside its place, checked (every byte written, synced, read back) and only then renamed
// into place, so that a short write leaves the previous file. A link at a path is
// replaced, never written through. Stops at the first failure and returns the path that
// failed; an empty list of manager files fails before anything is written.
std::optional<QString> writeGuardFiles(const GuardFile &script, const QList<GuardFile> &managerFiles);

// The administrator's guard for every account is installed: a regular file (never a
// link, a FIFO or a folder) at its login entry, and on Linux enabled by its own link in
// timers.target.wants. Whatever the scope of `guard`, whose folders it looks in.
bool administratorsGuardInstalled(const Guard &guard = {});

// Where the target list in force is stored: the system's preferences under the
// administrator's guard for every account (what that guard kills), else the guard's own.
// The count, the list, the kill and the drawer's boxes read the targets from there.
UserDirs targetPreferencesInForce(const Guard &guard = {});
QStringList targetsInForce(const Guard &guard = {});

// True when the service manager answers at all (systemd --user may not run for a su
// session, in a container, a chroot or under WSL; launchd always does; root's global
// enable needs none).
bool serviceManagerReachable(const Guard &guard = {});

// What became of a change of the target preferences: whether every value was stored,
// whether a loaded guard follows the new target list, and a sentence to show (why not, or
// that the administrator's guard follows its own settings).
struct PreferenceChange {
    bool stored = true;
    QString notStoredBecause = {}; // a clause, as storeProblem gives it, when a value was not stored
    bool guardFollowed = true;
    QString message = {};
    QString unwrittenFile = {};    // as in GuardResult
    bool messageNamesFile = false; // as in GuardResult
};

// Stores preferences in the guard's own store (the system's for every account, as root)
// and, when a target key (includeDesktopService, includeCoreSync) was stored and that
// guard is loaded (for every account: installed), starts it again so that its script
// follows the new target list.
PreferenceChange applyTargetPreferences(const QList<std::pair<QString, bool>> &values, const Guard &guard = {});
