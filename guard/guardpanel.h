#pragma once

#include <QString>

// What the guard panel shows for a probe answer: the state line, the detail line, and
// which of "Start Guard" and "Stop Guard" is enabled (always exactly one).
struct GuardPanel {
    bool on = false;
    QString status;
    QString detail;
    bool startEnabled = true;
    bool stopEnabled = false;
};

GuardPanel guardPanelFor(bool guardIsRunning);

// The lines that report a failed start or stop, in the window and in hushwellctl.
inline const QString guardStartFailedText = QStringLiteral("Couldn't start the guard.");
inline const QString guardStopFailedText = QStringLiteral("Couldn't stop the guard.");

// Why an account's own guard cannot start, or be stopped, while an administrator's guard
// for every account is installed.
inline const QString guardForAllUsersText =
    QStringLiteral("An administrator installed the guard for every account; it runs for you at each login.");
