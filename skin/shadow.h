#pragma once

#include <QColor>
#include <QImage>

// A soft shadow of `shape`: every pixel in `colour`, at the shape's alpha times the
// colour's, blurred by a Gaussian whose blur radius (two standard deviations, as AppKit
// counts it) is `blurRadius` pixels.
QImage softShadow(const QImage &shape, const QColor &colour, qreal blurRadius);
