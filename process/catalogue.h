#pragma once

#include <QString>
#include <QStringList>

// Everything that names an Adobe process, a Finder extension, a preference key or the
// guard's job lives here. The order of each list is the order of the lines in every
// script built from it.

inline const QStringList basePatterns{
    QStringLiteral("AdobeIPCBroker"),
    QStringLiteral("Creative Cloud Helper"),
    QStringLiteral("Creative Cloud UI Helper"),
    QStringLiteral("CCXProcess"),
    QStringLiteral("Creative Cloud Content Manager"),
    QStringLiteral("Creative Cloud Libraries Synchronizer"),
    QStringLiteral("Adobe Crash Processor"),
    QStringLiteral("AdobeCRDaemon"),
    QStringLiteral("AdobeGCClient"),
    QStringLiteral("AdobeGCInvokerUtility"),
    QStringLiteral("AdobeUpdateService"),
    QStringLiteral("AdobeUpdateDaemon"),
};

// Adobe's licensing service.
inline const QStringList desktopServicePatterns{QStringLiteral("Adobe Desktop Service")};

// Adobe's file synchroniser.
inline const QStringList coreSyncPatterns{
    QStringLiteral("Core Sync"),
    QStringLiteral("Adobe Content Synchronizer"),
};

// The application the macOS kill script asks to quit.
inline const QString creativeCloudApp = QStringLiteral("Creative Cloud");

// Adobe's two per-user launch agents, which the macOS kill script boots out and disables.
inline const QStringList adobeLaunchAgents{
    QStringLiteral("com.adobe.AdobeCreativeCloud"),
    QStringLiteral("com.adobe.ccxprocess"),
};

// Bundle identifiers of the two Finder extensions, for pluginkit.
inline const QStringList finderExtensions{
    QStringLiteral("com.adobe.acc.anc.AdobeCreativeCloud.AdobeContextMenuExtension"),
    QStringLiteral("com.adobe.accmac.ACCFinderSync"),
};

// Process names of the same two extensions, in the same order.
inline const QStringList finderExtensionPatterns{
    QStringLiteral("Adobe Context Menu Extension"),
    QStringLiteral("ACCFinderSync"),
};

inline const QString kDesktopService = QStringLiteral("includeDesktopService");
inline const QString kCoreSync = QStringLiteral("includeCoreSync");
inline const QString kSound = QStringLiteral("soundEnabled");

inline const QString guardLabel = QStringLiteral("com.larkvane.hushwell.guard");
inline constexpr int guardInterval = 15;
