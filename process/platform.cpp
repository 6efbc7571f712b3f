#include "process/platform.h"

#include <QStringList>
#include <QtGlobal>

Platform nativePlatform()
{
#if defined(Q_OS_MACOS)
    return Platform::MacOS;
#elif defined(Q_OS_LINUX)
    return Platform::Linux;
#else
#error "No platform profile for this system: add a member to Platform and fill each place the compiler names"
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

QString platformNames(const QString &separator)
{
    QStringList names;
    for (const Platform platform : allPlatforms)
        names << platformName(platform);
    return names.join(separator);
}
