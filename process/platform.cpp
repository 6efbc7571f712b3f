#include "process/platform.h"

#include <QStringList>
#include <QtGlobal>

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
