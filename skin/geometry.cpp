#include "skin/geometry.h"

#include "skin/skin.h"

#include <algorithm>

QRectF toQt(const QRectF &r, qreal boundsHeight)
{
    return {r.x(), boundsHeight - r.y() - r.height(), r.width(), r.height()};
}

QPointF toQt(const QPointF &p, qreal boundsHeight)
{
    return {p.x(), boundsHeight - p.y()};
}

QLineF toQt(const QLineF &l, qreal boundsHeight)
{
    return {toQt(l.p1(), boundsHeight), toQt(l.p2(), boundsHeight)};
}

CasingGeometry casingGeometry(const QSizeF &bounds)
{
    // The housing hangs from the top edge, so it keeps its place when the casing grows
    // downward for the drawer.
    const QRectF housing(housingInset, bounds.height() - housingInset - housingHeight, bounds.width() - 2 * housingInset, housingHeight);
    // Unflipped: y() is the bottom edge and y() + height() the top one.
    constexpr qreal in = 22;
    const qreal minX = housing.x(), maxX = housing.x() + housing.width();
    const qreal minY = housing.y(), maxY = housing.y() + housing.height();
    return {housing,
            {QPointF(minX + in, minY + in), QPointF(maxX - in, minY + in), QPointF(minX + in, maxY - in), QPointF(maxX - in, maxY - in)}};
}

ScrewGeometry screwGeometry(const QPointF &p)
{
    const QRectF rim(p.x() - 8, p.y() - 8, 16, 16);
    return {rim, rim.adjusted(2, 2, -2, -2), QLineF(p.x() - 4, p.y(), p.x() + 4, p.y())};
}

QLineF drawerTopLine(const QSizeF &bounds)
{
    return {0, bounds.height() - 0.5, bounds.width(), bounds.height() - 0.5};
}

DomeGeometry domeGeometry(const QSizeF &bounds, bool pressed)
{
    const qreal d = std::min(bounds.width(), bounds.height());
    const qreal mx = bounds.width() / 2;
    const qreal my = bounds.height() / 2;
    const qreal c = d - 26; // leaves a collar ring 13 points wide
    QRectF dome(mx - c / 2, my - c / 2 + 3, c, c);
    if (pressed)
        dome.translate(0, -4);
    const QRectF gloss(dome.x() + 0.15 * c, dome.y() + 0.62 * c, 0.48 * c, 0.21 * c);
    return {QRectF(mx - d / 2, my - d / 2, d, d), dome, gloss};
}

namespace {

QColor towardsBlack(const QColor &colour, double fraction)
{
    const double keep = 1 - fraction;
    return QColor::fromRgbF(float(colour.redF() * keep), float(colour.greenF() * keep), float(colour.blueF() * keep));
}

} // namespace

DomeColours domeColours(bool live, bool pressed)
{
    DomeColours colours{Skin::domeTop(), Skin::domeBottom()};
    if (!live)
        colours = {towardsBlack(colours.top, 0.28), towardsBlack(colours.bottom, 0.28)};
    if (pressed)
        colours = {towardsBlack(colours.top, 0.22), towardsBlack(colours.bottom, 0.22)};
    return colours;
}
