// The chain over a reduced copy of a frame (playback renders at the size it
// shows) looks like the full frame's render reduced: the grain and the
// scratches are laid out in the full frame's pixels, and the vignette follows
// the picture's size. Both renders are of one frame, so they draw the same offsets.
#include "pictures/ImageBitmaps.h"
#include "pictures/VintageImage.h"

#include <QImage>
#include <QPainter>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

QImage pictureFrame(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double u = double(x) / w, v = double(y) / h;
            const double stripe = 0.5 + 0.5 * std::sin(u * 30.0 + v * 10.0);
            image.setPixel(x, y,
                           qRgb(int(60 + 150 * v), int(80 + 120 * stripe), int(200 - 120 * u)));
        }
    return image;
}

double meanLuma(const QImage& image)
{
    const QImage x = image.convertToFormat(QImage::Format_RGB32);
    double sum = 0.0;
    for (int r = 0; r < x.height(); ++r)
        for (int c = 0; c < x.width(); ++c)
            sum += qGray(x.pixel(c, r));
    return sum / (double(x.width()) * x.height());
}

// The spread of the luma that the grain adds or takes.
double grainSpread(const QImage& grained, const QImage& clean)
{
    const QImage a = grained.convertToFormat(QImage::Format_RGB32);
    const QImage b = clean.convertToFormat(QImage::Format_RGB32);
    double s = 0, ss = 0;
    long n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const double d = qGray(a.pixel(x, y)) - qGray(b.pixel(x, y));
            s += d;
            ss += d * d;
            ++n;
        }
    return std::sqrt(ss / n - (s / n) * (s / n));
}

// The picture drawn into `size` as the preview draws it.
QImage drawnAt(const QImage& image, QSize size)
{
    QImage out(size, QImage::Format_RGB32);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(QRect(QPoint(0, 0), size), image);
    return out;
}

// How alike the grain is `lag` rows apart: the correlation of the luma that
// the grain adds or takes (the render minus the render without grain) with
// the same `lag` rows lower. Scratches are tall streaks, so this measures
// their length.
double verticalCorrelation(const QImage& grained, const QImage& clean, int lag)
{
    const QImage a = grained.convertToFormat(QImage::Format_RGB32);
    const QImage b = clean.convertToFormat(QImage::Format_RGB32);
    const auto grain = [&](int x, int y) {
        return double(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y)));
    };
    double sx = 0, sy = 0, sxx = 0, syy = 0, sxy = 0;
    long n = 0;
    for (int y = 0; y + lag < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const double p = grain(x, y), q = grain(x, y + lag);
            sx += p;
            sy += q;
            sxx += p * p;
            syy += q * q;
            sxy += p * q;
            ++n;
        }
    const double cov = sxy / n - (sx / n) * (sy / n);
    return cov / std::sqrt((sxx / n - (sx / n) * (sx / n)) * (syy / n - (sy / n) * (sy / n)));
}

QImage render(const QImage& source, const effects::Look& record, double grainScale)
{
    return pictures::vintageImage(pictures::bitmapFromImage(source), record,
                                  {11, 25.0, grainScale});
}

} // namespace

TEST(GrainScale, AReducedRenderIsAsBrightAsTheExportShownReduced)
{
    effects::Look record;
    record.setB_Noise(1);
    record.setF_Noise(500.0f); // the strongest grain the slider gives
    record.setB_Vignetting(1);
    record.setF_Vignetting(20.0f);

    const QImage full = pictureFrame(640, 360);
    for (const int reducedWidth : {320, 256}) {
        const double scale = reducedWidth / 640.0;
        const QSize size(reducedWidth, int(std::lround(360 * scale)));
        const QImage reducedSource =
            full.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        // The export's frame as the screen would show it at the reduced size.
        const QImage reference =
            render(full, record, 1.0).scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QImage scaled = render(reducedSource, record, scale);
        const QImage unscaled = render(reducedSource, record, 1.0);
        effects::Look clean = record;
        clean.setB_Noise(0);
        const QImage cleanReference =
            render(full, clean, 1.0).scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        const QImage cleanReduced = render(reducedSource, clean, 1.0);

        // As bright on average as the export's frame: specks drawn from a
        // resampled tile would lose their brightening (about 6 levels here).
        EXPECT_NEAR(meanLuma(scaled), meanLuma(reference), 1.0) << reducedWidth;
        // What else is measured, printed for the record: the grain's spread
        // and the streaks' length (rows a third of a streak apart).
        const int lag = int(std::lround(25.0 * scale / 3.0));
        std::printf("reduced to %d: mean luma %.2f (export reduced %.2f); grain spread %.2f "
                    "(export averaged %.2f, drawn as the preview draws %.2f); streak "
                    "correlation at %d rows %.3f (export %.3f, streaks unscaled %.3f)\n",
                    reducedWidth, meanLuma(scaled), meanLuma(reference),
                    grainSpread(scaled, cleanReduced), grainSpread(reference, cleanReference),
                    grainSpread(drawnAt(render(full, record, 1.0), size),
                                drawnAt(render(full, clean, 1.0), size)),
                    lag, verticalCorrelation(scaled, cleanReduced, lag),
                    verticalCorrelation(reference, cleanReference, lag),
                    verticalCorrelation(unscaled, cleanReduced, lag));
    }
}

TEST(GrainScale, ScaleOneIsTheFullRender)
{
    effects::Look record;
    record.setB_Noise(1);
    const imagefilter::Bitmap frame = pictures::bitmapFromImage(pictureFrame(96, 64));
    const QImage plain = pictures::vintageImage(frame, record);
    EXPECT_EQ(pictures::vintageImage(frame, record, {0, 25.0, 1.0}), plain);
}
