#pragma once

// The worlds tests run in. Every test process gets one temporary folder for HOME, every
// XDG folder and XDG_RUNTIME_DIR, set before anything runs, so that no test can read or
// write the account's files or reach its session's service manager.
#include "process/userdirs.h"

#include <gtest/gtest.h>

#include <QString>

#include <functional>

// A world with no stored preferences and the program's defaults registered.
class FreshPreferences : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;
};

// FreshPreferences in a process table of its own (tests/support/isolate.sh as root), so
// that counts are exact and kills reach nothing of the machine's. Skips otherwise.
class PrivateProcesses : public FreshPreferences
{
protected:
    void SetUp() override;
};

// Why processes of this test are not alone in their table; empty when they are.
QString notIsolatedReason();

// Runs the event loop until `condition` holds or `ms` pass; returns the condition.
bool waitUntil(const std::function<bool()> &condition, int ms = 10000);

// Puts a plain file where the folder `path` should be, so that no write below it can
// succeed, even as root. True when the file is in place.
bool blockFolder(const QString &path);

// The native kill script without the lines that would change the account (on macOS the
// launchctl, pluginkit and osascript lines; on Linux there are none).
QString killScriptSafeToRun();
