#pragma once

#include <QString>

#include <optional>

// Reads the count command's output: an optional single sign and one or more decimal
// digits, nothing else, within the signed 64-bit range. Anything else is no count.
std::optional<qint64> parseCount(const QString &countOutput);

// What the kill panel shows for a count output. `running` also decides whether the dome
// is lit.
struct KillPanel {
    bool running = false;
    QString status;
    QString detail;
};

KillPanel killPanelFor(const QString &countOutput);
