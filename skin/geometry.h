#pragma once

#include <QColor>
#include <QLineF>
#include <QRectF>
#include <QSizeF>

#include <array>

// The look's geometry in unflipped points (origin bottom-left, y upward), as the design
// gives it. Painting converts once, with toQt.

QRectF toQt(const QRectF &unflipped, qreal boundsHeight);
QPointF toQt(const QPointF &unflipped, qreal boundsHeight);
QLineF toQt(const QLineF &unflipped, qreal boundsHeight);

// Window constants, in points.
inline constexpr qreal winWidth = 420;
inline constexpr qreal winHeight = 600;
inline constexpr qreal drawerHeight = 158;
inline constexpr qreal housingInset = 18;
inline constexpr qreal housingHeight = 386;

struct CasingGeometry {
    QRectF housing;
    std::array<QPointF, 4> screws; // lower left, lower right, upper left, upper right
};
CasingGeometry casingGeometry(const QSizeF &bounds);

struct ScrewGeometry {
    QRectF rim;
    QRectF face;
    QLineF slot;
};
ScrewGeometry screwGeometry(const QPointF &centre);

// The drawer's faint top line, covering its topmost point row.
QLineF drawerTopLine(const QSizeF &bounds);

struct DomeGeometry {
    QRectF collar;
    QRectF dome;
    QRectF gloss; // drawn only when not pressed
};
DomeGeometry domeGeometry(const QSizeF &bounds, bool pressed);

struct DomeColours {
    QColor top;    // the gradient's centre colour
    QColor bottom; // its rim colour
};
// Darkened towards black by 0.28 when not live, then by 0.22 when pressed.
DomeColours domeColours(bool live, bool pressed);
