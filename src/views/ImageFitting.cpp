#include "views/ImageFitting.h"

#include <cmath>

namespace views {

QRectF returnBestFitFrame(QSizeF imageSize, QSizeF frameSize)
{
    const double W = imageSize.width(), H = imageSize.height();
    const double FW = frameSize.width(), FH = frameSize.height();
    if (W == 0.0 && H == 0.0)
        return QRectF(0.0, 0.0, 0.0, 0.0);

    // The step and the ratio are single precision; the width accumulates in
    // double one step at a time, so it can miss an edge that exact arithmetic
    // would hit (320 × 240 stops one step short of 640 × 480).
    const float step = float(W / 50.0);
    const float ratio = float(W / H);
    double w = W;
    double h = H;
    const auto fits = [&](double width, double height) { return width <= FW && height <= FH; };

    // A size with one side 0 has no usable step or ratio; it is only centred.
    const bool steppable =
        step > 0.0f && std::isfinite(step) && ratio > 0.0f && std::isfinite(ratio);
    if (steppable && FW > W && FH > H) {
        for (;;) {
            const double nextW = w + step;
            const double nextH = nextW / ratio;
            if (!fits(nextW, nextH))
                break;
            w = nextW;
            h = nextH;
        }
    } else if (steppable && (W > FW || H > FH)) {
        do {
            w -= step;
            h = w / ratio;
        } while (!fits(w, h));
    }

    const float x = float((FW - w) / 2.0);
    const float y = float((FH - h) / 2.0);
    return QRectF(x, y, w, h);
}

QImage scaleImage(const QImage& image, QSizeF size)
{
    const int width = int(std::lround(size.width()));
    const int height = int(std::lround(size.height()));
    if (image.isNull() || width <= 0 || height <= 0)
        return QImage();
    // Smooth scaling averages the source when shrinking, so a thumbnail of a
    // large frame does not alias. The result is in the effect chain's pixel
    // layout, which the strip hands to the chain at every tick.
    return image.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_RGBA8888_Premultiplied);
}

} // namespace views
