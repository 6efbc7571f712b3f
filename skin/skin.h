#pragma once

#include <QColor>

// The fixed colours of the hardware look. Each is made once, on first use, and the same
// object is returned for the rest of the process.
struct Skin {
    Skin() = delete;

    static const QColor &casing();
    static const QColor &drawer();
    static const QColor &housing();
    static const QColor &housingEdge();
    static const QColor &onYellow();
    static const QColor &onYellowSoft();
    static const QColor &onCasing();
    static const QColor &onCasingSoft();
    static const QColor &domeTop();
    static const QColor &domeBottom();
    static const QColor &collar();
};
