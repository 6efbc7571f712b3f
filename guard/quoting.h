#pragma once

#include <QString>

// A path in one word for /bin/sh, whatever it holds: wrapped in single quotes, each ' as '\''.
QString shellQuoted(const QString &text);

// Text for an XML element: & < > " ' as entities.
QString xmlEscaped(const QString &text);

// A path as one double-quoted word of a systemd Exec line: \ and " escaped with a
// backslash, % as %% (specifiers) and $ as $$ (variable expansion).
QString systemdQuoted(const QString &text);
