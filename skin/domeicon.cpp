#include "skin/domeicon.h"

#include "skin/domebutton.h"

#include <QPainter>

#include <algorithm>

QImage renderDomeIcon(int size)
{
    // Drawn at the window's own 210-point size, or larger, and scaled: small icons keep the
    // proportions of collar, rim and gloss, averaged down rather than sampled.
    constexpr int designSize = 210;
    const int drawn = std::max(size, designSize);
    DomeButton dome;
    dome.resize(designSize, designSize);
    dome.setCaptionShown(false);
    QImage image(drawn, drawn, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.scale(qreal(drawn) / designSize, qreal(drawn) / designSize);
    dome.render(&painter, QPoint(), QRegion(), QWidget::RenderFlags());
    painter.end();
    return drawn == size ? image : image.scaled(size, size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

QIcon domeIcon()
{
    QIcon icon;
    for (const int size : domeIconSizes)
        icon.addPixmap(QPixmap::fromImage(renderDomeIcon(size)));
    return icon;
}
