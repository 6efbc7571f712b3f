#include "skin/shadow.h"

#include <cmath>
#include <vector>

namespace {

std::vector<float> gaussianKernel(qreal blurRadius)
{
    const double sigma = std::max(0.1, blurRadius / 2);
    const int reach = int(std::ceil(3 * sigma));
    std::vector<float> kernel(2 * reach + 1);
    double sum = 0;
    for (int i = -reach; i <= reach; ++i)
        sum += kernel[i + reach] = float(std::exp(-(i * i) / (2 * sigma * sigma)));
    for (float &k : kernel)
        k = float(k / sum);
    return kernel;
}

// One pass of the separable blur over an alpha plane, along x (step 1) or y (step width).
std::vector<float> blurPass(const std::vector<float> &in, int w, int h, const std::vector<float> &kernel, bool alongX)
{
    const int reach = int(kernel.size() / 2);
    std::vector<float> out(in.size(), 0.f);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            float sum = 0;
            for (int i = -reach; i <= reach; ++i) {
                const int sx = alongX ? x + i : x, sy = alongX ? y : y + i;
                if (sx >= 0 && sx < w && sy >= 0 && sy < h)
                    sum += kernel[i + reach] * in[size_t(sy) * w + sx];
            }
            out[size_t(y) * w + x] = sum;
        }
    return out;
}

} // namespace

QImage softShadow(const QImage &shape, const QColor &colour, qreal blurRadius)
{
    const QImage source = shape.convertToFormat(QImage::Format_ARGB32);
    const int w = source.width(), h = source.height();
    std::vector<float> alpha(size_t(w) * h);
    for (int y = 0; y < h; ++y) {
        const QRgb *line = reinterpret_cast<const QRgb *>(source.constScanLine(y));
        for (int x = 0; x < w; ++x)
            alpha[size_t(y) * w + x] = qAlpha(line[x]) / 255.f * float(colour.alphaF());
    }
    const std::vector<float> kernel = gaussianKernel(blurRadius);
    alpha = blurPass(blurPass(alpha, w, h, kernel, true), w, h, kernel, false);

    QImage shadow(w, h, QImage::Format_ARGB32);
    shadow.setDevicePixelRatio(shape.devicePixelRatio());
    for (int y = 0; y < h; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(shadow.scanLine(y));
        for (int x = 0; x < w; ++x)
            line[x] = qRgba(colour.red(), colour.green(), colour.blue(), qBound(0, int(std::lround(alpha[size_t(y) * w + x] * 255)), 255));
    }
    return shadow;
}
