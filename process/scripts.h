#pragma once

#include "process/platform.h"

#include <QString>
#include <QStringList>

// Builders of the shell texts that count and kill the target processes. They only build
// text; shell() runs it. Each builder reads the preferences once per call.

// What a platform adds around the kill lines and how it writes one.
struct ScriptProfile {
    // Lines before the first kill pass of the kill script (quit request, launch agents).
    QStringList killScriptPreamble;
    // Lines that switch the Finder extensions off, in both the kill and the guard script.
    QStringList extensionLines;
    // Linux pkill spares only itself, and the script's own shell carries every pattern in
    // its command line; bracketing the first character keeps the match but stops the
    // pattern from matching the script text.
    bool bracketFirstCharacter = false;
};

ScriptProfile scriptProfile(Platform platform);

// Terminate pass (`pkill -f "PATTERN" 2>/dev/null` per target), "sleep 2", signal-9 pass
// (`pkill -9 -f …`): the core that the kill and guard scripts share.
QStringList killPasses(Platform platform, const QStringList &targets);

// The one-line pipeline that prints how many target processes run; the same everywhere.
QString countCommandFor(const QStringList &targets);
QString countCommand();

// The kill script: lines joined by line feeds, no line feed after the last line.
QString killScriptFor(Platform platform, const QStringList &targets);
QString killCommand(Platform platform = nativePlatform());

// PID, CPU %, resident kilobytes and command line of each process the count counts.
QString listCommandFor(const QStringList &targets);
QString listCommand();
