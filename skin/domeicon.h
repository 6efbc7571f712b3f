#pragma once

#include <QIcon>
#include <QImage>

// The application icon is the dome itself, drawn by DomeButton (lit, not pressed, no
// caption) on a transparent square of `size` pixels.
QImage renderDomeIcon(int size);

// The sizes desktops ask for: those installed, and those of the window's icon.
inline constexpr int domeIconSizes[] = {16, 24, 32, 48, 64, 128, 256, 512};

// The icon at those sizes, for the window and the About panel.
QIcon domeIcon();
