#pragma once

#include "app/sound.h"

// The media player that plays a Sound, made at its first play: built into the program on
// macOS, and on Linux the one function of the module (hushwell-sound.so) that the program
// looks up by this name.
extern "C" SoundPlayer *hushwellMediaSound(const QString &path);
