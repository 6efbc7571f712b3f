#include "app/presentation.h"

#include "process/catalogue.h"
#include "skin/geometry.h"

QColor statusColour(bool running)
{
    return running ? QColor::fromRgbF(0.55f, 0.06f, 0.06f) : QColor::fromRgbF(0.1f, 0.34f, 0.1f);
}

QColor guardColour(bool on)
{
    // macOS's systemGreenColor and systemRedColor in the light appearance.
    return on ? QColor(52, 199, 89) : QColor(255, 59, 48);
}

std::optional<QString> detailAfterKill(const QString &statusAfterRefresh)
{
    if (statusAfterRefresh == QLatin1String("All quiet"))
        return QStringLiteral("Fans should settle down shortly.");
    return std::nullopt;
}

std::optional<QString> detailAfterBlock(bool started)
{
    if (!started)
        return QStringLiteral("Couldn't start the guard.");
    return std::nullopt;
}

std::optional<QString> detailAfterUnblock(bool stopped)
{
    if (!stopped)
        return QStringLiteral("Couldn't stop the guard.");
    return std::nullopt;
}

QString startGuardTooltip()
{
    return QStringLiteral("Watches in the background and kills Adobe's processes again every ") + QString::number(guardInterval)
           + QStringLiteral(" seconds, however often they come back.");
}

QString stopGuardTooltip()
{
    return QStringLiteral("Stops watching. Adobe's processes are left alone from then on.");
}

QString desktopServiceTooltip()
{
    return QStringLiteral("Adobe's licensing service. Leave it ticked unless your Adobe apps start asking you to sign in, "
                          "then untick it and press Unblock.");
}

QString coreSyncTooltip()
{
    return QStringLiteral("Syncs the Creative Cloud Files folder and activates Adobe Fonts. Untick it if you use either.");
}

QRect drawerToggledGeometry(const QRect &geometry, bool nowOpen)
{
    const int change = int(drawerHeight);
    return geometry.adjusted(0, 0, 0, nowOpen ? change : -change);
}

QList<MenuEntry> applicationMenuEntries(Platform platform)
{
    QList<MenuEntry> entries{{MenuCommand::About, QStringLiteral("About Hushwell"), {}}, {MenuCommand::Separator, {}, {}}};
    if (platform != Platform::MacOS)
        entries += {{MenuCommand::Hide, QStringLiteral("Hide Hushwell"), QKeySequence(Qt::CTRL | Qt::Key_H)},
                    {MenuCommand::Separator, {}, {}}};
    entries += {MenuCommand::Quit, QStringLiteral("Quit Hushwell"), QKeySequence(Qt::CTRL | Qt::Key_Q)};
    return entries;
}
