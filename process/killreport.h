#pragma once

#include "process/processlist.h"

#include <QList>
#include <QString>

#include <optional>

// The target processes as the list command finds them; nothing when the list could not be
// read. The list prints nothing both when nothing runs and when it failed: an empty one is
// believed only when the count then says 0 too (one scan more).
std::optional<QList<ProcessRow>> listTargets(const QStringList &targets);

// Lists the target processes, runs the kill script, and returns those of the listed ones
// that are gone after it; nothing when the list could not be read. One scan more than the
// kill alone (two when nothing is listed: the count tells none from a failure). Blocks for
// the kill's run (up to about two seconds), and up to a second more while a listed process
// is still ending.
std::optional<QList<ProcessRow>> killListed(const QStringList &targets);

// True when no process has that PID any more, or only its zombie is left.
bool processGone(qint64 pid);

// "Stopped N processes holding X MB.", for the CLI and the count's tooltip; nothing when
// nothing was stopped or what was stopped is not known.
std::optional<QString> stoppedSentence(const std::optional<QList<ProcessRow>> &stopped);
