#pragma once

#include "process/platform.h"

#include <QString>
#include <QStringList>

#include <functional>

// Builders of the shell texts that count, list and kill the target processes. They only
// build text; shell() runs it. The no-argument forms read the preferences once per call.

enum class PassUse { KillScript, GuardScript };

// What a platform's shell texts are made of, as one value: the one place where the two
// platforms' count, list, kill and guard texts differ.
struct ScriptProfile {
    std::function<QString(const QStringList &targets)> count;
    std::function<QString(const QStringList &targets)> list;
    QStringList killPrelude; // the kill script's lines before its passes
    std::function<QStringList(const QStringList &targets, PassUse use)> killPasses;
};
const ScriptProfile &scriptProfile(Platform platform);

// The lines that stop the targets, shared by the kill script and the guard script: on
// macOS the Finder-extension lines, a terminate pass, "sleep 2" and a signal-9 pass; on
// Linux one terminate pass, a wait of at most 2 s that ends with the last target, and one
// signal-9 pass, each one scan. The guard's form on Linux first looks, exits when nothing
// runs, and prints what it stops.
QStringList killPasses(Platform platform, const QStringList &targets, PassUse use);

// The one-line pipeline that prints how many target processes run.
QString countCommandFor(Platform platform, const QStringList &targets);
QString countCommand(Platform platform = nativePlatform());

// The kill script: lines joined by line feeds, no line feed after the last line.
QString killScriptFor(Platform platform, const QStringList &targets);
QString killCommand(Platform platform = nativePlatform());

// PID, CPU %, resident kilobytes and command line of each process the count counts.
QString listCommandFor(Platform platform, const QStringList &targets);
QString listCommand(Platform platform = nativePlatform());
