#pragma once

// The worlds that need the guard or hushwellctl on top of support/world.h.
#include "support/world.h"

#include <QProcess>
#include <QString>
#include <QStringList>

// PrivateProcesses with a systemd --user manager of its own, in the namespaces isolate.sh
// makes, started afresh for each test; skips with the reason where none can run. The
// manager serves the folders given: units under their config folder, its socket under
// their runtime folder (the process's own, so that systemctl --user reaches it). The guard
// is stopped and the home emptied afterwards.
class ManagedHome : public PrivateProcesses
{
protected:
    void SetUp() override;
    void TearDown() override;
    bool startManager(const UserDirs &dirs = UserDirs::fromEnvironment()); // waits until it answers
    void stopManager();                                                    // ends it and every unit it runs, as a logout does
    QProcess manager;
};

// Runs one hushwellctl command in this process and keeps what it printed; compared whole,
// so that a check of one stream also holds the other to what it expects.
struct CtlResult {
    int status = 0;
    QString out, err;
    bool operator==(const CtlResult &) const = default;
};
inline void PrintTo(const CtlResult &result, std::ostream *os)
{
    *os << "exit " << result.status << ", out \"" << result.out.toStdString() << "\", err \"" << result.err.toStdString() << '"';
}
CtlResult ctl(const QStringList &args);

// `systemctl --user ARGUMENTS`, its error output dropped.
QString systemctl(const QString &arguments);
