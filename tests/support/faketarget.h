#pragma once

#include <QString>

#include <sys/types.h>

// A stand-in for an Adobe background process: /bin/sleep started with a chosen argv[0],
// so that its full command line reads "<name> 300". It is killed and reaped when the
// object goes away.
class FakeTarget
{
public:
    enum Signals { Default, IgnoreTerm };
    explicit FakeTarget(const QString &commandName, Signals handling = Default);
    ~FakeTarget();
    FakeTarget(const FakeTarget &) = delete;
    FakeTarget &operator=(const FakeTarget &) = delete;

    pid_t pid() const { return processId; }
    // True while the process exists; reaps it once it has died.
    bool alive();
    // Waits up to `seconds` for the process to die; true if it did.
    bool diesWithin(double seconds);

private:
    pid_t processId = -1;
    bool reaped = false;
};
