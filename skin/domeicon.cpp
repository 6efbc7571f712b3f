#include "skin/domeicon.h"

#include "skin/domebutton.h"

#include <QPainter>

QImage renderDomeIcon(int size)
{
    // Drawn at the window's own 210-point size and scaled, so that small icons keep the
    // proportions of collar, rim and caption.
    constexpr int designSize = 210;
    DomeButton dome;
    dome.resize(designSize, designSize);
    dome.setCaptionShown(false);
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.scale(qreal(size) / designSize, qreal(size) / designSize);
    dome.render(&painter, QPoint(), QRegion(), QWidget::RenderFlags());
    painter.end();
    return image;
}

QIcon domeIcon()
{
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(renderDomeIcon(size)));
    return icon;
}
