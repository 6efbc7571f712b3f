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
QString absoluteOr(const QString &value, const QString &fallback)
{
    return value.startsWith(QLatin1Char('/')) ? withoutTrailingSlash(value) : fallback;
}

} // namespace

UserDirs UserDirs::fromEnvironment(const QProcessEnvironment &environment)
{
    const QString home = withoutTrailingSlash(environment.value(QStringLiteral("HOME"), QDir::homePath()));
    UserDirs dirs = underHome(home);
    dirs.config = absoluteOr(environment.value(QStringLiteral("XDG_CONFIG_HOME")), dirs.config);
    dirs.data = absoluteOr(environment.value(QStringLiteral("XDG_DATA_HOME")), dirs.data);
    dirs.runtime = absoluteOr(environment.value(QStringLiteral("XDG_RUNTIME_DIR")), QString());
    return dirs;
}

UserDirs UserDirs::underHome(const QString &home, const QString &runtime)
{
    return {home, home + QStringLiteral("/.config"), home + QStringLiteral("/.local/share"), runtime};
}
