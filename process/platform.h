#pragma once

#include <QString>

#include <optional>

// The two platforms whose shell texts Hushwell builds. Both are built and tested
// everywhere; the running program uses the native one.
enum class Platform { MacOS, Linux };

Platform nativePlatform();
QString platformName(Platform platform); // "macos" or "linux"
std::optional<Platform> platformNamed(const QString &name);
