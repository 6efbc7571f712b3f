#include "process/userdirs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Cleaned before any path is built on it: systemd ignores a StandardInput=file: path
// that is not normalised ("/home/ann/../ann/…"), and the guard would then read nothing.
QString cleaned(const QString &path)
{
    return QDir::cleanPath(path);
}

// XDG says relative values are invalid and must be ignored.
QString absoluteOr(const QString &value, const QString &fallback)
{
    return value.startsWith(QLatin1Char('/')) ? cleaned(value) : fallback;
}

} // namespace

UserDirs UserDirs::fromEnvironment(const QProcessEnvironment &environment)
{
    UserDirs dirs = underHome(environment.value(QStringLiteral("HOME"), QDir::homePath()));
    dirs.config = absoluteOr(environment.value(QStringLiteral("XDG_CONFIG_HOME")), dirs.config);
    dirs.data = absoluteOr(environment.value(QStringLiteral("XDG_DATA_HOME")), dirs.data);
    dirs.runtime = absoluteOr(environment.value(QStringLiteral("XDG_RUNTIME_DIR")), QString());
    return dirs;
}

UserDirs UserDirs::underHome(const QString &home, const QString &runtime)
{
    const QString base = cleaned(home);
    return {.home = base,
            .config = base + QStringLiteral("/.config"),
            .data = base + QStringLiteral("/.local/share"),
            .runtime = runtime.isEmpty() ? runtime : cleaned(runtime)};
}

namespace {

// The folder belongs to another account, or it is missing and the nearest folder above it
// that exists does (a system folder, root's, such as /tmp or /run/user, is nobody's).
bool ofAnotherAccount(const QString &folder)
{
    for (QString path = folder; !path.isEmpty(); path = path == QLatin1String("/") ? QString() : QFileInfo(path).path()) {
        struct stat entry {};
        if (::lstat(QFile::encodeName(path).constData(), &entry) != 0)
            continue;
        return entry.st_uid != ::geteuid() && (path == folder || entry.st_uid != 0);
    }
    return false;
}

} // namespace

bool homeOfAnotherAccount(const UserDirs &dirs)
{
    for (const QString &folder : {dirs.home, dirs.config, dirs.data, dirs.runtime})
        if (!folder.isEmpty() && ofAnotherAccount(folder))
            return true;
    return false;
}
