#include "guard/guardfiles.h"

#include "guard/quoting.h"
#include "process/catalogue.h"
#include "process/scripts.h"
#include "process/userdirs.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString unitDir(const UserDirs &dirs)
{
    return dirs.config + QStringLiteral("/systemd/user/");
}

bool writeAtomically(const GuardFile &file)
{
    // QSaveFile writes through a link to its target: a link here (a mask, which systemctl
    // links to /dev/null, or anything else) is replaced by the file, never written through.
    if (QFileInfo(file.path).isSymLink() && !QFile::remove(file.path))
        return false;
    QSaveFile out(file.path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = file.content.toUtf8();
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

} // namespace

QString guardScriptPath(Platform platform, const UserDirs &dirs)
{
    switch (platform) {
    case Platform::MacOS:
        return dirs.home + QStringLiteral("/Library/Application Support/Hushwell/guard.sh");
    case Platform::Linux:
        return dirs.data + QStringLiteral("/Hushwell/guard.sh");
    }
    Q_UNREACHABLE();
}

QString guardPlistPath(Platform platform, const UserDirs &dirs)
{
    switch (platform) {
    case Platform::MacOS:
        return dirs.home + QStringLiteral("/Library/LaunchAgents/") + guardLabel + QStringLiteral(".plist");
    case Platform::Linux:
        return unitDir(dirs) + guardLabel + QStringLiteral(".timer");
    }
    Q_UNREACHABLE();
}

QString guardScriptFor(Platform platform, const QStringList &targets)
{
    QStringList lines{QStringLiteral("#!/bin/sh")};
    lines += killPasses(platform, targets, PassUse::GuardScript);
    lines << QStringLiteral("exit 0");
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

QString guardPlistFor(const QString &scriptPath)
{
    return QStringList{
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"),
        QStringLiteral("<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" \"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">"),
        QStringLiteral("<plist version=\"1.0\">"),
        QStringLiteral("<dict>"),
        QStringLiteral("    <key>Label</key><string>") + xmlEscaped(guardLabel) + QStringLiteral("</string>"),
        QStringLiteral("    <key>ProgramArguments</key>"),
        QStringLiteral("    <array>"),
        QStringLiteral("        <string>/bin/sh</string>"),
        QStringLiteral("        <string>") + xmlEscaped(scriptPath) + QStringLiteral("</string>"),
        QStringLiteral("    </array>"),
        QStringLiteral("    <key>StartInterval</key><integer>") + QString::number(guardInterval) + QStringLiteral("</integer>"),
        QStringLiteral("    <key>RunAtLoad</key><true/>"),
        QStringLiteral("</dict>"),
        QStringLiteral("</plist>"),
    }.join(QLatin1Char('\n'));
}

QString guardServiceUnitFor(const QString &scriptPath)
{
    const QString path = systemdPath(scriptPath);
    if (path.isEmpty())
        return {};
    // The shell reads the script from standard input, so no path is on the guard's command
    // line: a folder named after a target ("backup of Core Sync") would otherwise make
    // every run kill its own shell.
    return QStringLiteral("# ") + guardLabel + QStringLiteral(".service\n"
                                                              "[Unit]\n"
                                                              "Description=Hushwell guard\n"
                                                              "[Service]\n"
                                                              "Type=oneshot\n"
                                                              "StandardInput=file:")
           + path + QStringLiteral("\nExecStart=/bin/sh -s\n");
}

QString guardTimerUnit()
{
    // AccuracySec must be small: its one-minute default would let a 15-second timer fire
    // up to 75 seconds apart.
    return QStringLiteral("# ") + guardLabel + QStringLiteral(".timer\n"
                                                              "[Unit]\n"
                                                              "Description=Hushwell guard, every %1 seconds\n"
                                                              "[Timer]\n"
                                                              "OnActiveSec=0\n"
                                                              "OnUnitActiveSec=%1s\n"
                                                              "AccuracySec=1s\n"
                                                              "[Install]\n"
                                                              "WantedBy=timers.target\n")
                                                   .arg(guardInterval);
}

QStringList serviceManagerPaths(Platform platform, const UserDirs &dirs)
{
    switch (platform) {
    case Platform::MacOS:
        return {guardPlistPath(platform, dirs)};
    case Platform::Linux:
        return {unitDir(dirs) + guardLabel + QStringLiteral(".service"), guardPlistPath(platform, dirs)};
    }
    Q_UNREACHABLE();
}

QList<GuardFile> serviceManagerFiles(Platform platform, const UserDirs &dirs)
{
    const QString scriptPath = guardScriptPath(platform, dirs);
    const QStringList paths = serviceManagerPaths(platform, dirs);
    if (holdsControlCharacter(scriptPath))
        return {};
    switch (platform) {
    case Platform::MacOS:
        return {{paths.at(0), guardPlistFor(scriptPath)}};
    case Platform::Linux:
        return {{paths.at(0), guardServiceUnitFor(scriptPath)}, {paths.at(1), guardTimerUnit()}};
    }
    Q_UNREACHABLE();
}

bool writeGuardFiles(const GuardFile &script, const QList<GuardFile> &managerFiles)
{
    if (managerFiles.isEmpty())
        return false;
    // A folder that cannot be made is not an error of its own: the write below fails.
    QDir().mkpath(QFileInfo(script.path).path());
    for (const GuardFile &file : managerFiles)
        QDir().mkpath(QFileInfo(file.path).path());

    if (!writeAtomically(script))
        return false;
    // Set explicitly: an older script may have had another mode.
    if (!QFile::setPermissions(script.path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                                | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther))
        return false;
    for (const GuardFile &file : managerFiles)
        if (!writeAtomically(file))
            return false;
    return true;
}
