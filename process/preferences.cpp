#include "process/preferences.h"

#include "process/catalogue.h"
#include "process/textwrap.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLockFile>
#include <QMutex>
#include <QSaveFile>
#include <QSet>
#include <QSettings>
#include <QTemporaryDir>

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
    QHash<QString, bool> &table = defaultsTable();
    for (const Preference &preference : preferenceTable)
        table.insert(preference.key, preference.byDefault);
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
    if (unparseable(*store))
        return reading;
    // The key as QSettings stored it (it reads a byte-order mark through). A key that
    // differs only in letter case is said, as a value that means nothing is: it would
    // otherwise pass for the default without a word.
    QString found, nearly;
    for (const QString &stored : store->allKeys()) {
        if (stored == key)
            found = stored;
        else if (nearly.isEmpty() && stored.compare(key, Qt::CaseInsensitive) == 0)
            nearly = stored;
    }
    if (found.isEmpty() && nearly.isEmpty())
        return reading;
    reading.stored = true;
    const QVariant stored = store->value(found.isEmpty() ? nearly : found);
    // The native store (macOS) keeps booleans as booleans, the INI file as text; a value
    // with a comma reads as a list there.
    reading.storedText = stored.typeId() == QMetaType::Bool          ? (stored.toBool() ? QStringLiteral("true") : QStringLiteral("false"))
                         : stored.typeId() == QMetaType::QStringList ? stored.toStringList().join(QLatin1Char(','))
                                                                     : stored.toString();
    if (found.isEmpty()) {
        reading.storedText = nearly + QLatin1Char('=') + reading.storedText;
        reading.storedIsBoolean = false;
        return reading;
    }
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

namespace {

constexpr int lockWaitMs = 3000;

// Whether the lock beside a settings file (the one QSettings would take for its writes)
// can be taken within a few seconds; a folder or a FIFO there never can.
std::optional<QString> lockProblem(const QString &lockPath, QLockFile &lock)
{
    const QFileInfo file(lockPath);
    if ((file.exists() || file.isSymLink()) && (!file.isFile() || file.isSymLink()))
        return QStringLiteral("its lock %1 is no regular file").arg(lockPath);
    if (lock.tryLock(lockWaitMs))
        return std::nullopt;
    return lock.error() == QLockFile::LockFailedError
               ? QStringLiteral("another program has held its lock %1 for more than %2 seconds").arg(lockPath).arg(lockWaitMs / 1000)
               : QStringLiteral("its lock %1 cannot be taken").arg(lockPath);
}

// Writes one value into the INI file at `path` so that every other line of it stays byte
// for byte: QSettings rewrites a copy, and the copy replaces the file only when each line
// of the file (but the key's own) is in it. A file QSettings would change otherwise (a
// comment dropped, a line that is no setting, "export PATH=/x" made "export%20PATH=/x")
// is left as it is, and the first such line named.
std::optional<QString> storeInFile(const QString &path, const QString &key, bool value)
{
    QLockFile lock(path + QStringLiteral(".lock"));
    QDir().mkpath(QFileInfo(path).path());
    if (const auto problem = lockProblem(path + QStringLiteral(".lock"), lock))
        return problem;
    QByteArray before;
    if (QFile file(path); file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            return QStringLiteral("it cannot be read by this account");
        before = file.readAll();
    }
    const QByteArray mark("\xef\xbb\xbf");
    const bool marked = before.startsWith(mark);
    const QByteArray body = marked ? before.mid(mark.size()) : before;
    QTemporaryDir scratch;
    const QString copy = scratch.path() + QStringLiteral("/hushwell.conf");
    if (QFile file(copy); !scratch.isValid() || !file.open(QIODevice::WriteOnly) || file.write(body) != body.size())
        return QStringLiteral("no copy of it could be made to change");
    {
        QSettings settings(copy, QSettings::IniFormat);
        settings.setValue(key, value);
        settings.sync();
    }
    QFile changed(copy);
    if (!changed.open(QIODevice::ReadOnly))
        return QStringLiteral("no copy of it could be made to change");
    const QByteArray after = changed.readAll();
    const QList<QByteArray> kept = after.split('\n');
    if (!kept.contains(key.toUtf8() + (value ? "=true" : "=false")))
        return QStringLiteral("it holds lines that are no settings, and was left as it was");
    const QList<QByteArray> lines = body.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        const bool keysOwn = line.contains('=') && line.left(line.indexOf('=')).trimmed() == key.toUtf8();
        if (!line.trimmed().isEmpty() && !keysOwn && !kept.contains(line))
            return QStringLiteral("a change would not keep its line %1 ('%2'), so it was left as it was")
                .arg(i + 1)
                .arg(cutToLength(QString::fromUtf8(line), 200));
    }
    // The file itself, where the path is a link to it, as an editor would write it.
    const QFileInfo at(path);
    QSaveFile file(at.isSymLink() ? at.canonicalFilePath() : path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("this account may not write it or its folder");
    if ((marked && file.write(mark) != mark.size()) || file.write(after) != after.size() || !file.commit())
        return QStringLiteral("it could not be written whole, and was left as it was");
    return std::nullopt;
}

} // namespace

std::optional<QString> storeProblem(const QString &key, bool value, const UserDirs &dirs)
{
    if (homeOfAnotherAccount(dirs))
        return QStringLiteral("it lies in the home folder of another account (run this as that account, without sudo)");
    if (!storeIsUsable(dirs))
        return QStringLiteral("it is no regular file");
    switch (nativePlatform()) {
    case Platform::MacOS: {
        const auto store = openStore(dirs);
        const QVariant before = store->value(key);
        store->setValue(key, value);
        store->sync();
        if (store->status() == QSettings::NoError)
            return std::nullopt;
        // QSettings keeps what it could not write in a cache this process shares: put the
        // old value back there, so that nothing here reads a value that was never stored.
        if (before.isValid())
            store->setValue(key, before);
        else
            store->remove(key);
        return QString();
    }
    case Platform::Linux:
        return storeInFile(preferencesLocation(Platform::Linux, dirs), key, value);
    }
    Q_UNREACHABLE();
}

QStringList activePatterns(const UserDirs &dirs)
{
    QStringList patterns = basePatterns;
    for (const Preference &preference : preferenceTable)
        if (preference.isTargetGroup() && wants(preference.key, dirs))
            patterns += preference.patterns;
    return patterns;
}

QStringList targetList(const UserDirs &dirs)
{
    return activePatterns(dirs) + finderExtensionPatterns;
}
