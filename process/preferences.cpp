#include "process/preferences.h"

#include "process/catalogue.h"
#include "process/userdirs.h"

#include <QMutex>
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
std::unique_ptr<QSettings> openStore()
{
#if defined(Q_OS_MACOS)
    auto settings = std::make_unique<QSettings>(QStringLiteral("larkvane.com"), QStringLiteral("hushwell"));
    settings->setFallbacksEnabled(false);
    return settings;
#else
    return std::make_unique<QSettings>(preferencesLocation(), QSettings::IniFormat);
#endif
}

} // namespace

void registerDefaults(const QHash<QString, bool> &defaults)
{
    QMutexLocker lock(&defaultsMutex);
    defaultsTable().insert(defaults);
}

void registerDefaultPreferences()
{
    registerDefaults({{kSound, false}, {kDesktopService, true}, {kCoreSync, true}});
}

QString preferencesLocation()
{
#if defined(Q_OS_MACOS)
    return QStringLiteral("com.larkvane.hushwell");
#else
    return xdgConfigHome() + QStringLiteral("/hushwell/hushwell.conf");
#endif
}

bool wants(const QString &key)
{
    const auto store = openStore();
    const QVariant stored = store->value(key);
    if (stored.isValid())
        return stored.toBool();
    QMutexLocker lock(&defaultsMutex);
    return defaultsTable().value(key, false);
}

bool storePreference(const QString &key, bool value)
{
    const auto store = openStore();
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

QStringList activePatterns()
{
    QStringList patterns = basePatterns;
    if (wants(kDesktopService))
        patterns += desktopServicePatterns;
    if (wants(kCoreSync))
        patterns += coreSyncPatterns;
    return patterns;
}

QStringList targetList()
{
    return activePatterns() + finderExtensionPatterns;
}
