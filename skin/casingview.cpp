#include "skin/casingview.h"

#include "skin/geometry.h"
#include "skin/skin.h"

#include <QPainter>
#include <QPainterPath>

namespace {

void drawScrew(QPainter &painter, const QPointF &centre, qreal boundsHeight)
{
    const ScrewGeometry screw = screwGeometry(centre);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor::fromRgbF(0.72f, 0.57f, 0.03f)); // the rim
    painter.drawEllipse(toQt(screw.rim, boundsHeight));
    painter.setBrush(QColor::fromRgbF(0.87f, 0.70f, 0.10f)); // the face
    painter.drawEllipse(toQt(screw.face, boundsHeight));
    painter.setBrush(Qt::NoBrush);
    // Flat caps: the slot ends where its line does, 8 points long.
    painter.setPen(QPen(QColor::fromRgbF(0.60f, 0.47f, 0.02f), 1.5, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(toQt(screw.slot, boundsHeight));
}

} // namespace

CasingView::CasingView(QWidget *parent) : QWidget(parent) {}

void CasingView::pinToBottom(QWidget *child)
{
    pinned = child;
}

void CasingView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (pinned)
        pinned->setGeometry(0, height() - pinned->height(), width(), pinned->height());
}

void CasingView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal h = height();
    painter.fillRect(rect(), Skin::casing());

    const CasingGeometry geometry = casingGeometry(size());
    QPainterPath housing;
    housing.addRoundedRect(toQt(geometry.housing, h), 18, 18);
    painter.fillPath(housing, Skin::housing());
    painter.strokePath(housing, QPen(Skin::housingEdge(), 2));

    for (const QPointF &screw : geometry.screws)
        drawScrew(painter, screw, h);
}
