#pragma once

#include <QString>

#include <optional>

// The two platforms whose shell texts Hushwell builds. Both are built and tested
// everywhere; the running program uses the native one. Every decision on it is a switch
// without a default, and the build turns a missing case into an error (-Werror=switch):
// a new member makes the compiler name each place to fill.
enum class Platform { MacOS, Linux };

// Every member, for the names and the loops over both (a new member goes here too).
inline constexpr Platform allPlatforms[] = {Platform::MacOS, Platform::Linux};

Platform nativePlatform();
QString platformName(Platform platform); // "macos" or "linux"
std::optional<Platform> platformNamed(const QString &name);
// Every platform's name, joined by `separator` ("macos|linux"), for help and messages.
QString platformNames(const QString &separator);
