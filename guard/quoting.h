#pragma once

#include <QString>

// Text for an XML element: & < > " ' as entities.
QString xmlEscaped(const QString &text);

// True when `text` holds a control character (U+0000 to U+001F, U+007F): a unit file
// cannot carry a line break, and XML 1.0 cannot carry most of the others, so a path that
// holds one cannot be named in the service manager's files.
bool holdsControlCharacter(const QString &text);

// A path for a systemd setting that takes it unquoted (StandardInput=file:…): % as %%, so
// that systemd expands no specifier in it. Empty when the path holds a control character.
QString systemdPath(const QString &path);
