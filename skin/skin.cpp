#include "skin/skin.h"

namespace {

// Greys have no colour space of their own here: a white level w is red = green = blue = w.
QColor grey(double white)
{
    return QColor::fromRgbF(float(white), float(white), float(white));
}

QColor srgb(double red, double green, double blue)
{
    return QColor::fromRgbF(float(red), float(green), float(blue));
}

} // namespace

// Function-local statics: created on first read, thread-safe, never released.
const QColor &Skin::casing()
{
    static const QColor c = srgb(0.14, 0.14, 0.15);
    return c;
}
const QColor &Skin::drawer()
{
    static const QColor c = srgb(0.10, 0.10, 0.11);
    return c;
}
const QColor &Skin::housing()
{
    static const QColor c = srgb(0.953, 0.773, 0.047);
    return c;
}
const QColor &Skin::housingEdge()
{
    static const QColor c = srgb(0.78, 0.62, 0.03);
    return c;
}
const QColor &Skin::onYellow()
{
    static const QColor c = srgb(0.16, 0.13, 0.02);
    return c;
}
const QColor &Skin::onYellowSoft()
{
    static const QColor c = srgb(0.36, 0.29, 0.05);
    return c;
}
const QColor &Skin::onCasing()
{
    static const QColor c = grey(0.86);
    return c;
}
const QColor &Skin::onCasingSoft()
{
    static const QColor c = grey(0.55);
    return c;
}
const QColor &Skin::domeTop()
{
    static const QColor c = srgb(0.92, 0.31, 0.25);
    return c;
}
const QColor &Skin::domeBottom()
{
    static const QColor c = srgb(0.65, 0.09, 0.09);
    return c;
}
const QColor &Skin::collar()
{
    static const QColor c = srgb(0.10, 0.10, 0.11);
    return c;
}
