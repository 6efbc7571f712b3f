#pragma once

#include <QString>
#include <QStringList>

// `text` broken at spaces into lines of at most `width` characters (a longer word stands
// on a line of its own). For help texts and tooltips.
QStringList wrappedLines(const QString &text, qsizetype width);

// `text` safe to echo on a terminal: every control character (U+0000 to U+001F, U+007F to
// U+009F) written as an escape (\n, \t, \x1b, \u0085), so that nothing an argument, a
// path or a file holds can move the cursor or reprogram the terminal; every format
// character too (bidirectional overrides and isolates, zero-width characters: \u202e),
// which would reorder or hide what the line says. A backslash stays.
QString printable(const QString &text);

// `text` cut to at most `length` characters and an ellipsis, for echoing what anyone may
// have written (an argument, a command line) at a readable length.
QString cutToLength(const QString &text, qsizetype length);
