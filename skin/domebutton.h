#pragma once

#include <QAbstractButton>
#include <QImage>

class QPainter;

// The big red button. Draws a dark collar, a red dome lit by a radial gradient with a
// dark rim, a gloss highlight and the caption "HUSH\nWELL". Bright while `live`,
// darkened when not; pressed, it darkens further, sinks 4 points and loses its gloss.
class DomeButton : public QAbstractButton
{
    Q_OBJECT
    Q_PROPERTY(bool live READ live WRITE setLive)
public:
    explicit DomeButton(QWidget *parent = nullptr);

    bool live() const { return isLive; }
    // Only stores the flag; the owner asks for the redraw.
    void setLive(bool live) { isLive = live; }

    // The application icon is drawn without the caption, which small sizes cannot show.
    void setCaptionShown(bool shown) { captionShown = shown; }

    // The plain colour the button stands on. With one, the button paints every pixel of
    // its square, that colour in the corners, so a repaint copies an opaque image instead
    // of blending one, and nothing behind it is painted first.
    void setBackdrop(const QColor &colour);

protected:
    void paintEvent(QPaintEvent *event) override;
    bool hitButton(const QPoint &pos) const override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    bool isLive = true;
    bool captionShown = true;
    bool keyboardFocus = false; // focus that came from the keyboard shows a ring
    QColor backdrop;            // invalid: transparent corners
    struct ShadowKey {
        QSize size;
        qreal ratio = 0;
        bool operator==(const ShadowKey &) const = default;
    };
    ShadowKey shadowKey;
    QImage shadow; // the caption's blurred shadow, for shadowKey
    struct LookKey {
        QSize size;
        qreal ratio;
        bool live;
        bool pressed;
        bool focusRing;
        bool captionShown;
        QColor backdrop;
        bool operator==(const LookKey &) const = default;
    };
    void paintLook(QPainter &painter, const LookKey &key);
    LookKey lookKey{};
    QImage look; // the whole button as last drawn, for lookKey
};
