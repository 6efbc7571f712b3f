// What the build produces for installing: the rendered icon, the desktop entry and the
// macOS bundle's Info.plist (configured on every platform so it is checked here too).
#include "skin/domeicon.h"
#include "process/version.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QMap>
#include <QXmlStreamReader>

namespace {

void expectDomeIcon(const QImage &icon)
{
    ASSERT_FALSE(icon.isNull());
    const QColor centre = icon.pixelColor(icon.width() / 2, icon.height() / 2);
    EXPECT_GT(centre.red(), 100);
    EXPECT_GT(centre.red(), 2 * centre.green()) << "the centre is the dome's red";
    EXPECT_EQ(centre.alpha(), 255);
    EXPECT_EQ(icon.pixelColor(0, 0).alpha(), 0) << "corners are transparent";
    EXPECT_EQ(icon.pixelColor(icon.width() - 1, icon.height() - 1).alpha(), 0);
}

TEST(Icon, BuiltPngsAreTheDome)
{
    for (const int size : {16, 48, 256, 512}) {
        const QImage icon(QStringLiteral(HUSHWELL_ICON_DIR "/hushwell-%1.png").arg(size));
        EXPECT_EQ(icon.size(), QSize(size, size));
        expectDomeIcon(icon);
    }
    expectDomeIcon(renderDomeIcon(64));
}

TEST(Bundle, InfoPlistDeclaresWhatMacOSNeeds)
{
    QFile file(QStringLiteral(HUSHWELL_INFO_PLIST));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QMap<QString, QString> values;
    QString key;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("key"))
            key = xml.readElementText();
        else if (!key.isEmpty() && xml.name() != QLatin1String("dict")) {
            values[key] = xml.name() == QLatin1String("true") ? QStringLiteral("true") : xml.readElementText();
            key.clear();
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    EXPECT_EQ(values["CFBundleIdentifier"], "com.larkvane.hushwell");
    EXPECT_EQ(values["CFBundleName"], "Hushwell");
    EXPECT_EQ(values["CFBundleShortVersionString"], HUSHWELL_VERSION);
    EXPECT_EQ(values["NSHighResolutionCapable"], "true");
    EXPECT_EQ(values["CFBundleIconFile"], "hushwell.icns");
}

TEST(DesktopEntry, StartsTheInstalledProgramWithItsIcon)
{
    QFile file(QStringLiteral(HUSHWELL_DESKTOP_ENTRY));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QMap<QString, QString> entry;
    for (const QByteArray &line : file.readAll().split('\n'))
        if (const qsizetype eq = line.indexOf('='); eq > 0)
            entry[QString::fromUtf8(line.left(eq))] = QString::fromUtf8(line.mid(eq + 1));
    EXPECT_EQ(entry["Name"], "Hushwell");
    EXPECT_EQ(entry["Exec"], "hushwell") << "the name the package installs in /usr/bin";
    EXPECT_EQ(entry["Icon"], "hushwell") << "the name of the installed hicolor icons";
    EXPECT_EQ(entry["Categories"], "Utility;System;");
}

} // namespace
