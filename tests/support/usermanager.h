#pragma once

#include "guard/guardcontrol.h"
#include "process/userdirs.h"
#include "support/world.h"

#include <QProcess>

// A real systemd --user manager for the guard's tests, in the private namespaces that
// isolate.sh sets up. It serves the given folders: units under their config folder, its
// socket under their runtime folder (the process's own, so systemctl --user reaches it).
class UserManager
{
public:
    explicit UserManager(const UserDirs &dirs = UserDirs::fromEnvironment());
    ~UserManager();
    UserManager(const UserManager &) = delete;
    UserManager &operator=(const UserManager &) = delete;

    // Why no manager can run here; empty when one can.
    static QString unavailableReason();

    bool start();   // starts it and waits until systemctl --user reaches it
    void stop();    // ends it and every unit it runs, as a logout does
    bool restart(); // stop, then start: a new login

private:
    UserDirs dirs;
    QProcess process;
};

// A world with its own manager, started afresh for each test; skips with the reason where
// none can run. The guard is stopped and the home emptied afterwards.
class ManagedHome : public PrivateProcesses
{
protected:
    void SetUp() override;
    void TearDown() override;
    UserManager manager;
};
