#pragma once

#include <QString>

#include <optional>

// Reads the count command's output: an optional single sign and one or more decimal
// digits, nothing else, within the signed 64-bit range. Anything else is no count.
std::optional<qint64> parseCount(const QString &countOutput);

// What the kill panel shows for a count output. `live` decides whether the dome is lit
// and the status line is the dark red; `counted` is false when the output was no count
// (the count could not run), which is never shown as quiet.
struct KillPanel {
    bool live;
    bool counted;
    QString status;
    QString detail;

    bool quiet() const { return counted && !live; }
};

KillPanel killPanelFor(const QString &countOutput);

// The detail line of a count that could not run; also what hushwellctl says then.
inline const QString countFailedText = QStringLiteral("Couldn't read the list of running processes.");
