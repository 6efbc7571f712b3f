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
