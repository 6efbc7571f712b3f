#pragma once

#include <QIcon>
#include <QImage>

// The application icon is the dome itself, drawn by DomeButton (lit, not pressed, no
// caption) on a transparent square of `size` pixels.
QImage renderDomeIcon(int size);

// The icon at the sizes desktops ask for, for the window and the About panel.
QIcon domeIcon();
