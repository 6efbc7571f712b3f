#pragma once

#include <QString>

#include <optional>

// The two platforms whose shell texts Hushwell builds. Both are built and tested
// everywhere; the running program uses the native one.
// Every decision on it is a switch without a default, so that a new member makes the
// compiler name each place to fill.
enum class Platform { MacOS, Linux };
inline constexpr Platform allPlatforms[] = {Platform::MacOS, Platform::Linux};

Platform nativePlatform();
QString platformName(Platform platform); // "macos" or "linux"
std::optional<Platform> platformNamed(const QString &name);
