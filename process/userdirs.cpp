#include "process/userdirs.h"

#include <QDir>

namespace {

QString withoutTrailingSlash(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

// XDG says relative values are invalid and must be ignored.
QString xdgDir(const char *variable, const QString &fallbackUnderHome)
{
    const QString value = qEnvironmentVariable(variable);
    if (value.startsWith(QLatin1Char('/')))
        return withoutTrailingSlash(value);
    return homeDir() + fallbackUnderHome;
}

} // namespace

QString homeDir()
{
    return withoutTrailingSlash(QDir::homePath());
}

QString xdgConfigHome()
{
    return xdgDir("XDG_CONFIG_HOME", QStringLiteral("/.config"));
}

QString xdgDataHome()
{
    return xdgDir("XDG_DATA_HOME", QStringLiteral("/.local/share"));
}
