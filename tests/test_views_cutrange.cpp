// The cut range bar: its drawing, presses on its handles, drags against the
// preview's width, and the timers that follow a release.
#include "app/widgets/PreviewImageView.h"
#include "app/widgets/View_Cut_Range.h"
#include "support/TestApp.h"
#include "support/ViewsSupport.h"
#include "views/DoubleSlider.h"

#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The bar is 20 high so that the 5 rows above the 15-high handles show grey.
constexpr int kBarHeight = 20;
// A press inside the handles' height (bar coordinates y = 10).
constexpr int kHandleRow = kBarHeight - 10;

QColor at(const QImage& image, int x, int y)
{
    return QColor(image.pixel(x, y));
}

struct CutBar : ::testing::Test
{
    TestApp app;
    AppDelegate& c = *app.controller;
    viewstest::OpenedVideo video =
        viewstest::openByHand(app, 100, 25.0f, viewstest::quadrantFrame(64, 48));
    View_Cut_Range bar;
    PreviewImageView preview;

    void SetUp() override
    {
        bar.resize(600, kBarHeight);
        preview.resize(600, 338);
        c.viewPreview = &preview;
        c.viewCutBar = &bar;
        bar.grab(); // records the handles as drawn
    }

    void press(int x, int y = kHandleRow)
    {
        QTest::mousePress(&bar, Qt::LeftButton, {}, QPoint(x, y));
    }
    void move(int x, int y = kHandleRow) { QTest::mouseMove(&bar, QPoint(x, y)); }
    void release(int x, int y = kHandleRow)
    {
        QTest::mouseRelease(&bar, Qt::LeftButton, {}, QPoint(x, y));
    }
    void drag(int from, int to)
    {
        press(from);
        move(to);
        release(to);
    }
};

} // namespace

TEST_F(CutBar, BeforeAnOpenTheBarIsGreyAndHasNoHandles)
{
    c.f_Cut_Percent_Menor = 0.0f;
    c.f_Cut_Percent_Maior = 0.0f;
    View_Cut_Range fresh;
    fresh.resize(600, kBarHeight);
    const QImage image = fresh.grab().toImage();
    for (int x : {0, 2, 300, 597, 599})
        EXPECT_EQ(at(image, x, kBarHeight - 1), QColor(Qt::gray)) << x;
    EXPECT_TRUE(fresh.rectMenor().isNull());
    QTest::mousePress(&fresh, Qt::LeftButton, {}, QPoint(0, kHandleRow));
    EXPECT_TRUE(fresh.b_Mouse_Down());
    EXPECT_FALSE(fresh.b_Dragging_Menor());
    EXPECT_FALSE(fresh.b_Dragging_Maior());
}

TEST_F(CutBar, FullRangeDrawsHandlesAtTheEndsAndGreenBetween)
{
    EXPECT_EQ(bar.rectMenor(), QRectF(0, 0, 5, 15));
    EXPECT_EQ(bar.rectMaior(), QRectF(595, 0, 5, 15));
    const QImage image = bar.grab().toImage();
    const int bottom = kBarHeight - 1, top = kBarHeight - 15;
    for (int y : {bottom, top}) {
        EXPECT_EQ(at(image, 0, y), QColor(Qt::red));
        EXPECT_EQ(at(image, 4, y), QColor(Qt::red));
        EXPECT_EQ(at(image, 5, y), QColor(Qt::green));
        EXPECT_EQ(at(image, 594, y), QColor(Qt::green));
        EXPECT_EQ(at(image, 595, y), QColor(Qt::red));
        EXPECT_EQ(at(image, 599, y), QColor(Qt::red));
    }
    // Nothing but grey above the handles' height.
    for (int x : {0, 300, 599})
        EXPECT_EQ(at(image, x, top - 1), QColor(Qt::gray)) << x;
}

TEST_F(CutBar, HandlesLessThanTenApartHaveNoFillBetween)
{
    c.f_Cut_Percent_Menor = 50.0f;
    c.f_Cut_Percent_Maior = 51.0f; // xs 300, xe 306: the end handle covers 301..305
    const QImage image = bar.grab().toImage();
    EXPECT_EQ(at(image, 300, kBarHeight - 1), QColor(Qt::red));
    EXPECT_EQ(at(image, 305, kBarHeight - 1), QColor(Qt::red));
    for (int x = 280; x < 320; ++x)
        EXPECT_NE(at(image, x, kBarHeight - 1), QColor(Qt::green)) << x;
    // Where the handles overlap the start handle wins.
    press(302);
    EXPECT_TRUE(bar.b_Dragging_Menor());
    EXPECT_FALSE(bar.b_Dragging_Maior());
}

TEST_F(CutBar, PressesUseHalfOpenHandles)
{
    c.f_Cut_Percent_Menor = 10.0f; // xs = 60
    c.f_Cut_Percent_Maior = 80.0f; // xe = 480: end handle 475..480
    bar.grab();
    const struct
    {
        QPoint at;
        bool menor, maior;
    } presses[] = {
        {{60, kHandleRow}, true, false},
        {{64, kHandleRow}, true, false},
        {{65, kHandleRow}, false, false},
        {{59, kHandleRow}, false, false},
        {{475, kHandleRow}, false, true},
        {{479, kHandleRow}, false, true},
        {{480, kHandleRow}, false, false},
        {{62, 2}, false, false}, // above the handle
        {{300, kHandleRow}, false, false},
        // The handle's painted rows are 5 to 19 from the top: both end rows hit.
        {{62, kBarHeight - 15}, true, false},
        {{62, kBarHeight - 16}, false, false},
        {{477, kBarHeight - 15}, false, true},
        {{477, kBarHeight - 1}, false, true},
    };
    for (const auto& p : presses) {
        SCOPED_TRACE(p.at.x());
        QTest::mousePress(&bar, Qt::LeftButton, {}, p.at);
        EXPECT_EQ(bar.mouseDownPos(), QPointF(p.at.x(), kBarHeight - p.at.y() - 0.5));
        EXPECT_EQ(bar.b_Dragging_Menor(), p.menor);
        EXPECT_EQ(bar.b_Dragging_Maior(), p.maior);
        QTest::mouseRelease(&bar, Qt::LeftButton, {}, p.at);
        EXPECT_FALSE(bar.b_Mouse_Down());
        EXPECT_FALSE(bar.b_Dragging_Menor());
        EXPECT_FALSE(bar.b_Dragging_Maior());
    }
}

TEST_F(CutBar, DraggingTheStartPastTheEndExchangesThem)
{
    c.f_Cut_Percent_Menor = 20.0f;
    c.f_Cut_Percent_Maior = 50.0f;
    bar.grab();
    press(122);
    move(150);
    EXPECT_EQ(c.f_Cut_Percent_Menor, 25.0f);
    move(420);
    EXPECT_EQ(c.f_Cut_Percent_Menor, 50.0f);
    EXPECT_EQ(c.f_Cut_Percent_Maior, 70.0f);
    move(480);
    EXPECT_EQ(c.f_Cut_Percent_Menor, 70.0f);
    EXPECT_EQ(c.f_Cut_Percent_Maior, 80.0f);
    EXPECT_TRUE(bar.b_Dragging_Menor());
    // The texts under the bar follow the drag, in order whichever handle moved.
    const Ui::MainWindow& ui = app.window->ui;
    EXPECT_EQ(ui.labelKeptStart->text(), "Start 00:01:10.000");
    EXPECT_EQ(ui.labelKeptEnd->text(), "End 00:01:20.000");
    EXPECT_EQ(ui.labelKeptLength->text(), "Kept 00:00:10.000");
    release(480);
    // Redrawn with the new range.
    bar.grab();
    EXPECT_EQ(bar.rectMenor().x(), 420.0);
    EXPECT_EQ(bar.rectMaior().x(), 475.0);
}

TEST_F(CutBar, DragsAtOrBeyondThePreviewsEdgesLeaveTheHandle)
{
    // The percent scale is the preview's width, not the bar's.
    preview.resize(500, 281);
    press(597);
    move(250);
    EXPECT_EQ(c.f_Cut_Percent_Maior, 50.0f);
    for (int x : {0, -10, 500, 520}) {
        move(x);
        EXPECT_EQ(c.f_Cut_Percent_Maior, 50.0f) << x;
        EXPECT_EQ(c.f_Cut_Percent_Menor, 0.0f) << x;
    }
    move(499);
    EXPECT_EQ(c.f_Cut_Percent_Maior, float(499.0 * 100.0 / 500.0));
    release(499);

    // With no press, or a press off the handles, a drag changes nothing.
    move(100);
    press(300);
    move(100);
    release(100);
    EXPECT_EQ(c.f_Cut_Percent_Menor, 0.0f);
    EXPECT_EQ(c.f_Cut_Percent_Maior, float(499.0 * 100.0 / 500.0));
}

TEST_F(CutBar, ReleasingAHandleShowsItsFrameAfterATenthOfASecond)
{
    c.sliderPos->setDoubleValue(50);
    drag(597, 480);
    EXPECT_EQ(c.f_Cut_Percent_Maior, 80.0f);
    EXPECT_TRUE(c.timerDragCropMaior);
    EXPECT_EQ(c.sliderPos->doubleValue(), 50.0); // not yet
    EXPECT_TRUE(video.runs().isEmpty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !video.runs().isEmpty(); }));
    EXPECT_EQ(c.sliderPos->doubleValue(), 80.0);
    EXPECT_EQ(c.labelCurrentTime->text(), "00:01:20.000");
    EXPECT_TRUE(video.runs()[0].contains(" 00:01:20.000 ")) << video.runs()[0].toStdString();
    EXPECT_FALSE(c.timerDragCropMaior);

    drag(2, 150);
    EXPECT_EQ(c.f_Cut_Percent_Menor, 25.0f);
    ASSERT_TRUE(QTest::qWaitFor([&] { return video.runs().size() == 2; }));
    EXPECT_EQ(c.sliderPos->doubleValue(), 25.0);
    EXPECT_EQ(c.labelCurrentTime->text(), "00:00:25.000");
}

TEST_F(CutBar, TwoReleasesWithinATenthFireOneTimer)
{
    drag(597, 480);
    const QPointer<QTimer> first = c.timerDragCropMaior;
    bar.grab();
    drag(477, 420);
    EXPECT_NE(c.timerDragCropMaior, first);
    // The replaced timer destroyed and the other fired: no timer is left to run again.
    EXPECT_TRUE(QTest::qWaitFor([&] {
        return !video.runs().isEmpty() && !first && !c.timerDragCropMaior && !c.timerPreviewFrame;
    }));
    EXPECT_EQ(video.runs().size(), 1);
    EXPECT_EQ(c.sliderPos->doubleValue(), 70.0);
}

TEST_F(CutBar, NoFrameIsExtractedWhileAnExportRuns)
{
    c.sliderPos->setDoubleValue(50);
    drag(597, 480);
    c.m_b_Saving = 1;
    // Fired (its routine has run) and nothing else armed.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !c.timerDragCropMaior && !c.timerPreviewFrame; }));
    c.m_b_Saving = 0;
    EXPECT_EQ(c.sliderPos->doubleValue(), 50.0);
    EXPECT_TRUE(video.runs().isEmpty());
}
