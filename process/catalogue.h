#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <algorithm>

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

// One row per preference, in the order hushwellctl and its completions list the keys: its
// default, the patterns it adds to the targets while on (none: it is no target group), and
// its box in the window (object name, title, tooltip; a target group's box sits in the
// drawer, in this order, with its caption under it). The defaults, the targets, the keys,
// the window's boxes and its snapshot are all read from here: a new optional target group
// is one more row and its patterns.
struct Preference {
    QString key;
    bool byDefault;
    QStringList patterns;
    QString box;
    QString title;
    QString caption;
    QString tooltip;

    bool isTargetGroup() const { return !patterns.isEmpty(); }
};

inline const QList<Preference> preferenceTable{
    {.key = kDesktopService,
     .byDefault = true,
     .patterns = desktopServicePatterns,
     .box = QStringLiteral("desktopServiceBox"),
     .title = QStringLiteral("Adobe Desktop Service"),
     .caption = QStringLiteral("Handles licensing. Untick if Adobe apps start demanding a sign-in."),
     .tooltip = QStringLiteral("Adobe's licensing service. Leave it ticked unless your Adobe apps start asking you to sign in, "
                               "then untick it.")},
    {.key = kCoreSync,
     .byDefault = true,
     .patterns = coreSyncPatterns,
     .box = QStringLiteral("coreSyncBox"),
     .title = QStringLiteral("Core Sync (Adobe Content Synchronizer)"),
     .caption = QStringLiteral("Syncs Creative Cloud Files and activates Adobe Fonts."),
     .tooltip = QStringLiteral("Syncs the Creative Cloud Files folder and activates Adobe Fonts. Untick it if you use either.")},
    {.key = kSound,
     .byDefault = false,
     .patterns = {},
     .box = QStringLiteral("soundCheckbox"),
     .title = QStringLiteral("Sound Effect (Rude)"),
     .caption = {},
     .tooltip = {}},
};

// The target groups' rows, in the table's order: the drawer's boxes.
inline QList<Preference> targetGroups()
{
    QList<Preference> groups;
    for (const Preference &preference : preferenceTable)
        if (preference.isTargetGroup())
            groups << preference;
    return groups;
}

// Whether `key` is a target group's: the guard follows it, and under the administrator's
// guard for every account the administrator's value is the one in force.
inline bool isTargetKey(const QString &key)
{
    const QList<Preference> groups = targetGroups();
    return std::any_of(groups.cbegin(), groups.cend(), [&key](const Preference &group) { return group.key == key; });
}

// Every key, in the table's order.
inline QStringList preferenceKeys()
{
    QStringList keys;
    for (const Preference &preference : preferenceTable)
        keys << preference.key;
    return keys;
}

inline const QString guardLabel = QStringLiteral("com.larkvane.hushwell.guard");
inline constexpr int guardInterval = 15;
