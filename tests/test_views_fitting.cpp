// The pure parts of the preview and timeline: image fitting, time texts, the
// strip's cells and the cut bar's geometry and drag rule.
#include "app/AppDelegate.h"
#include "views/ImageFitting.h"
#include "views/PresetStrip.h"
#include "views/PreviewTime.h"
#include "views/View_Cut_Range.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>

namespace {

double oneDecimal(double value)
{
    return std::round(value * 10.0) / 10.0;
}

} // namespace

TEST(BestFitFrame, EveryRowOfTheFittingTable)
{
    const struct
    {
        QSizeF image, frame;
        double x, y, w, h;
    } rows[] = {
        {{0, 0}, {640, 480}, 0, 0, 0, 0},
        {{100, 100}, {186, 186}, 0, 0, 186, 186},
        {{186, 100}, {186, 186}, 0, 43, 186, 100},
        {{1920, 1080}, {1920, 1080}, 0, 0, 1920, 1080},
        {{320, 240}, {640, 480}, 3.2, 2.4, 633.6, 475.2},
        {{200, 100}, {400, 300}, 0, 50, 400, 200},
        {{1920, 1080}, {186, 186}, 16.2, 49.8, 153.6, 86.4},
        {{1280, 720}, {186, 186}, 3.4, 42.6, 179.2, 100.8},
        {{640, 480}, {186, 186}, 3.4, 25.8, 179.2, 134.4},
        {{1920, 1080}, {640, 360}, 12.8, 7.2, 614.4, 345.6},
    };
    for (const auto& row : rows) {
        const QRectF r = AppDelegate::return_Best_Fit_Frame(row.image, row.frame);
        SCOPED_TRACE(testing::Message() << row.image.width() << "x" << row.image.height() << " in "
                                        << row.frame.width() << "x" << row.frame.height());
        EXPECT_DOUBLE_EQ(oneDecimal(r.x()), row.x);
        EXPECT_DOUBLE_EQ(oneDecimal(r.y()), row.y);
        EXPECT_DOUBLE_EQ(oneDecimal(r.width()), row.w);
        EXPECT_DOUBLE_EQ(oneDecimal(r.height()), row.h);
    }
}

TEST(BestFitFrame, SinglePrecisionStepMissesTheEdgeAndOffsetsAreSinglePrecision)
{
    // 49 steps of 6.4f from 320: just short of 640, whereas exact steps would reach it.
    const QRectF r = views::returnBestFitFrame({320, 240}, {640, 480});
    EXPECT_LT(r.width(), 640.0 - 6.0);
    double w = 320.0;
    for (int i = 0; i < 49; ++i)
        w += double(6.4f);
    EXPECT_DOUBLE_EQ(r.width(), w);
    EXPECT_DOUBLE_EQ(r.height(), w / double(float(320.0 / 240.0)));
    EXPECT_EQ(r.x(), double(float((640.0 - w) / 2.0)));
    // Shrinking stops at the first stepped size that fits.
    const QRectF s = views::returnBestFitFrame({1920, 1080}, {186, 186});
    EXPECT_LE(s.width(), 186.0);
    EXPECT_GT(s.width() + double(float(1920.0 / 50.0)), 186.0);
}

TEST(BestFitFrame, OneZeroSideIsCentredWithoutStepping)
{
    const QRectF r = views::returnBestFitFrame({0, 50}, {100, 100});
    EXPECT_EQ(r, QRectF(50, 25, 0, 50));
    const QRectF big = views::returnBestFitFrame({0, 500}, {100, 100});
    EXPECT_EQ(big.size(), QSizeF(0, 500));
}

TEST(ScaleImage, WholeSourceFillsTheNewImageAtTheRoundedSize)
{
    QImage source(40, 20, QImage::Format_RGB32);
    source.fill(Qt::red);
    for (int y = 0; y < 20; ++y)
        for (int x = 20; x < 40; ++x)
            source.setPixel(x, y, qRgb(0, 0, 255));
    const QImage scaled = AppDelegate::Scale_Image(source, QSizeF(153.6, 86.4));
    ASSERT_EQ(scaled.size(), QSize(154, 86));
    EXPECT_EQ(QColor(scaled.pixel(2, 43)), QColor(Qt::red));
    EXPECT_EQ(QColor(scaled.pixel(151, 43)), QColor(Qt::blue));
    EXPECT_EQ(QColor(scaled.pixel(72, 0)), QColor(Qt::red));
    EXPECT_EQ(QColor(scaled.pixel(82, 85)), QColor(Qt::blue));
    // The source is left as it was.
    EXPECT_EQ(source.size(), QSize(40, 20));

    EXPECT_TRUE(AppDelegate::Scale_Image(QImage(), QSizeF(10, 10)).isNull());
    EXPECT_TRUE(AppDelegate::Scale_Image(source, QSizeF(0, 0)).isNull());
}

TEST(PreviewTime, LabelAndSeekTexts)
{
    const struct
    {
        std::int64_t duration;
        float percent;
        const char* label;
        const char* seek;
    } cases[] = {
        {2 * 3600 + 4 * 60 + 11, 50.0f, "01:02:05.500", "01:02:05"},
        {125, 33.3f, "00:00:41.625", "00:00:41"},
        {0, 50.0f, "00:00:00.000", "00:00:00"},
        {25 * 3600, 100.0f, "25:00:00.000", "25:00:00"},
        {600, 0.0f, "00:00:00.000", "00:00:00"},
        {3599, 100.0f, "00:59:59.000", "00:59:59"},
    };
    for (const auto& c : cases) {
        const views::PreviewTime t = views::previewTime(c.duration, c.percent);
        EXPECT_EQ(views::labelText(t), c.label) << c.duration << " s at " << c.percent;
        EXPECT_EQ(views::seekText(t), c.seek) << c.duration << " s at " << c.percent;
    }
}

TEST(PresetStrip, ClickNumbersAndCellPositions)
{
    EXPECT_EQ(views::presetNumberAt(0.0), 0.0f);
    EXPECT_EQ(views::presetNumberAt(0.5), 1.0f);
    EXPECT_EQ(views::presetNumberAt(190.0), 1.0f);
    EXPECT_EQ(views::presetNumberAt(190.5), 2.0f);
    EXPECT_EQ(views::presetNumberAt(380.0), 2.0f);
    EXPECT_EQ(views::presetNumberAt(7979.0), 42.0f);

    EXPECT_EQ(views::thumbnailRect(41, {154, 86}), QRectF(7790, 0, 154, 86));
    EXPECT_EQ(views::thumbnailRect(0, {179, 134}), QRectF(0, 0, 179, 134));
}

TEST(PresetStrip, ThumbnailsStandOnTheLowerEdgeAndTallOnesLoseTheirTop)
{
    QImage strip(3 * 190, 100, QImage::Format_ARGB32_Premultiplied);
    strip.fill(Qt::transparent);
    QImage shortOne(150, 80, QImage::Format_RGB32);
    shortOne.fill(Qt::red);
    views::drawThumbnail(strip, 1, shortOne, shortOne.size());
    EXPECT_EQ(qAlpha(strip.pixel(190, 99)), 255);           // lower edge
    EXPECT_EQ(QColor(strip.pixel(339, 20)), QColor(Qt::red)); // top row of the thumbnail
    EXPECT_EQ(qAlpha(strip.pixel(250, 19)), 0);             // above it
    EXPECT_EQ(qAlpha(strip.pixel(189, 50)), 0);             // the cell before
    EXPECT_EQ(qAlpha(strip.pixel(340, 50)), 0);             // the gap after

    // 134 high: rows 0..33 of the thumbnail are cut off, its lower 100 show.
    QImage tall(180, 134, QImage::Format_RGB32);
    tall.fill(Qt::blue);
    for (int y = 0; y < 34; ++y)
        for (int x = 0; x < 180; ++x)
            tall.setPixel(x, y, qRgb(0, 255, 0));
    views::drawThumbnail(strip, 2, tall, tall.size());
    EXPECT_EQ(QColor(strip.pixel(380 + 90, 0)), QColor(Qt::blue));
    EXPECT_EQ(QColor(strip.pixel(380 + 90, 99)), QColor(Qt::blue));
}

TEST(CutBar, GeometryOfTheFullRangeAndCloseHandles)
{
    const views::CutBarGeometry g = views::cutBarGeometry(0.0f, 100.0f, 600.0);
    EXPECT_EQ(g.menor, QRectF(0, 0, 5, 15));
    EXPECT_EQ(g.maior, QRectF(595, 0, 5, 15));
    EXPECT_EQ(g.kept, QRectF(5, 0, 590, 15));

    const views::CutBarGeometry h = views::cutBarGeometry(10.0f, 11.0f, 600.0);
    EXPECT_EQ(h.menor.x(), 60.0);
    EXPECT_EQ(h.maior.x(), 61.0);
    EXPECT_EQ(h.kept.width(), -4.0); // (66 - 5) - (60 + 5)

    // Single precision: 33.3 % of 700.
    const views::CutBarGeometry k = views::cutBarGeometry(33.3f, 100.0f, 700.0);
    EXPECT_EQ(k.menor.x(), double(float(double(33.3f) * 700.0 / 100.0)));
}

TEST(CutBar, HalfOpenContainment)
{
    const QRectF handle(100, 0, 5, 15);
    EXPECT_TRUE(views::containsHalfOpen(handle, {100, 0}));
    EXPECT_TRUE(views::containsHalfOpen(handle, {104.9, 14.9}));
    EXPECT_FALSE(views::containsHalfOpen(handle, {105, 5}));
    EXPECT_FALSE(views::containsHalfOpen(handle, {102, 15}));
    EXPECT_FALSE(views::containsHalfOpen(handle, {99.9, 5}));
    EXPECT_FALSE(views::containsHalfOpen(QRectF(), {0, 0}));
}

TEST(CutBar, DragRuleExchangesAndIgnoresTheEdges)
{
    float menor = 10.0f, maior = 50.0f;
    EXPECT_TRUE(views::dragCutPercent(menor, maior, true, 240.0, 400.0));
    EXPECT_EQ(menor, 50.0f);
    EXPECT_EQ(maior, 60.0f);
    // The start flag goes on writing the start percent, which the next event
    // again exchanges with the end.
    EXPECT_TRUE(views::dragCutPercent(menor, maior, true, 280.0, 400.0));
    EXPECT_EQ(menor, 60.0f);
    EXPECT_EQ(maior, 70.0f);

    for (double x : {0.0, -3.0, 400.0, 401.0}) {
        EXPECT_FALSE(views::dragCutPercent(menor, maior, false, x, 400.0)) << x;
        EXPECT_EQ(menor, 60.0f);
        EXPECT_EQ(maior, 70.0f);
    }
    EXPECT_FALSE(views::dragCutPercent(menor, maior, false, 10.0, 0.0));
    EXPECT_TRUE(views::dragCutPercent(menor, maior, false, 1.0, 3.0));
    EXPECT_EQ(menor, float(100.0 / 3.0));
    EXPECT_EQ(maior, 60.0f);
}
