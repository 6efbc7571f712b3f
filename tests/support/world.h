#pragma once

// The worlds tests run in. Every test process gets one temporary folder for HOME, every
// XDG folder and XDG_RUNTIME_DIR, set before anything runs, so that no test can read or
// write the account's files or reach its session's service manager.
#include "process/preferences.h"
#include "process/userdirs.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QString>

#include <functional>

// A world with no stored preferences and the program's defaults registered.
class FreshPreferences : public ::testing::Test
{
protected:
    void SetUp() override { QFile::remove(preferencesLocation()), registerDefaultPreferences(); }
    void TearDown() override { QFile::remove(preferencesLocation()); }
};

// FreshPreferences in a process table of its own (tests/support/isolate.sh as root), so
// that counts are exact and kills reach nothing of the machine's. Skips otherwise.
class PrivateProcesses : public FreshPreferences
{
protected:
    void SetUp() override;
};

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
    void stopManager(); // ends it and every unit it runs, as a logout does
    QProcess manager;
};

// Runs the event loop until `condition` holds or `ms` pass; returns the condition.
bool waitUntil(const std::function<bool()> &condition, int ms = 10000);

// A file's text; empty when it cannot be read.
QString readFile(const QString &path);

// Puts a plain file where the folder `path` should be, so that no write below it can
// succeed, even as root. True when the file is in place.
bool blockFolder(const QString &path);

// The native kill script without the lines that would change the account (on macOS the
// launchctl, pluginkit and osascript lines; on Linux there are none).
QString killScriptSafeToRun();

// A stand-in for an Adobe background process: sleep started with a chosen argv[0], so that
// its full command line reads "<name> 300", optionally deaf to TERM, optionally run by
// another account (nobody; needs root). Killed when it goes.
class FakeTarget
{
public:
    enum Signals { Default, IgnoreTerm };
    enum Owner { Self, Nobody };
    explicit FakeTarget(const QString &commandName, Signals handling = Default, Owner owner = Self);
    ~FakeTarget() { process.kill(), process.waitForFinished(); }
    qint64 pid() const { return process.processId(); }
    bool alive() { return !diesWithin(0); }
    // True if it died within that time.
    bool diesWithin(double seconds) { return process.state() == QProcess::NotRunning || process.waitForFinished(int(seconds * 1000)); }

private:
    QProcess process;
};

// Runs one hushwellctl command in this process and keeps what it printed.
struct CtlResult {
    int status = 0;
    QString out, err;
};
CtlResult ctl(const QStringList &args);
