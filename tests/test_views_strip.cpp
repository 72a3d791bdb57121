// The preset thumbnail strip: its rendering, one preset per tick, its halt by
// an export and restart by a new position, and clicks on it.
#include "app/widgets/View_Presets_Thumbnails.h"
#include "pictures/ImageBitmaps.h"
#include "pictures/VintageImage.h"
#include "platform/Log.h"
#include "support/TestApp.h"
#include "support/ViewsSupport.h"

#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace {

bool allTransparent(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                return false;
    return true;
}

// A click at a fractional position, which QTest's integer points cannot give.
void clickAt(QWidget* widget, QPointF pos)
{
    QMouseEvent press(QEvent::MouseButtonPress, pos, widget->mapToGlobal(pos), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, pos, widget->mapToGlobal(pos), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

struct Strip : ::testing::Test
{
    TestApp app;
    AppDelegate& c = *app.controller;
    // 640 × 480 gives thumbnails of 179 × 134, of which the lower 100 show.
    viewstest::OpenedVideo video =
        viewstest::openByHand(app, 60, 25.0f, viewstest::quadrantFrame(640, 480));

    bool waitForIndex(std::uint64_t index)
    {
        return QTest::qWaitFor([&] { return c.u_Preset_Index >= index; }, 20000);
    }
};

} // namespace

TEST_F(Strip, FortyTwoThumbnailsOnePerCellStandingOnTheLowerEdge)
{
    c.OnChangePos();
    ASSERT_TRUE(waitForIndex(42));
    EXPECT_FALSE(c.timerCreatePresetThumbnails);
    const QImage& strip = c.imgPresetThumbnails;
    ASSERT_EQ(strip.size(), QSize(7980, 100));
    for (int i = 0; i < 42; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(qAlpha(strip.pixel(i * 190, 0)), 255);
        EXPECT_EQ(qAlpha(strip.pixel(i * 190 + 178, 99)), 255);
        EXPECT_EQ(qAlpha(strip.pixel(i * 190 + 179, 50)), 0); // the gap
        EXPECT_EQ(qAlpha(strip.pixel(i * 190 + 189, 50)), 0);
    }
    EXPECT_EQ(qAlpha(strip.pixel(7790, 50)), 255);
    EXPECT_EQ(qAlpha(strip.pixel(7789, 50)), 0);

    // A preset without grain (its chain draws no random numbers) shows exactly
    // its own look on its thumbnail, cut to the lower 100 rows.
    for (int i : {0, 8, 22, 36}) {
        const NodeImageInformation& preset = *c.array_Presets[i];
        if (preset.b_Noise())
            continue;
        SCOPED_TRACE(i);
        const QImage own =
            pictures::vintageImage(pictures::bitmapFromImage(preset.imgThumbnail()), preset)
                .convertToFormat(QImage::Format_ARGB32);
        const QImage cell = strip.copy(i * 190, 0, 179, 100).convertToFormat(QImage::Format_ARGB32);
        EXPECT_EQ(cell, own.copy(0, 34, 179, 100));
    }

    // The view paints the strip image.
    const QImage shown = c.viewPresets->grab().toImage();
    ASSERT_EQ(shown.size(), QSize(7980, 100));
    for (QPoint p : {QPoint(10, 5), QPoint(7790 + 100, 90), QPoint(380 + 40, 60)})
        EXPECT_EQ(shown.pixel(p), strip.pixel(p)) << p.x() << "," << p.y();
}

TEST_F(Strip, AnExportHaltsItAndANewPositionStartsOver)
{
    c.OnChangePos();
    ASSERT_TRUE(waitForIndex(3));
    c.m_b_Saving = 1;
    const std::uint64_t halted = c.u_Preset_Index;
    const QImage drawn = c.imgPresetThumbnails.copy();
    // The pending tick fires and arms no other: the strip cannot go on.
    QTRY_VERIFY_WITH_TIMEOUT(!c.timerCreatePresetThumbnails, 5000);
    EXPECT_EQ(c.u_Preset_Index, halted);
    const std::uint64_t kept = c.u_Preset_Index;
    for (std::uint64_t i = 0; i < halted; ++i)
        EXPECT_EQ(c.imgPresetThumbnails.pixel(int(i) * 190 + 50, 50),
                  drawn.pixel(int(i) * 190 + 50, 50));
    EXPECT_EQ(qAlpha(c.imgPresetThumbnails.pixel(int(kept) * 190 + 5, 50)), 0);

    // The export has ended; a new position builds the strip again from blank.
    c.m_b_Saving = 0;
    c.OnChangePos();
    EXPECT_EQ(c.u_Preset_Index, 0u);
    EXPECT_TRUE(allTransparent(c.imgPresetThumbnails));
    ASSERT_TRUE(waitForIndex(42));
}

TEST_F(Strip, ANewPositionWhileBuildingAbandonsTheRest)
{
    c.OnChangePos();
    ASSERT_TRUE(waitForIndex(4));
    video.setFrame(viewstest::quadrantFrame(1920, 1080));
    c.OnChangePos();
    EXPECT_EQ(c.u_Preset_Index, 0u);
    EXPECT_TRUE(allTransparent(c.imgPresetThumbnails));
    ASSERT_TRUE(waitForIndex(42));
    // The new frame's thumbnails (153.6 × 86.4: 154 × 86) fill every cell,
    // standing on the lower edge with the rows above them blank.
    for (int i : {0, 3, 41}) {
        EXPECT_EQ(qAlpha(c.imgPresetThumbnails.pixel(i * 190 + 5, 13)), 0) << i;
        EXPECT_EQ(qAlpha(c.imgPresetThumbnails.pixel(i * 190 + 5, 14)), 255) << i;
        EXPECT_EQ(qAlpha(c.imgPresetThumbnails.pixel(i * 190 + 154, 50)), 0) << i;
    }
}

TEST_F(Strip, ClicksApplyThePresetOfTheirCell)
{
    c.OnChangePos();
    c.viewPresets->resize(7980, 100);
    QStringList logged;
    platform::setLogObserver([&](const QString& line) { logged << line; });
    const struct
    {
        QPointF at;
        int index; // -1: nothing applied
        const char* number;
    } clicks[] = {
        {{190, 50}, 0, "1.000000"}, {{190.5, 50}, 1, "2.000000"},  {{380, 3}, 1, "2.000000"},
        {{1, 99}, 0, "1.000000"},   {{7979, 50}, 41, "42.000000"}, {{0, 50}, -1, "0.000000"},
    };
    for (const auto& click : clicks) {
        SCOPED_TRACE(click.at.x());
        const VideoRecord before = c.obj_Video;
        logged.clear();
        clickAt(c.viewPresets, click.at);
        EXPECT_EQ(logged, QStringList{click.number});
        if (click.index < 0)
            EXPECT_EQ(c.obj_Video, before);
        else
            EXPECT_EQ(c.obj_Video, c.array_Presets[click.index]);
        // Strip coordinates: the height counts from the lower edge.
        EXPECT_EQ(c.viewPresets->mouseDownPos(), QPointF(click.at.x(), 100 - click.at.y()));
    }
    platform::setLogObserver({});

    // A real click through QTest lands the same way.
    QTest::mouseClick(c.viewPresets, Qt::LeftButton, {}, QPoint(570, 40));
    EXPECT_EQ(c.obj_Video, c.array_Presets[2]);
}

TEST_F(Strip, AnEmptyPresetListBuildsNothing)
{
    c.array_Presets.clear();
    c.OnChangePos();
    EXPECT_EQ(c.sizePresetThumbnailsImageStrip, QSizeF(0, 100));
    EXPECT_TRUE(c.imgPresetThumbnails.isNull());
    c.TimerPresetThumbnailsRoutine();
    EXPECT_EQ(c.u_Preset_Index, 0u);
    // Under load the tick may come late: wait for it rather than a fixed time.
    QTRY_VERIFY_WITH_TIMEOUT(!c.timerCreatePresetThumbnails, 5000);
    EXPECT_EQ(c.u_Preset_Index, 0u);
}
