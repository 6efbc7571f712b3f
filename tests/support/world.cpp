#include "support/world.h"

#include "process/shell.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>
#include <QThread>

// Why processes of this test are not alone in their table; empty when they are.
static QString notIsolatedReason()
{
    if (qEnvironmentVariable("HUSHWELL_ISOLATED") == QLatin1String("1"))
        return {};
    const QString why = qEnvironmentVariable("HUSHWELL_NOT_ISOLATED");
    return why.isEmpty() ? QStringLiteral("not started through tests/support/isolate.sh") : why;
}

void skipOrFailForIsolation(const std::string &why)
{
    if (qEnvironmentVariable("HUSHWELL_REQUIRE_ISOLATION") == QLatin1String("1"))
        FAIL() << "isolation is required (HUSHWELL_REQUIRE_ISOLATION=1): " << why;
    GTEST_SKIP() << why;
}

// The store as a person edits it by hand: the file on Linux, the defaults domain on macOS.
static std::unique_ptr<QSettings> storeAsEditedByHand()
{
    switch (nativePlatform()) {
    case Platform::MacOS:
        return std::make_unique<QSettings>(QStringLiteral("larkvane.com"), QStringLiteral("hushwell"));
    case Platform::Linux:
        return std::make_unique<QSettings>(preferencesLocation(), QSettings::IniFormat);
    }
    Q_UNREACHABLE();
}

void storeByHand(const QString &key, const QString &value)
{
    storeAsEditedByHand()->setValue(key, value);
}

QStringList storedByHand()
{
    return storeAsEditedByHand()->allKeys();
}

// Removes every stored preference: the file on Linux, the defaults domain on macOS.
static void clearPreferences()
{
    switch (nativePlatform()) {
    case Platform::MacOS: { // a defaults domain, not a path
        QSettings domain(QStringLiteral("larkvane.com"), QStringLiteral("hushwell"));
        domain.clear();
        domain.sync();
        break;
    }
    case Platform::Linux:
        QFile::remove(preferencesLocation());
        break;
    }
}

void FreshPreferences::SetUp()
{
    clearPreferences();
    if (registersDefaults)
        registerDefaultPreferences();
}

void FreshPreferences::TearDown()
{
    clearPreferences();
}

void PrivateProcesses::SetUp()
{
    FreshPreferences::SetUp();
    if (const QString why = notIsolatedReason(); !why.isEmpty())
        skipOrFailForIsolation("needs a process table of its own: " + why.toStdString());
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

QString readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile::remove(path);
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString dropIn(const QString &unit, const QByteArray &text)
{
    QDir().mkpath(unit + QStringLiteral(".d"));
    const QString path = unit + QStringLiteral(".d/test.conf");
    return writeFile(path, text) ? path : QString();
}

bool blockFolder(const QString &path)
{
    QDir(path).removeRecursively();
    QDir().mkpath(QFileInfo(path).path());
    return QFile(path).open(QIODevice::WriteOnly);
}

FakeTarget::FakeTarget(const QString &commandName, Signals handling, Owner owner) : described(commandName)
{
    // An ignored signal stays ignored across exec, which is how the TERM-proof fake is made.
    const QString trap = handling == IgnoreTerm ? QStringLiteral("trap '' TERM; ") : QString();
    const QStringList command{QStringLiteral("/bin/bash"), QStringLiteral("-c"), trap + QStringLiteral("exec -a \"$0\" sleep 300"),
                              commandName};
    if (owner == Nobody)
        process.start(QStringLiteral("setpriv"),
                      QStringList{QStringLiteral("--reuid=65534"), QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups")}
                          + command);
    else
        process.start(command.first(), command.mid(1));
    startedAs(commandName.toUtf8());
}

void FakeTarget::startedAs(const QByteArray &commandLine)
{
    process.waitForStarted();
    // Ready once exec has put the chosen command line in place, where pgrep will read it.
    waitUntil(
        [&] {
            QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid()));
            return cmdline.open(QIODevice::ReadOnly) && cmdline.readAll().startsWith(commandLine);
        },
        5000);
}

FakeTarget::FakeTarget(const QStringList &argv) : described(argv.join(QLatin1Char(' ')))
{
    process.start(QStringLiteral("/bin/bash"),
                  QStringList{QStringLiteral("-c"), QStringLiteral("exec -a \"$0\" perl -e 'sleep 300' -- \"$@\"")} + argv);
    startedAs(argv.value(0).toUtf8() + '\0' + "-e");
}

FakeTarget::~FakeTarget()
{
    process.kill();
    process.waitForFinished();
}

bool FakeTarget::diesWithin(double seconds)
{
    return process.state() == QProcess::NotRunning || process.waitForFinished(int(seconds * 1000));
}

PathWith::PathWith(const QString &folder, bool alone) : saved(qgetenv("PATH"))
{
    qputenv("PATH", alone ? QFile::encodeName(folder) : QFile::encodeName(folder) + ':' + saved);
}

PathWith::~PathWith()
{
    qputenv("PATH", saved);
}

bool standIn(const QString &folder, const QString &name, const QByteArray &body)
{
    QFile script(folder + QLatin1Char('/') + name);
    script.remove();
    if (!script.open(QIODevice::WriteOnly) || script.write("#!/bin/sh\n" + body + '\n') < 0)
        return false;
    script.close();
    return script.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
}

QString asRead(QString markup)
{
    markup.replace("<br>", " ").replace("</tr>", "\n").replace("</td>", " ").replace("</p>", "\n");
    return markup.remove(QRegularExpression("<[^>]*>"))
        .replace("&lt;", "<")
        .replace("&gt;", ">")
        .replace("&amp;", "&")
        .replace(" \n", "\n")
        .trimmed();
}
