#include "guard/guardfiles.h"

#include "guard/quoting.h"
#include "process/catalogue.h"
#include "process/scripts.h"

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
    }
        .join(QLatin1Char('\n'));
}

QString guardServiceUnitFor(const QString &scriptPath)
{
    const QString path = systemdPath(scriptPath);
    if (path.isEmpty())
        return {};
    // The shell reads the script from standard input, so no path is on the guard's command
    // line: a folder named after a target ("backup of Core Sync") would otherwise make
    // every run kill its own shell.
    return QStringLiteral("# ") + guardLabel
           + QStringLiteral(".service\n"
                            "[Unit]\n"
                            "Description=Hushwell guard\n"
                            "[Service]\n"
                            "Type=oneshot\n"
                            "StandardInput=file:")
           + path + QStringLiteral("\nExecStart=/bin/sh -s\n");
}

QString scriptReadBy(const QString &serviceUnit)
{
    for (const QString &line : serviceUnit.split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("StandardInput=file:")))
            return line.mid(19).replace(QStringLiteral("%%"), QStringLiteral("%"));
    return {};
}

QString guardTimerUnit()
{
    // AccuracySec must be small: its one-minute default would let a 15-second timer fire
    // up to 75 seconds apart.
    return QStringLiteral("# ") + guardLabel
           + QStringLiteral(".timer\n"
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
