#pragma once

#include <QString>

// Runs text with "/bin/sh" "-c" and returns what it printed on standard output, decoded
// as UTF-8 and trimmed of white space and line breaks at both ends. Standard error is
// discarded; the exit status is not looked at. Every failure (the shell cannot start,
// the output is not valid UTF-8) gives the empty string. Blocks until the command ends;
// safe to call from several threads at once.
QString shell(const QString &command);

// A pipe whose ends no other child inherits (both close on exec): a stray copy of the
// write end in another thread's child would keep a reader from ever seeing end of file.
bool makeClosedOnExecPipe(int fds[2]);

// Text as one word for /bin/sh, whatever it holds: wrapped in single quotes, each ' as '\''.
QString shellQuoted(const QString &text);
