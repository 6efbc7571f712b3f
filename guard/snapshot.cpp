#include "guard/snapshot.h"

#include "process/catalogue.h"
#include "process/preferences.h"
#include "process/scripts.h"
#include "process/shell.h"

#include <atomic>

namespace {

// Numbered when their reading begins, so that one read before another is never shown
// after it.
std::atomic<quint64> snapshotsBegun{0};

} // namespace

Snapshot takeSnapshot(const Guard &guard, bool bringGuardUpToDate)
{
    Snapshot snapshot;
    snapshot.sequence = ++snapshotsBegun;
    const UserDirs targets = targetPreferencesInForce(guard);
    snapshot.countOutput = shell(countCommandFor(guard.platform, targetList(targets)));
    snapshot.guard = bringGuardUpToDate ? readGuardBroughtUpToDate(guard) : readGuard(guard);
    snapshot.administratorsGuard = administratorsGuardInstalled(guard);
    snapshot.settingsReadable = !preferencesProblem(guard.preferences());
    for (const Preference &preference : preferenceTable)
        snapshot.preferences.insert(preference.key, wants(preference.key, preference.isTargetGroup() ? targets : guard.preferences()));
    return snapshot;
}
