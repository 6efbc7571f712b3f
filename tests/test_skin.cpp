// The look, against the numbers of the design: palette, geometry's worked examples, and
// the pixels the views draw.
#include "support/world.h"

#include "skin/casingview.h"
#include "skin/domebutton.h"
#include "skin/drawerview.h"
#include "skin/geometry.h"
#include "process/textwrap.h"

#include <QTest>


QColor rgb(double r, double g, double b) { return QColor::fromRgbF(float(r), float(g), float(b)); }

// Colours compare in 8-bit steps, with a little slack for antialiasing and rounding.
void expectNear(const QColor &actual, const QColor &expected, const std::string &what, int slack = 3)
{
    EXPECT_NEAR(actual.red(), expected.red(), slack) << what;
    EXPECT_NEAR(actual.green(), expected.green(), slack) << what;
    EXPECT_NEAR(actual.blue(), expected.blue(), slack) << what;
}

// What the pixels below do not show: the open casing's screws, the gloss, a dome in a wider
// square, and the flip from the design's bottom-up coordinates.
TEST(Geometry, TheWorkedExamples)
{
    const std::pair<QRectF, QRectF> rectangles[] = {
        {casingGeometry({420, 758}).housing, {18, 354, 384, 386}}, {toQt(QRectF(30, 544, 360, 16), 600), {30, 40, 360, 16}},
        {domeGeometry({210, 210}, false).gloss.toRect(), {41, 130, 88, 39}}, {domeGeometry({300, 210}, false).dome, {58, 16, 184, 184}}};
    for (const auto &[actual, expected] : rectangles)
        EXPECT_EQ(actual, expected);
    const CasingGeometry open = casingGeometry({420, 758});
    EXPECT_EQ(QList<QPointF>(open.screws.begin(), open.screws.end()), QList<QPointF>({{40, 376}, {380, 376}, {40, 718}, {380, 718}}));
    EXPECT_EQ(drawerTopLine({420, 158}), QLineF(0, 157.5, 420, 157.5));
    expectNear(domeColours(false, true).top, rgb(0.516672, 0.174096, 0.1404), "not live and pressed: both darkenings", 1);
}

TEST(Drawing, CasingScrewsAndDrawer)
{
    CasingView casing;
    casing.resize(420, 600);
    const QImage image = casing.grab().toImage();
    const QColor face = rgb(0.87, 0.70, 0.10);
    // The screw at unflipped (40, 560) is at Qt (40, 40): rim, face, and a slot with flat
    // ends from x 36 to 44.
    const std::tuple<int, int, QColor, const char *> pixels[] = { // x, y, colour, what
        {2, 597, rgb(0.14, 0.14, 0.15), "casing"}, {200, 380, rgb(0.953, 0.773, 0.047), "housing"},
        {33, 40, rgb(0.72, 0.57, 0.03), "screw rim"}, {40, 43, face, "screw face"}, {35, 40, face, "face left of the slot"},
        {44, 40, face, "face right of the slot"}};
    for (const auto &[x, y, colour, what] : pixels)
        expectNear(image.pixelColor(x, y), colour, what);
    expectNear(image.pixelColor(40, 40), rgb(0.60, 0.47, 0.02), "slot", 30);
    casing.resize(420, 758);
    expectNear(casing.grab().toImage().pixelColor(40, 43), face, "the housing stays under the top edge");

    DrawerView drawer;
    drawer.resize(420, 158);
    const QImage d = drawer.grab().toImage();
    expectNear(d.pixelColor(200, 80), rgb(0.10, 0.10, 0.11), "drawer");
    expectNear(d.pixelColor(200, 0), rgb(0.19, 0.19, 0.199), "white at alpha 0.1 along the top");
}

TEST(Drawing, DomeLitDarkPressedAndOnlyItsCircleIsTheButton)
{
    DomeButton dome;
    dome.resize(210, 210);
    const QImage lit = dome.grab().toImage();
    dome.setDown(true);
    const QImage pressed = dome.grab().toImage();
    dome.setDown(false);
    dome.setLive(false);
    const QImage dark = dome.grab().toImage();

    expectNear(lit.pixelColor(105, 4), rgb(0.10, 0.10, 0.11), "collar ring above the dome");
    // The dome's circle at Qt y 10 (unflipped 16 + 184 = 200 of 210): its 2-point rim.
    expectNear(lit.pixelColor(105, 10), rgb(0.45, 0.05, 0.05), "rim, lit");
    expectNear(dark.pixelColor(105, 10), rgb(0.45, 0.05, 0.05), "rim, not live: the same");
    expectNear(pressed.pixelColor(105, 14), rgb(0.45, 0.05, 0.05), "rim, pressed: 4 points lower");
    // Lower right of the body, clear of the gloss and the caption.
    EXPECT_GT(lit.pixelColor(150, 160).red(), 120);
    EXPECT_NEAR(dark.pixelColor(150, 160).red(), lit.pixelColor(150, 160).red() * 0.72, 4) << "not live: 28 % darker";
    EXPECT_NEAR(pressed.pixelColor(150, 164).red(), lit.pixelColor(150, 160).red() * 0.78, 4) << "pressed: 22 % darker, 4 lower";
    // The gloss (Qt y about 45 to 80 near x 60) shows only when not pressed.
    EXPECT_GT(lit.pixelColor(60, 62).green(), pressed.pixelColor(60, 66).green() + 20) << "gloss up, none pressed";

    int clicks = 0;
    QObject::connect(&dome, &DomeButton::clicked, [&] { ++clicks; });
    for (const QPoint point : {QPoint(4, 4), QPoint(205, 205), QPoint(105, 105)})
        QTest::mouseClick(&dome, Qt::LeftButton, {}, point);
    EXPECT_EQ(clicks, 1) << "the corners of its square are not the button";
}

// The caption casts a shadow of black at alpha 0.45, one point down, blurred by radius 2:
// it darkens pixels beyond its offset.
TEST(Drawing, TheCaptionShadowIsBlurred)
{
    DomeButton dome;
    dome.resize(210, 210);
    const QImage withCaption = dome.grab().toImage();
    dome.setCaptionShown(false);
    const QImage without = dome.grab().toImage();
    int lowestWhite = 0, lowestChanged = 0;
    double darkest = 1; // the least of the dome's own red that a shadowed pixel keeps
    for (int y = 0; y < 210; ++y)
        for (int x = 0; x < 210; ++x)
            if (withCaption.pixel(x, y) != without.pixel(x, y)) {
                lowestChanged = y;
                const QColor shown = withCaption.pixelColor(x, y), dome = without.pixelColor(x, y);
                if (shown.green() > 200)
                    lowestWhite = y;
                else if (shown.green() <= dome.green() && dome.red() > 0)
                    darkest = std::min(darkest, double(shown.redF()) / dome.redF());
            }
    EXPECT_GE(lowestChanged - lowestWhite, 3) << "a soft shadow below the caption";
    // Black at alpha 0.45 keeps 55 % where it covers fully; blurred, never quite that.
    EXPECT_GT(darkest, 0.58) << "no darker than black at alpha 0.45";
    EXPECT_LT(darkest, 0.80) << "clearly darker than the dome";
}

TEST(TextWrap, LinesBreakAtTheWidthAndNoSooner)
{
    const std::tuple<const char *, QString, QStringList> rows[] = {
        {"exactly the width stays one line", "abcd efghi", {"abcd efghi"}},
        {"one more breaks", "abcd efghij", {"abcd", "efghij"}},
        {"a longer word stands alone", "a abcdefghijkl b", {"a", "abcdefghijkl", "b"}},
        {"runs of spaces fold", "a   b", {"a b"}},
    };
    for (const auto &[name, text, lines] : rows)
        EXPECT_EQ(wrappedLines(text, 10), lines) << name;
}

TEST(TextWrap, ControlCharactersAreShownEscaped)
{
    const std::tuple<const char *, QString, QString> rows[] = {
        {"an escape sequence", "a\x1b[2Jb", "a\\x1b[2Jb"},
        {"line feed, tab, carriage return", "a\nb\tc\rd", "a\\nb\\tc\\rd"},
        {"delete", "a\x7f" "b", "a\\x7fb"},
        {"a C1 control", QString("a") + QChar(0x9b) + "b", "a\\u009bb"},
        {"a backslash and what is printable stay", "C:\\Adobe é", "C:\\Adobe é"},
    };
    for (const auto &[name, text, shown] : rows)
        EXPECT_EQ(printable(text), shown) << name;
}
