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
    return platform == Platform::MacOS ? QStringLiteral("macos") : QStringLiteral("linux");
}

std::optional<Platform> platformNamed(const QString &name)
{
    if (name == QLatin1String("macos"))
        return Platform::MacOS;
    if (name == QLatin1String("linux"))
        return Platform::Linux;
    return std::nullopt;
}
