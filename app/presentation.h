#pragma once

#include "process/platform.h"

#include <QColor>
#include <QKeySequence>
#include <QList>
#include <QRect>
#include <QString>

#include <optional>

// What the window shows, decided apart from the widgets that show it.

// The status line's colour: dark red while targets run, dark green when quiet.
QColor statusColour(bool running);
// The guard line's colour: the system green when on, the system red when off.
QColor guardColour(bool on);

inline const QString workingText = QStringLiteral("Working\u2026");
inline const QString checkingText = QStringLiteral("Checking\u2026");

// The detail line that replaces the refreshed one once an action has finished, if any.
std::optional<QString> detailAfterKill(const QString &statusAfterRefresh);
std::optional<QString> detailAfterBlock(bool started);
std::optional<QString> detailAfterUnblock(bool stopped);

QString startGuardTooltip();
QString stopGuardTooltip();
QString desktopServiceTooltip();
QString coreSyncTooltip();

// The window's geometry after the drawer opens or closes: the top edge stays, the bottom
// edge moves down (opening) or up (closing) by the drawer's height.
QRect drawerToggledGeometry(const QRect &geometry, bool nowOpen);

// The application menu, in order. macOS puts Hide in the application menu itself.
enum class MenuCommand { Separator, About, Hide, Quit };
struct MenuEntry {
    MenuCommand command;
    QString title;
    QKeySequence shortcut; // Ctrl is Command on macOS
};
QList<MenuEntry> applicationMenuEntries(Platform platform = nativePlatform());
