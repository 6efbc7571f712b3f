#include "skin/drawerview.h"

#include "skin/geometry.h"
#include "skin/skin.h"

#include <QPainter>

DrawerView::DrawerView(QWidget *parent) : QWidget(parent) {}

void DrawerView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), Skin::drawer());
    painter.setPen(QPen(QColor::fromRgbF(1, 1, 1, 0.1f), 1));
    painter.drawLine(toQt(drawerTopLine(size()), height()));
}
