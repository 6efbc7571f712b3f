#include "support/temporaryhome.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QThread>

#include <cstdlib>

void TemporaryHome::SetUp()
{
    dir = std::make_unique<QTemporaryDir>();
    ASSERT_TRUE(dir->isValid());
    const QString home = dir->path() + QStringLiteral("/home");
    QDir().mkpath(home);
    setenv("HOME", QFile::encodeName(home).constData(), 1);
    for (const char *name : {"XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME"})
        unsetenv(name);
}

void TemporaryHome::TearDown()
{
    dir.reset();
}

bool waitUntil(const std::function<bool()> &condition, int ms)
{
    const QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

bool blockFolder(const QString &path)
{
    QDir(path).removeRecursively();
    QDir().mkpath(QFileInfo(path).path());
    QFile blocker(path);
    return blocker.open(QIODevice::WriteOnly);
}
