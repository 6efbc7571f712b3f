#include "process/platform.h"

#include <QtGlobal>

Platform nativePlatform()
{
#if defined(Q_OS_MACOS)
    return Platform::MacOS;
#else
    return Platform::Linux;
#endif
}

QString platformName(Platform platform)
{
    switch (platform) {
    case Platform::MacOS:
        return QStringLiteral("macos");
    case Platform::Linux:
        return QStringLiteral("linux");
    }
    Q_UNREACHABLE();
}

std::optional<Platform> platformNamed(const QString &name)
{
    for (const Platform platform : allPlatforms)
        if (platformName(platform) == name)
            return platform;
    return std::nullopt;
}
