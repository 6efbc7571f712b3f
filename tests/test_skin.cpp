#include "skin/casingview.h"
#include "skin/domebutton.h"
#include "skin/drawerview.h"
#include "skin/factories.h"
#include "skin/geometry.h"
#include "skin/shadow.h"
#include "skin/skin.h"

#include <gtest/gtest.h>

#include <QImage>

#include <memory>

namespace {

void expectRect(const QRectF &actual, const QRectF &expected, const char *what)
{
    EXPECT_NEAR(actual.x(), expected.x(), 1e-9) << what;
    EXPECT_NEAR(actual.y(), expected.y(), 1e-9) << what;
    EXPECT_NEAR(actual.width(), expected.width(), 1e-9) << what;
    EXPECT_NEAR(actual.height(), expected.height(), 1e-9) << what;
}

void expectColour(const QColor &c, double r, double g, double b, const char *what)
{
    EXPECT_NEAR(c.redF(), r, 1e-4) << what;
    EXPECT_NEAR(c.greenF(), g, 1e-4) << what;
    EXPECT_NEAR(c.blueF(), b, 1e-4) << what;
    EXPECT_EQ(c.alphaF(), 1.0) << what;
}

// Pixels are compared with a little slack for antialiasing and 8-bit rounding.
void expectPixel(const QImage &image, int x, int y, const QColor &expected, const char *what)
{
    const QColor actual = image.pixelColor(x, y);
    EXPECT_NEAR(actual.red(), expected.red(), 3) << what << " at " << x << "," << y;
    EXPECT_NEAR(actual.green(), expected.green(), 3) << what << " at " << x << "," << y;
    EXPECT_NEAR(actual.blue(), expected.blue(), 3) << what << " at " << x << "," << y;
}

TEST(Skin, EachColourIsOneSharedObject)
{
    EXPECT_EQ(&Skin::casing(), &Skin::casing());
    EXPECT_NE(&Skin::collar(), &Skin::drawer());
    EXPECT_EQ(Skin::collar(), Skin::drawer());
    expectColour(Skin::onCasing(), 0.86, 0.86, 0.86, "onCasing");
    expectColour(Skin::onCasingSoft(), 0.55, 0.55, 0.55, "onCasingSoft");
}

TEST(CasingGeometry, HousingAndScrewsHangFromTheTopEdge)
{
    const CasingGeometry closed = casingGeometry({420, 600});
    expectRect(closed.housing, {18, 196, 384, 386}, "closed housing");
    EXPECT_EQ(closed.screws[0], QPointF(40, 218));
    EXPECT_EQ(closed.screws[1], QPointF(380, 218));
    EXPECT_EQ(closed.screws[2], QPointF(40, 560));
    EXPECT_EQ(closed.screws[3], QPointF(380, 560));

    const CasingGeometry open = casingGeometry({420, 758});
    expectRect(open.housing, {18, 354, 384, 386}, "open housing");
    EXPECT_EQ(open.screws[0], QPointF(40, 376));
    EXPECT_EQ(open.screws[3], QPointF(380, 718));

    const ScrewGeometry screw = screwGeometry({40, 218});
    expectRect(screw.rim, {32, 210, 16, 16}, "rim");
    expectRect(screw.face, {34, 212, 12, 12}, "face");
    EXPECT_EQ(screw.slot, QLineF(36, 218, 44, 218));

    EXPECT_EQ(drawerTopLine({420, 158}), QLineF(0, 157.5, 420, 157.5));
    expectRect(toQt(QRectF(30, 544, 360, 16), 600), {30, 40, 360, 16}, "flipped once for Qt");
}

TEST(DomeGeometry, WorkedExamples)
{
    const DomeGeometry up = domeGeometry({210, 210}, false);
    expectRect(up.collar, {0, 0, 210, 210}, "collar");
    expectRect(up.dome, {13, 16, 184, 184}, "dome");
    expectRect(up.gloss, {40.6, 130.08, 88.32, 38.64}, "gloss");
    EXPECT_DOUBLE_EQ(up.dome.center().y(), 108);
    const DomeGeometry down = domeGeometry({210, 210}, true);
    expectRect(down.dome, {13, 12, 184, 184}, "pressed dome");
    EXPECT_DOUBLE_EQ(down.dome.center().y(), 104);

    const DomeGeometry wide = domeGeometry({300, 210}, false);
    expectRect(wide.collar, {45, 0, 210, 210}, "wide collar");
    expectRect(wide.dome, {58, 16, 184, 184}, "wide dome");
}

TEST(DomeColours, DarkenTowardsBlackPerState)
{
    struct Row {
        bool live, pressed;
        double top[3], bottom[3];
    };
    const Row rows[] = {
        {true, false, {0.92, 0.31, 0.25}, {0.65, 0.09, 0.09}},
        {false, false, {0.6624, 0.2232, 0.18}, {0.468, 0.0648, 0.0648}},
        {true, true, {0.7176, 0.2418, 0.195}, {0.507, 0.0702, 0.0702}},
        {false, true, {0.516672, 0.174096, 0.1404}, {0.36504, 0.050544, 0.050544}},
    };
    for (const Row &row : rows) {
        const DomeColours c = domeColours(row.live, row.pressed);
        expectColour(c.top, row.top[0], row.top[1], row.top[2], "top");
        expectColour(c.bottom, row.bottom[0], row.bottom[1], row.bottom[2], "bottom");
    }
    expectColour(Skin::domeTop(), 0.92, 0.31, 0.25, "the shared colour is left unchanged");
}

TEST(Drawing, CasingHousingAndScrewsLandWhereTheGeometrySays)
{
    CasingView casing;
    casing.resize(420, 600);
    const QImage image = casing.grab().toImage();
    expectPixel(image, 2, 2, Skin::casing(), "casing corner");
    expectPixel(image, 2, 597, Skin::casing(), "casing bottom corner");
    expectPixel(image, 200, 380, Skin::housing(), "housing");
    // Screw at unflipped (40, 560), Qt (40, 40): the face, clear of the slot.
    expectPixel(image, 40, 43, QColor::fromRgbF(0.87f, 0.70f, 0.10f), "screw face");
    EXPECT_LT(image.pixelColor(40, 40).green(), image.pixelColor(40, 43).green() - 20) << "the darker slot";
    // The slot is 8 points long, from x 36 to 44, with flat ends: the face shows either side.
    expectPixel(image, 35, 40, QColor(222, 179, 26), "face left of the slot");
    expectPixel(image, 44, 40, QColor(222, 179, 26), "face right of the slot");
    expectPixel(image, 33, 40, QColor::fromRgbF(0.72f, 0.57f, 0.03f), "screw rim");

    casing.resize(420, 758);
    const QImage tall = casing.grab().toImage();
    expectPixel(tall, 40, 43, QColor::fromRgbF(0.87f, 0.70f, 0.10f), "the housing stays under the top edge");

    DrawerView drawer;
    drawer.resize(420, 158);
    const QImage d = drawer.grab().toImage();
    expectPixel(d, 200, 80, Skin::drawer(), "drawer");
    const QColor line = d.pixelColor(200, 0);
    EXPECT_GT(line.red(), Skin::drawer().red() + 10) << "the faint top line";
}

TEST(Drawing, DomeIsLitOrDarkAndRestsOnItsCollar)
{
    DomeButton dome;
    dome.resize(210, 210);
    EXPECT_TRUE(dome.live());
    const QImage lit = dome.grab().toImage();
    dome.setLive(false);
    const QImage dark = dome.grab().toImage();

    expectPixel(lit, 105, 4, Skin::collar(), "collar ring above the dome");
    // Lower right of the body, clear of the gloss and the caption.
    const QColor litBody = lit.pixelColor(150, 160);
    const QColor darkBody = dark.pixelColor(150, 160);
    EXPECT_GT(litBody.red(), 120);
    EXPECT_GT(litBody.red(), litBody.green() * 3);
    EXPECT_NEAR(darkBody.red(), litBody.red() * 0.72, 4) << "not live: 28% towards black";
}

TEST(Drawing, TheCaptionShadowIsBlackAtAlpha045BlurredByRadius2)
{
    QImage dot(21, 21, QImage::Format_ARGB32);
    dot.fill(Qt::transparent);
    dot.setPixelColor(10, 10, Qt::white);
    const QImage shadow = softShadow(dot, QColor::fromRgbF(0, 0, 0, 0.45f), 2);
    int total = 0;
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 21; ++x)
            total += shadow.pixelColor(x, y).alpha();
    EXPECT_NEAR(total, 0.45 * 255, 12) << "blurred, not lost (less rounding)";
    EXPECT_EQ(shadow.pixelColor(10, 10).rgb(), qRgb(0, 0, 0));
    EXPECT_GT(shadow.pixelColor(12, 10).alpha(), 0) << "reaches two pixels out";
    EXPECT_LT(shadow.pixelColor(12, 10).alpha(), shadow.pixelColor(11, 10).alpha());
    EXPECT_EQ(shadow.pixelColor(15, 10).alpha(), 0);

    // On the dome: the caption darkens pixels beyond its shadow's one-point offset.
    DomeButton dome;
    dome.resize(210, 210);
    const QImage withCaption = dome.grab().toImage();
    dome.setCaptionShown(false);
    const QImage without = dome.grab().toImage();
    int lowestWhite = 0, lowestChanged = 0;
    for (int y = 0; y < 210; ++y)
        for (int x = 0; x < 210; ++x) {
            if (withCaption.pixel(x, y) == without.pixel(x, y))
                continue;
            lowestChanged = y;
            if (withCaption.pixelColor(x, y).green() > 200)
                lowestWhite = y;
        }
    EXPECT_GE(lowestChanged - lowestWhite, 3) << "a soft shadow below the caption";
}

TEST(Factories, LabelsDrawNoBackgroundAndTitlesDifferOnlyInTheirTriangle)
{
    const std::unique_ptr<QLabel> centred(label("x", 11, QFont::Bold, Skin::onYellow(), QRect(1, 2, 3, 4)));
    EXPECT_TRUE(centred->alignment() & Qt::AlignHCenter);
    EXPECT_FALSE(centred->autoFillBackground());
    const std::unique_ptr<QLabel> left(label("x", 10, QFont::Normal, Skin::onYellow(), QRect(), Qt::AlignLeft));
    EXPECT_TRUE(left->alignment() & Qt::AlignLeft);

    const StyledTitle closed = disclosureTitle(false), open = disclosureTitle(true);
    EXPECT_EQ(closed.text, QString::fromUtf8("\u25b8  Settings"));
    EXPECT_EQ(open.text, QString::fromUtf8("\u25be  Settings"));
    EXPECT_EQ(closed.colour, open.colour);
    EXPECT_EQ(closed.font, open.font);
}

} // namespace
