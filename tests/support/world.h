#pragma once

// The worlds tests run in. Every test process gets one temporary folder for HOME, every
// XDG folder and XDG_RUNTIME_DIR, set before anything runs (main.cpp), so that no test can
// read or write the account's files or reach its session's service manager.
#include "process/preferences.h"
#include "process/userdirs.h"

#include <QProcess>
#include <QString>
#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>

// Failing comparisons of Qt strings print the text, not its bytes.
inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

// Skips for want of isolation, with the reason; a failure instead where the run demands
// isolation (HUSHWELL_REQUIRE_ISOLATION=1, as CI sets it): a green run must have run what
// matters. Called last in a fixture's SetUp, which then ends.
void skipOrFailForIsolation(const std::string &why);

// Stores `value` as text, as a person would by hand; the keys stored, by whoever.
void storeByHand(const QString &key, const QString &value);
QStringList storedByHand();

// A world with no stored preferences and the program's defaults registered, unless the
// world's own code is what must register them (registersDefaults false).
class FreshPreferences : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;
    bool registersDefaults = true;
};

// FreshPreferences in a process table of its own (support/isolate.sh as root), so that
// counts are exact and kills reach nothing of the machine's. Skips otherwise.
class PrivateProcesses : public FreshPreferences
{
protected:
    void SetUp() override;
};

// Runs the event loop until `condition` holds or `ms` pass; returns the condition.
bool waitUntil(const std::function<bool()> &condition, int ms = 10000);

// Rich text (a tooltip) as a person reads it: each break a space, each row a line, no
// tags, entities decoded.
QString asRead(QString markup);

// A file's text; empty when it cannot be read.
QString readFile(const QString &path);
// Writes `bytes` to a new file at `path` (what was there goes first); true when all were written.
bool writeFile(const QString &path, const QByteArray &bytes);

// Adds a drop-in to the unit file at `unit` holding `text`; returns the drop-in's path,
// empty when it could not be written.
QString dropIn(const QString &unit, const QByteArray &text);

// Puts a plain file where the folder `path` should be, so that no write below it can
// succeed, even as root. True when the file is in place.
bool blockFolder(const QString &path);

// PATH with `folder` in front of it (or, `alone`, nothing else) for as long as it lives.
class PathWith
{
public:
    explicit PathWith(const QString &folder, bool alone = false);
    ~PathWith();
    PathWith(const PathWith &) = delete;
    PathWith &operator=(const PathWith &) = delete;

private:
    QByteArray saved;
};

// A stand-in for a command: an executable shell script `folder/name` running `body`.
bool standIn(const QString &folder, const QString &name, const QByteArray &body);

// A stand-in for an Adobe background process: sleep started with a chosen argv[0], so that
// its full command line reads "<name> 300", optionally deaf to TERM, optionally run by
// another account (nobody; needs root). Killed when it goes.
class FakeTarget
{
public:
    enum Signals { Default, IgnoreTerm };
    enum Owner { Self, Nobody };
    explicit FakeTarget(const QString &commandName, Signals handling = Default, Owner owner = Self);
    // A program with real arguments: argv[0] is the first, each other one its own field of
    // the command line (a Perl that sleeps, started under that name).
    explicit FakeTarget(const QStringList &argv);
    ~FakeTarget();
    qint64 pid() const { return process.processId(); }
    std::string name() const { return described.toStdString(); } // its command line, for a failure's message
    bool alive() { return !diesWithin(0); }
    // True if it died within that time.
    bool diesWithin(double seconds);

private:
    void startedAs(const QByteArray &commandLine); // waits until its cmdline starts so
    QProcess process;
    QString described;
};
