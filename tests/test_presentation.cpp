// What the window shows and where it goes, decided apart from the widgets.
#include "app/presentation.h"
#include "skin/factories.h"

#include <gtest/gtest.h>

#include <QTextDocument>

namespace {

TEST(Presentation, DrawerOpensDownwardAndMovesUpOnlyWhenTheScreenEnds)
{
    const QRect desktop(0, 0, 1920, 1050), laptop(0, 0, 1366, 738); // less a 30-pixel panel
    struct Row {
        const char *name;
        QRect before, available;
        bool open;
        int raised;
        QRect after;
    };
    const Row rows[] = {
        {"room below: the top stays", {100, 40, 420, 600}, desktop, true, 0, {100, 40, 420, 758}},
        {"closing: the top stays", {100, 292, 420, 758}, desktop, false, 0, {100, 292, 420, 600}},
        {"near the bottom: up just enough", {100, 400, 420, 600}, desktop, true, 0, {100, 292, 420, 758}},
        {"closing again: back where it was", {100, 292, 420, 758}, desktop, false, 108, {100, 400, 420, 600}},
        {"1366 x 768: as high as it goes", {100, 100, 420, 600}, laptop, true, 0, {100, 0, 420, 758}},
        {"closing, moved since: stays on screen", {100, 100, 420, 758}, laptop, false, 100, {100, 138, 420, 600}},
    };
    for (const Row &row : rows)
        EXPECT_EQ(drawerToggledGeometry(row.before, row.open, row.available, row.raised), row.after) << row.name;
}

TEST(Presentation, TooltipsWrapAtAReadableWidthAndKeepTheirWords)
{
    for (const QString &text : {startGuardTooltip(), stopGuardTooltip(), desktopServiceTooltip(), coreSyncTooltip()}) {
        QTextDocument shown;
        shown.setHtml(tooltipMarkup(text));
        EXPECT_LE(shown.idealWidth(), 340) << text.toStdString();
        EXPECT_EQ(shown.toPlainText().replace(QChar::LineSeparator, ' ').replace('\n', ' '), text);
    }
    EXPECT_EQ(desktopServiceTooltip(), "Adobe's licensing service. Leave it ticked unless your Adobe apps start asking you "
                                       "to sign in, then untick it.");
}

TEST(Presentation, ColoursAndTheLinesThatFollowAnAction)
{
    EXPECT_EQ(statusColour(true), QColor::fromRgbF(0.55f, 0.06f, 0.06f));
    EXPECT_EQ(statusColour(false), QColor::fromRgbF(0.1f, 0.34f, 0.1f));
    EXPECT_EQ(guardColour(true), QColor(52, 199, 89));
    EXPECT_EQ(guardColour(false), QColor(255, 59, 48));
    EXPECT_EQ(detailAfterKill(killPanelFor("0")), "Fans should settle down shortly.");
    EXPECT_EQ(detailAfterKill(killPanelFor("2")), std::nullopt);
    EXPECT_EQ(detailAfterKill(killPanelFor("")), std::nullopt) << "a failed count is not quiet";
    EXPECT_EQ(detailAfterBlock(false), "Couldn't start the guard.");
    EXPECT_EQ(detailAfterBlock(true), std::nullopt);
    EXPECT_EQ(detailAfterUnblock(false), "Couldn't stop the guard.");
}

TEST(Presentation, StartingWithoutADisplaySaysSoOnLinuxOnly)
{
    const QString message = noGraphicalSessionMessage(Platform::Linux, {"HOME=/h", "DISPLAY="}).value_or("");
    EXPECT_TRUE(message.contains("graphical session") && message.contains("hushwellctl")) << message.toStdString();
    for (const char *set : {"DISPLAY=:0", "WAYLAND_DISPLAY=wayland-0", "QT_QPA_PLATFORM=offscreen"})
        EXPECT_EQ(noGraphicalSessionMessage(Platform::Linux, {set}), std::nullopt) << set;
    EXPECT_EQ(noGraphicalSessionMessage(Platform::MacOS, {}), std::nullopt);
    EXPECT_EQ(preferredFontFamily(Platform::Linux, {"DejaVu Sans", "Inter"}), "Inter");
    EXPECT_EQ(preferredFontFamily(Platform::Linux, {"DejaVu Sans"}), "");
    EXPECT_EQ(preferredFontFamily(Platform::MacOS, {"Inter"}), "");
}

} // namespace
