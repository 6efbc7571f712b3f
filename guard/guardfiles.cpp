#include "guard/guardfiles.h"

#include "guard/quoting.h"
#include "process/catalogue.h"
#include "process/scripts.h"
#include "process/userdirs.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace {

QString unitDir()
{
    return xdgConfigHome() + QStringLiteral("/systemd/user/");
}

bool writeAtomically(const GuardFile &file)
{
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

QString guardScriptPath(Platform platform)
{
    if (platform == Platform::MacOS)
        return homeDir() + QStringLiteral("/Library/Application Support/Hushwell/guard.sh");
    return xdgDataHome() + QStringLiteral("/Hushwell/guard.sh");
}

QString guardPlistPath(Platform platform)
{
    if (platform == Platform::MacOS)
        return homeDir() + QStringLiteral("/Library/LaunchAgents/") + guardLabel + QStringLiteral(".plist");
    return unitDir() + guardLabel + QStringLiteral(".timer");
}

QString guardScriptFor(Platform platform, const QStringList &targets)
{
    QStringList lines{QStringLiteral("#!/bin/sh")};
    lines += scriptProfile(platform).extensionLines;
    lines += killPasses(platform, targets);
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
    return QStringLiteral("# ") + guardLabel + QStringLiteral(".service\n"
                                                              "[Unit]\n"
                                                              "Description=Hushwell guard\n"
                                                              "[Service]\n"
                                                              "Type=oneshot\n"
                                                              "ExecStart=/bin/sh ")
           + systemdQuoted(scriptPath) + QLatin1Char('\n');
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

QList<GuardFile> serviceManagerFiles(Platform platform, const QString &scriptPath)
{
    if (platform == Platform::MacOS)
        return {{guardPlistPath(platform), guardPlistFor(scriptPath)}};
    return {
        {unitDir() + guardLabel + QStringLiteral(".service"), guardServiceUnitFor(scriptPath)},
        {guardPlistPath(platform), guardTimerUnit()},
    };
}

bool writeGuardFiles(const GuardFile &script, const QList<GuardFile> &managerFiles)
{
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
