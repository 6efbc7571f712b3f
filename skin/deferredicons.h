#pragma once

#include "process/platform.h"

// Makes the application's style load the menu bar's overflow icons only when one is first
// drawn. Qt's menu bar sets its extension button's icon as it is made, and reading that
// image loads every image-format plugin: work for a button the window never shows at
// launch, if ever. Everything else is the desktop's style, unchanged. Call it before the
// first widget; later calls do nothing. Not on macOS (see defersMenuBarIcons).
void deferMenuBarIcons();
bool defersMenuBarIcons(Platform platform);
