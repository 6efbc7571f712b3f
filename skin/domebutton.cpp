#include "skin/domebutton.h"

#include "skin/factories.h"
#include "skin/geometry.h"
#include "skin/shadow.h"
#include "skin/skin.h"

#include <QFocusEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace {

QFont captionFont()
{
    QFont font = systemFont(21, QFont::ExtraBold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 1.6);
    return font;
}

// A backdrop with no transparency lets the button cover its whole square.
bool isOpaque(const QColor &colour)
{
    return colour.isValid() && colour.alpha() == 255;
}

} // namespace

DomeButton::DomeButton(QWidget *parent) : QAbstractButton(parent) {}

bool DomeButton::hitButton(const QPoint &pos) const
{
    // Only the round collar is the button, not the corners of its square.
    const QRectF collar = toQt(domeGeometry(size(), false).collar, height());
    const QPointF d = QPointF(pos) - collar.center();
    return std::hypot(d.x(), d.y()) <= collar.width() / 2;
}

void DomeButton::focusInEvent(QFocusEvent *event)
{
    keyboardFocus = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
    QAbstractButton::focusInEvent(event);
}

void DomeButton::focusOutEvent(QFocusEvent *event)
{
    keyboardFocus = false;
    QAbstractButton::focusOutEvent(event);
}

void DomeButton::setBackdrop(const QColor &colour)
{
    backdrop = colour;
    setAttribute(Qt::WA_OpaquePaintEvent, isOpaque(colour));
    update();
}

void DomeButton::paintEvent(QPaintEvent *)
{
    // The look is drawn once per state and size and then only copied: a gradient, a blur
    // and a caption cost far more than a button's repaint should.
    QPainter painter(this);
    // The pixel ratio is the painter's own scale: a widget rendered into an image of
    // another ratio than its screen's (a grab, a screenshot) gets crisp pixels too.
    const QTransform device = painter.deviceTransform();
    // Below 1 (QT_SCALE_FACTOR=0.5, a thumbnail) QPainter clamps an image's pixel ratio
    // to 1, so a look drawn at such a ratio would be a crop: it is drawn at 1 and scaled.
    const bool scaleOnly = device.type() <= QTransform::TxScale && device.m11() == device.m22() && device.m11() >= 1;
    const qreal ratio = scaleOnly ? device.m11() : painter.device()->devicePixelRatioF();
    const LookKey key{.size = size(),
                      .ratio = ratio,
                      .live = isLive,
                      .pressed = isDown(),
                      .focusRing = keyboardFocus && hasFocus(),
                      .captionShown = captionShown,
                      .backdrop = backdrop};
    if (!(key == lookKey) || look.isNull()) {
        look = QImage(size() * key.ratio, isOpaque(key.backdrop) ? QImage::Format_RGB32 : QImage::Format_ARGB32_Premultiplied);
        look.setDevicePixelRatio(key.ratio);
        look.fill(key.backdrop.isValid() ? key.backdrop : QColor(Qt::transparent));
        QPainter lookPainter(&look);
        paintLook(lookPainter, key);
        lookKey = key;
    }
    if (!scaleOnly) {
        painter.drawImage(QPointF(0, 0), look);
        return;
    }
    // One pixel of the look per device pixel, with no scale left in the painter: through
    // the pixel-ratio scale even a plain copy takes the raster engine's scaling path.
    painter.setWorldTransform(QTransform::fromScale(1 / ratio, 1 / ratio));
    // The same pixels at ratio 1, without a copy: setting the ratio on a copy of the look
    // would copy every pixel on every repaint.
    const QImage &cached = look;
    const QImage pixels(cached.constBits(), cached.width(), cached.height(), cached.bytesPerLine(), cached.format());
    painter.drawImage(QPointF(0, 0), pixels);
}

void DomeButton::paintLook(QPainter &painter, const LookKey &key)
{
    const bool pressed = key.pressed;
    const qreal h = height();
    const DomeGeometry geometry = domeGeometry(size(), pressed);
    const DomeColours colours = domeColours(isLive, pressed);
    const QRectF dome = toQt(geometry.dome, h);

    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);

    painter.setBrush(Skin::collar());
    painter.drawEllipse(toQt(geometry.collar, h));
    if (key.focusRing) {
        // Only for keyboard users, who need to see where Space will act.
        painter.setPen(QPen(Skin::onCasing(), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(toQt(geometry.collar, h).adjusted(1, 1, -1, -1));
        painter.setPen(Qt::NoPen);
    }

    // The light falls from the upper left: the gradient starts a quarter of the
    // half-width left of and 0.45 of the half-height above the dome's centre and ends on
    // a circle that encloses the dome.
    const QPointF focal(dome.center().x() - 0.25 * dome.width() / 2, dome.center().y() - 0.45 * dome.height() / 2);
    QRadialGradient gradient(dome.center(), std::hypot(dome.width(), dome.height()) / 2, focal);
    gradient.setColorAt(0, colours.top);
    gradient.setColorAt(1, colours.bottom);
    painter.setBrush(gradient);
    painter.drawEllipse(dome);

    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor::fromRgbF(0.45f, 0.05f, 0.05f), 2));
    painter.drawEllipse(dome);

    if (!pressed) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromRgbF(1, 1, 1, 0.22f));
        painter.drawEllipse(toQt(geometry.gloss, h));
    }

    if (!key.captionShown)
        return;
    // The caption, centred on the dome and sinking with it, over a soft shadow one point
    // below it: black at alpha 0.45, blur radius 2.
    const QString caption = QStringLiteral("HUSH\nWELL");
    const QFont font = captionFont();
    const QRectF ink = QFontMetricsF(font).boundingRect(QRectF(0, 0, dome.width(), 200), Qt::AlignHCenter, caption);
    const QRectF text(dome.x(), dome.center().y() - ink.height() / 2, dome.width(), ink.height());
    // The blur is most of the cost: made once per size and pixel ratio (a press moves the
    // caption whole, by whole points), and only over the caption and the blur's reach (three
    // standard deviations, 3 points).
    const qreal ratio = key.ratio;
    const QRect area =
        QRectF(dome.center().x() - ink.width() / 2, text.y() + 1, ink.width(), ink.height()).adjusted(-4, -4, 4, 4).toAlignedRect();
    const ShadowKey shadowFor{size(), ratio};
    if (!(shadowFor == shadowKey) || shadow.isNull()) {
        QImage shape(area.size() * ratio, QImage::Format_ARGB32_Premultiplied);
        shape.setDevicePixelRatio(ratio);
        shape.fill(Qt::transparent);
        QPainter shapePainter(&shape);
        shapePainter.setRenderHint(QPainter::Antialiasing);
        shapePainter.translate(-area.topLeft());
        shapePainter.setFont(font);
        shapePainter.drawText(text.translated(0, 1), Qt::AlignHCenter | Qt::AlignVCenter, caption);
        shapePainter.end();
        shadow = softShadow(shape, QColor::fromRgbF(0, 0, 0, 0.45f), 2 * ratio);
        shadowKey = shadowFor;
    }
    painter.drawImage(area.topLeft(), shadow);

    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(text, Qt::AlignHCenter | Qt::AlignVCenter, caption);
}
