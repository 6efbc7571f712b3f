#pragma once

#include <QString>

#include <cstddef>
#include <optional>

// The two platforms whose shell texts Hushwell builds. Both are built and tested
// everywhere; the running program uses the native one. Every decision on it is a switch
// without a default, and the build turns a missing case into an error (-Werror=switch):
// a new member makes the compiler name each place to fill, this file's first.
enum class Platform { MacOS, Linux };

// Each platform's place in allPlatforms.
constexpr std::size_t platformIndex(Platform platform)
{
    switch (platform) {
    case Platform::MacOS:
        return 0;
    case Platform::Linux:
        return 1;
    }
    return 0;
}
inline constexpr Platform allPlatforms[] = {Platform::MacOS, Platform::Linux};
static_assert(platformIndex(allPlatforms[0]) == 0 && platformIndex(allPlatforms[1]) == 1,
              "allPlatforms lists every platform once, in the order of platformIndex");

Platform nativePlatform();
QString platformName(Platform platform); // "macos" or "linux"
std::optional<Platform> platformNamed(const QString &name);
// Every platform's name, joined by `separator` ("macos|linux"), for help and messages.
QString platformNames(const QString &separator);
