#include "process/preferences.h"

#include "process/catalogue.h"

#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QMutex>
#include <QSet>
#include <QSettings>

#include <memory>

namespace {

QMutex defaultsMutex;
QHash<QString, bool> &defaultsTable()
{
    static QHash<QString, bool> table;
    return table;
}

// One settings object per call: QSettings must not be shared across threads, and a fresh
// object also sees what another process (the window or hushwellctl) wrote meanwhile.
std::unique_ptr<QSettings> openStore(const UserDirs &dirs)
{
    const Platform platform = nativePlatform();
    switch (platform) {
    case Platform::MacOS: {
        // The native format keeps `defaults read com.larkvane.hushwell` working.
        auto settings = std::make_unique<QSettings>(QStringLiteral("larkvane.com"), QStringLiteral("hushwell"));
        settings->setFallbacksEnabled(false);
        return settings;
    }
    case Platform::Linux:
        return std::make_unique<QSettings>(preferencesLocation(platform, dirs), QSettings::IniFormat);
    }
    Q_UNREACHABLE();
}

// The file may be a link, as dotfile managers make it, but only to a regular file: a FIFO
// there would block every read, and a write through a link to a device would replace it.
bool storeIsUsable(const UserDirs &dirs)
{
    switch (nativePlatform()) {
    case Platform::MacOS:
        return true; // the defaults system owns its files
    case Platform::Linux: {
        const QFileInfo file(preferencesLocation(Platform::Linux, dirs));
        return file.isFile() || (!file.exists() && !file.isSymLink());
    }
    }
    Q_UNREACHABLE();
}

// QSettings parses a file once per process for as long as its size and time stay the same,
// and only the object that parsed it reports a format error. Each file found unparseable is
// remembered with the size and time it had then, so that every later object knows too.
bool unparseable(QSettings &store)
{
    static QMutex mutex;
    static QSet<QString> found;
    store.allKeys(); // read now: the status says nothing of a file not read yet
    const QFileInfo file(store.fileName());
    const QString stamp = file.absoluteFilePath() + QLatin1Char('\n') + QString::number(file.size()) + QLatin1Char('\n')
                          + QString::number(file.lastModified().toMSecsSinceEpoch());
    QMutexLocker lock(&mutex);
    if (store.status() == QSettings::FormatError)
        found.insert(stamp);
    return found.contains(stamp);
}

} // namespace

void registerDefaultPreferences()
{
    QMutexLocker lock(&defaultsMutex);
    defaultsTable() = {{kSound, false}, {kDesktopService, true}, {kCoreSync, true}};
}

QString preferencesLocation(Platform platform, const UserDirs &dirs)
{
    switch (platform) {
    case Platform::MacOS:
        return QStringLiteral("com.larkvane.hushwell");
    case Platform::Linux:
        return dirs.config + QStringLiteral("/hushwell/hushwell.conf");
    }
    Q_UNREACHABLE();
}

namespace {

std::optional<bool> booleanNamed(const QString &text)
{
    const QString word = text.trimmed().toLower();
    for (const char *yes : {"true", "1", "yes", "on"})
        if (word == QLatin1String(yes))
            return true;
    for (const char *no : {"false", "0", "no", "off"})
        if (word == QLatin1String(no))
            return false;
    return std::nullopt;
}

bool registeredDefault(const QString &key)
{
    QMutexLocker lock(&defaultsMutex);
    return defaultsTable().value(key, false);
}

} // namespace

std::optional<QString> preferencesProblem(const UserDirs &dirs)
{
    if (homeOfAnotherAccount(dirs))
        return QStringLiteral("it lies in the home folder of another account (run this as that account, without sudo)");
    if (!storeIsUsable(dirs))
        return QStringLiteral("it is no regular file");
    // QSettings rewrites the whole file from what it could parse: a comment, or a file
    // that is no settings file at all, would be lost.
    if (unparseable(*openStore(dirs)))
        return QStringLiteral("it holds lines that are no settings, and was left as it was");
    return std::nullopt;
}

PreferenceReading readPreference(const QString &key, const UserDirs &dirs)
{
    PreferenceReading reading;
    reading.value = registeredDefault(key);
    if (!storeIsUsable(dirs))
        return reading;
    const auto store = openStore(dirs);
    const QVariant stored = store->value(key);
    if (unparseable(*store) || !stored.isValid())
        return reading;
    reading.stored = true;
    // The native store (macOS) keeps booleans as booleans, the INI file as text.
    reading.storedText = stored.typeId() == QMetaType::Bool ? (stored.toBool() ? QStringLiteral("true") : QStringLiteral("false"))
                                                           : stored.toString();
    const std::optional<bool> value = booleanNamed(reading.storedText);
    reading.storedIsBoolean = value.has_value();
    if (value)
        reading.value = *value;
    return reading;
}

bool wants(const QString &key, const UserDirs &dirs)
{
    return readPreference(key, dirs).value;
}

bool storePreference(const QString &key, bool value, const UserDirs &dirs)
{
    if (preferencesProblem(dirs))
        return false;
    const auto store = openStore(dirs);
    const QVariant before = store->value(key);
    store->setValue(key, value);
    store->sync();
    if (store->status() == QSettings::NoError)
        return true;
    // QSettings keeps what it could not write in a cache this process shares: put the old
    // value back there, so that nothing here reads a value that was never stored.
    if (before.isValid())
        store->setValue(key, before);
    else
        store->remove(key);
    return false;
}

QStringList activePatterns(const UserDirs &dirs)
{
    QStringList patterns = basePatterns;
    if (wants(kDesktopService, dirs))
        patterns += desktopServicePatterns;
    if (wants(kCoreSync, dirs))
        patterns += coreSyncPatterns;
    return patterns;
}

QStringList targetList(const UserDirs &dirs)
{
    return activePatterns(dirs) + finderExtensionPatterns;
}
