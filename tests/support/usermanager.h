#pragma once

#include <QString>
#include <QTemporaryDir>

#include <sys/types.h>

// A real, isolated systemd --user manager for the guard's tests. It needs the private
// mount namespace that private-systemd.sh sets up; unavailableReason() says why not.
// It uses the test's temporary HOME, so its units live there.
class UserManager
{
public:
    UserManager();
    ~UserManager();
    UserManager(const UserManager &) = delete;
    UserManager &operator=(const UserManager &) = delete;

    static QString unavailableReason();

    bool start();   // starts it and waits until systemctl --user can reach it
    void stop();    // ends it and every unit it runs, as a logout does
    bool restart(); // stop, then start: a new login

private:
    QTemporaryDir runtimeDir;
    pid_t pid = -1;
};
