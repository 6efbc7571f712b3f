#pragma once

#include <QString>

// Text for an XML element: & < > " ' as entities.
QString xmlEscaped(const QString &text);

// A path for a systemd setting that takes it unquoted (StandardInput=file:…): % as %%, so
// that systemd expands no specifier in it. Empty when the path holds a line break, which
// no unit file can carry.
QString systemdPath(const QString &path);
