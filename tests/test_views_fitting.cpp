// The pure parts of the preview and timeline: image fitting, time texts and
// the strip's cells.
#include "app/AppDelegate.h"
#include "views/ImageFitting.h"
#include "views/PresetStrip.h"
#include "views/PreviewTime.h"

#include <QImage>
#include <cmath>
#include <gtest/gtest.h>

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
    // The seek is the label's own time, milliseconds included: a frame for
    // every place of the slider, and the frame at a cut handle is the cut's first.
    const struct
    {
        double duration;
        float percent;
        const char* label;
    } cases[] = {
        {2 * 3600 + 4 * 60 + 11, 50.0f, "01:02:05.500"},
        {125, 33.3f, "00:00:41.625"},
        {0, 50.0f, "00:00:00.000"},
        {25 * 3600, 100.0f, "25:00:00.000"},
        {600, 0.0f, "00:00:00.000"},
        {3599, 100.0f, "00:59:59.000"},
        {83, 10.0f, "00:00:08.300"},
        // The duration's hundredths count: 4.00 s and 4.96 s differ at 50 %.
        {4.96, 50.0f, "00:00:02.480"},
        {5.52, 100.0f, "00:00:05.520"},
    };
    for (const auto& c : cases) {
        const views::PreviewTime t = views::previewTime(c.duration, c.percent);
        EXPECT_EQ(views::labelText(t), c.label) << c.duration << " s at " << c.percent;
        EXPECT_EQ(views::seekText(t), c.label) << c.duration << " s at " << c.percent;
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
