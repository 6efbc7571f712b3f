#pragma once

#include "guard/guardcontrol.h"
#include "guard/guardlog.h"
#include "process/killpanel.h"
#include "process/platform.h"
#include "process/processlist.h"

#include <QColor>
#include <QKeySequence>
#include <QList>
#include <QRect>
#include <QString>

#include <optional>

// What the window shows, decided apart from the widgets that show it.

// The status line's colour: dark red while targets run (or the count failed), dark green
// when quiet.
QColor statusColour(bool live);
// The guard line's colour: the system green when on, the system red when off.
QColor guardColour(bool on);

inline const QString workingText = QStringLiteral("Working\u2026");
inline const QString checkingText = QStringLiteral("Checking\u2026");

// The detail line that replaces the refreshed one once an action has finished, if any.
std::optional<QString> detailAfterKill(const KillPanel &refreshed);
std::optional<QString> detailAfterBlock(const GuardResult &started);
std::optional<QString> detailAfterUnblock(const GuardResult &stopped);
// The guard detail line after a target box was clicked: a value that was not stored, or a
// loaded guard that could not follow it, is said, and so is an administrator's guard that
// follows its own settings; otherwise the refreshed line stays.
std::optional<QString> detailAfterSettingsChange(const PreferenceChange &change);
// The guard detail line while the preferences cannot be read (the defaults apply).
std::optional<QString> detailForSettings(bool readable);

QString startGuardTooltip();
QString stopGuardTooltip();
QString desktopServiceTooltip();
QString coreSyncTooltip();

// A tooltip as rich text broken into lines of a readable width (about 44 characters),
// instead of one line wider than the window.
QString tooltipMarkup(const QString &text);

// The count detail's tooltip: which processes matched (PID, CPU %, memory, short name),
// ten at most, then "and N more"; empty when none did.
QString processListTooltip(const QList<ProcessRow> &rows, const QStringList &targets);
// After a kill that stopped something: the sentence that says so, then the same table of
// what was stopped. Empty when nothing was, or what was is not known.
QString stoppedTooltip(const std::optional<QList<ProcessRow>> &stopped, const QStringList &targets);

// The guard line's tooltip while the guard is on: how many processes its runs stopped in
// the last 24 hours (the record read since then) and the latest of them, as rich text;
// empty when the record cannot be read.
QString guardRecordTooltip(const GuardLog &lastDay, const QDateTime &now = QDateTime::currentDateTime());

// The drawer's height, in points, for as many target groups as the preference table has:
// the design's 158 for its two, and one row's pitch (48) more for each further group.
int drawerHeightFor(qsizetype targetGroupCount);
inline constexpr int drawerRowPitch = 48;

// The window's geometry after the drawer opens or closes: the top edge stays, the bottom
// edge moves down (opening) or up (closing) by the drawer's height for the table's groups. When the grown window
// would leave `available` (the screen's free area, less the window frame), it moves up
// just enough, never above the area's top; closing moves it back down by what opening
// raised it (`raisedOnOpen`), as far as the area allows.
QRect drawerToggledGeometry(const QRect &geometry, bool nowOpen, const QRect &available, int raisedOnOpen = 0);

// The one line to print, instead of Qt's abort, when Hushwell is started where no window
// can open; nothing when one can.
std::optional<QString> noGraphicalSessionMessage(Platform platform, const QStringList &environment);
// The same line, before anything starts, when the Qt platform asked for (QT_QPA_PLATFORM,
// or "-platform NAME" among the arguments) is one that shows no window on a desktop: a
// framebuffer or EGL console that aborts where it cannot start, a VNC server that would
// open a listening port, the minimal one. Nothing when each platform named draws windows
// (xcb, wayland, offscreen for screenshots and tests, cocoa).
std::optional<QString> unsupportedPlatformMessage(const QStringList &environment, const QStringList &arguments);

// The one line to print when the windowing system was named but could not be reached (no
// server on DISPLAY, no plugin for it): it names what the environment asked for.
QString displayFailureMessage(const QStringList &environment);

// The application menu, in order. macOS puts Hide in the application menu itself.
enum class MenuCommand { Separator, About, Hide, Quit };
struct MenuEntry {
    MenuCommand command;
    QString title;
    QKeySequence shortcut; // Ctrl is Command on macOS
};
QList<MenuEntry> applicationMenuEntries(Platform platform = nativePlatform());
