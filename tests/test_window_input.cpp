// The window as people use it: the position slider's keys, wheel and drag
// (with one extraction per settled position), the strip's wheel, outline,
// tool tip and keys, the slider's groove under the cut bar, the window's own
// keys (Space, I, O, comma, period, the Compare key) and the focus ring.
#include "app/widgets/View_Cut_Range.h"
#include "app/widgets/View_Presets_Thumbnails.h"
#include "support/TestApp.h"
#include "support/ViewsSupport.h"
#include "views/DoubleSlider.h"
#include "views/FocusRing.h"
#include "views/PresetStrip.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTest>
#include <QToolTip>
#include <QWheelEvent>
#include <gtest/gtest.h>

namespace {

struct Window : ::testing::Test
{
    TestApp app;
    AppDelegate& c = *app.controller;
    Ui::MainWindow& ui = app.window->ui;
    viewstest::OpenedVideo video;

    // A 200-second video whose fake transcoder notes, in a second log, every
    // run that starts while another is still running.
    void openVideo()
    {
        video = viewstest::openByHand(app, 200, 25.0f, viewstest::quadrantFrame(320, 180));
        const QString lock = app.home.path() + "/running";
        c.sffmpegPath = testsupport::writeScript(
            app.home.path() + "/fake-ffmpeg",
            QStringLiteral("[ -e '%1' ] && echo overlap >> '%2'\n"
                           "touch '%1'\n"
                           "echo \"$*\" >> '%3'\n"
                           "for last; do :; done\n"
                           "cp '%4' \"$last\"\n"
                           "sleep 0.05\n"
                           "rm -f '%1'")
                .arg(lock, app.home.path() + "/overlaps.txt", video.argumentLog, video.framePath));
        app.window->resize(1000, 700);
        app.window->show();
        c.sliderPos->setDoubleValue(10.0);
        c.OnChangePos();
    }

    void settle()
    {
        while (c.timerPreviewFrame)
            QCoreApplication::processEvents();
    }

    QStringList runs() const { return video.runs(); }
    bool overlapped() const { return QFile::exists(app.home.path() + "/overlaps.txt"); }

    void wheel(QWidget* target, QPoint delta, QPointF at = QPointF(5, 5))
    {
        QWheelEvent event(at, target->mapToGlobal(at), QPoint(), delta, Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    }
};

} // namespace

TEST_F(Window, KeyAndWheelBurstsExtractOnceForTheSettledPosition)
{
    openVideo();
    ASSERT_EQ(runs().size(), 1); // the frame at 10 %

    // Twenty presses of the right arrow: 1 % each, one extraction at 30 %.
    for (int i = 0; i < 20; ++i)
        QTest::keyClick(c.sliderPos, Qt::Key_Right);
    EXPECT_EQ(c.sliderPos->doubleValue(), 30.0);
    EXPECT_EQ(c.labelCurrentTime->text(), "00:01:00.000"); // shown before any extraction
    EXPECT_EQ(runs().size(), 1);
    settle();
    ASSERT_EQ(runs().size(), 2);
    EXPECT_TRUE(runs().last().contains(" 00:01:00.000 ")) << runs().last().toStdString();

    // Page Up three times: 10 % each.
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(c.sliderPos, Qt::Key_PageUp);
    settle();
    ASSERT_EQ(runs().size(), 3);
    EXPECT_EQ(c.sliderPos->doubleValue(), 60.0);
    EXPECT_TRUE(runs().last().contains(" 00:02:00.000 "));

    // Ten notches down: 1 % a notch; a half notch waits for its other half.
    for (int i = 0; i < 10; ++i)
        wheel(c.sliderPos, QPoint(0, -120));
    wheel(c.sliderPos, QPoint(0, -60));
    settle();
    EXPECT_EQ(c.sliderPos->doubleValue(), 50.0);
    ASSERT_EQ(runs().size(), 4);
    EXPECT_TRUE(runs().last().contains(" 00:01:40.000 "));
    wheel(c.sliderPos, QPoint(0, -60));
    settle();
    EXPECT_EQ(c.sliderPos->doubleValue(), 49.0);

    // Home and End go to the kept range's ends.
    c.f_Cut_Percent_Menor = 5.0f;
    c.f_Cut_Percent_Maior = 75.0f;
    QTest::keyClick(c.sliderPos, Qt::Key_Home);
    settle();
    EXPECT_EQ(c.sliderPos->doubleValue(), 5.0);
    EXPECT_TRUE(runs().last().contains(" 00:00:10.000 "));
    QTest::keyClick(c.sliderPos, Qt::Key_End);
    settle();
    EXPECT_EQ(c.sliderPos->doubleValue(), 75.0);
    EXPECT_TRUE(runs().last().contains(" 00:02:30.000 "));
    // Against the end, or away and back within a burst, the frame shown stays
    // and nothing runs.
    const qsizetype settled = runs().size();
    QTest::keyClick(c.sliderPos, Qt::Key_Right);
    settle();
    EXPECT_EQ(c.sliderPos->doubleValue(), 75.0);
    QTest::keyClick(c.sliderPos, Qt::Key_Left);
    QTest::keyClick(c.sliderPos, Qt::Key_Right);
    settle();
    EXPECT_EQ(c.sliderPos->doubleValue(), 75.0);
    EXPECT_EQ(runs().size(), settled);
    EXPECT_FALSE(overlapped());
}

TEST_F(Window, TheLabelFollowsADragAndTheFrameComesOnRelease)
{
    openVideo();
    c.f_Cut_Percent_Maior = 80.0f;
    c.sliderPos->setSliderDown(true);
    c.sliderPos->setSliderPosition(2550); // 25.5 %
    EXPECT_EQ(c.labelCurrentTime->text(), "00:00:51.000");
    c.sliderPos->setSliderPosition(9000); // past the kept range: its end is shown
    EXPECT_EQ(c.labelCurrentTime->text(), "00:02:40.000");
    c.sliderPos->setSliderPosition(4000);
    EXPECT_EQ(c.labelCurrentTime->text(), "00:01:20.000");
    settle();
    EXPECT_EQ(runs().size(), 1);

    c.sliderPos->setSliderDown(false);
    settle();
    ASSERT_EQ(runs().size(), 2);
    EXPECT_TRUE(runs().last().contains(" 00:01:20.000 "));
    EXPECT_EQ(c.sliderPos->doubleValue(), 40.0);
}

TEST_F(Window, TheWheelScrollsTheStripSideways)
{
    openVideo();
    QScrollBar* bar = c.scrollViewPresets->horizontalScrollBar();
    ASSERT_GT(bar->maximum(), 5000);
    EXPECT_EQ(bar->value(), 0);

    // Over the strip itself, the wheel reaches the scroll area through its viewport.
    wheel(c.viewPresets, QPoint(0, -120));
    EXPECT_EQ(bar->value(), 190);
    wheel(c.scrollViewPresets->viewport(), QPoint(0, -360));
    EXPECT_EQ(bar->value(), 760);
    wheel(c.viewPresets, QPoint(0, 120));
    EXPECT_EQ(bar->value(), 570);
    // A horizontal wheel (or Shift with some mice) scrolls the same way.
    wheel(c.viewPresets, QPoint(120, 0));
    EXPECT_EQ(bar->value(), 380);
    // Never past either end.
    for (int i = 0; i < 100; ++i)
        wheel(c.viewPresets, QPoint(0, -120));
    EXPECT_EQ(bar->value(), bar->maximum());
}

namespace {

const QColor kOutline(255, 214, 10);

// True when the cell of preset `index` (from 0) shows the outline.
bool outlined(View_Presets_Thumbnails* strip, int index)
{
    const QImage image = strip->grab().toImage();
    return QColor(image.pixel(index * 190 + 1, 50)) == kOutline &&
           QColor(image.pixel(index * 190 + 184, 98)) == kOutline;
}

} // namespace

TEST_F(Window, TheOutlineMarksTheAppliedPresetUntilReset)
{
    openVideo();
    EXPECT_FALSE(outlined(c.viewPresets, 0));

    // The click itself repaints the strip, so the outline shows at once.
    c.invalidateTimer(&AppDelegate::timerCreatePresetThumbnails);
    viewstest::PaintCounter counter;
    c.viewPresets->installEventFilter(&counter);
    QCoreApplication::processEvents();
    counter.paints = 0;
    QTest::mouseClick(c.viewPresets, Qt::LeftButton, {}, QPoint(2 * 190 + 60, 40));
    QCoreApplication::processEvents();
    EXPECT_GT(counter.paints, 0);
    c.viewPresets->removeEventFilter(&counter);
    EXPECT_EQ(views::appliedPresetIndex(c.obj_Video, c.array_Presets), 2);
    EXPECT_TRUE(outlined(c.viewPresets, 2));
    EXPECT_FALSE(outlined(c.viewPresets, 1));

    QTest::mouseClick(c.viewPresets, Qt::LeftButton, {}, QPoint(7 * 190 + 10, 40));
    EXPECT_TRUE(outlined(c.viewPresets, 7));
    EXPECT_FALSE(outlined(c.viewPresets, 2));
    // Moving the position keeps the preset applied, and its outline.
    c.sliderPos->setDoubleValue(30.0);
    c.OnChangePos();
    EXPECT_TRUE(outlined(c.viewPresets, 7));

    ui.btnReset->click();
    EXPECT_EQ(views::appliedPresetIndex(c.obj_Video, c.array_Presets), -1);
    EXPECT_FALSE(outlined(c.viewPresets, 7));
}

TEST_F(Window, HoveringACellNamesItsPreset)
{
    openVideo();
    const struct
    {
        int x;
        QString text;
    } cases[] = {{1, "Preset 1: Chrome"},
                 {190, "Preset 1: Chrome"},
                 {191, "Preset 2: Instant"},
                 {41 * 190 + 100, "Preset 42: Chrome, instant, process, black and white"}};
    for (const auto& hover : cases) {
        SCOPED_TRACE(hover.x);
        QHelpEvent event(QEvent::ToolTip, QPoint(hover.x, 50),
                         c.viewPresets->mapToGlobal(QPoint(hover.x, 50)));
        QApplication::sendEvent(c.viewPresets, &event);
        EXPECT_EQ(QToolTip::text(), hover.text);
    }
    QHelpEvent edge(QEvent::ToolTip, QPoint(0, 50), c.viewPresets->mapToGlobal(QPoint(0, 50)));
    QApplication::sendEvent(c.viewPresets, &edge);
    EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 2000));
}

TEST_F(Window, TheGrooveSpansTheCutBarAndTheTimeSitsBelow)
{
    app.window->show();
    for (const QSize size : {QSize(800, 600), QSize(1600, 1000)}) {
        SCOPED_TRACE(size.width());
        app.window->resize(size);
        QCoreApplication::processEvents();
        ASSERT_EQ(app.window->size(), size);

        DoubleSlider* slider = c.sliderPos;
        QStyleOptionSlider option;
        option.initFrom(slider);
        option.orientation = slider->orientation();
        option.minimum = slider->minimum();
        option.maximum = slider->maximum();
        option.sliderPosition = slider->sliderPosition();
        option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
        const QRect groove = slider->style()->subControlRect(QStyle::CC_Slider, &option,
                                                             QStyle::SC_SliderGroove, slider);
        const QPoint grooveAt = slider->mapTo(app.window.get(), groove.topLeft());
        const QPoint barAt = c.viewCutBar->mapTo(app.window.get(), QPoint(0, 0));
        EXPECT_EQ(grooveAt.x(), barAt.x());
        EXPECT_EQ(groove.width(), c.viewCutBar->width());
        EXPECT_EQ(c.viewCutBar->width(), c.viewPreview->width());
        EXPECT_GT(grooveAt.y(), barAt.y() + c.viewCutBar->height() - 1);
        const QPoint labelAt = c.labelCurrentTime->mapTo(app.window.get(), QPoint(0, 0));
        EXPECT_GE(labelAt.y(), slider->mapTo(app.window.get(), QPoint(0, slider->height())).y());
    }
}

namespace {

// Gives `widget` the focus in the active window, as a click or Tab would.
void focus(QWidget* widget)
{
    widget->window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(widget->window()));
    widget->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(widget->hasFocus());
}

} // namespace

TEST_F(Window, SpaceIsLeftToAFocusedButtonCheckBoxOrStrip)
{
    openVideo();
    const struct
    {
        QWidget* focused;
        bool plays;
    } cases[] = {{c.checkSepia, false}, {c.viewPresets, false}, {c.sliderPos, true}};
    for (const auto& press : cases) {
        SCOPED_TRACE(press.focused->objectName().toStdString());
        focus(press.focused);
        const std::uint8_t sepia = c.obj_Video->b_Sepia();
        const VideoRecord record = c.obj_Video;
        app.dialogs.alerts.clear();
        QTest::keyClick(press.focused, Qt::Key_Space);
        // Playing, or an alert that says why it cannot.
        EXPECT_EQ(c.isPlaying() || !app.dialogs.alerts.isEmpty(), press.plays);
        c.Stop_Playback();
        // The box toggled; the strip applied its selected preset.
        EXPECT_EQ(c.obj_Video->b_Sepia() != sepia, press.focused == c.checkSepia);
        EXPECT_EQ(c.obj_Video != record, press.focused == c.viewPresets);
    }
}

TEST_F(Window, TheStripsKeysMoveASelectionAndApplyIt)
{
    openVideo();
    focus(c.viewPresets);
    QScrollBar* bar = c.scrollViewPresets->horizontalScrollBar();
    const struct
    {
        std::vector<Qt::Key> keys;
        std::int64_t applied;
    } cases[] = {
        {{Qt::Key_Right, Qt::Key_Right, Qt::Key_Return}, 2},
        {{Qt::Key_End, Qt::Key_Space}, 41},
        {{Qt::Key_Left, Qt::Key_Enter}, 40},
        {{Qt::Key_Home, Qt::Key_Left, Qt::Key_Return}, 0},
    };
    for (const auto& step : cases) {
        SCOPED_TRACE(step.applied);
        for (Qt::Key key : step.keys)
            QTest::keyClick(c.viewPresets, key);
        EXPECT_EQ(views::appliedPresetIndex(c.obj_Video, c.array_Presets), step.applied);
        // The selected cell is scrolled into view.
        const int left = int(step.applied * 190);
        EXPECT_LE(bar->value(), left);
        EXPECT_GE(bar->value() + c.scrollViewPresets->viewport()->width(), left + 190);
    }
}

TEST_F(Window, IAndOSetTheKeptRangeAndCommaAndPeriodStepOneFrame)
{
    openVideo();
    focus(c.sliderPos);
    const auto settleCut = [&] {
        while (c.timerDragCropMenor || c.timerDragCropMaior || c.timerPreviewFrame)
            QCoreApplication::processEvents();
    };
    const struct
    {
        double position;
        Qt::Key key;
        float start, end;
    } cuts[] = {
        {30.0, Qt::Key_I, 30.0f, 100.0f},
        {70.0, Qt::Key_O, 30.0f, 70.0f},
        // An end before the start keeps all before it; a start past the end
        // keeps the rest.
        {20.0, Qt::Key_O, 0.0f, 20.0f},
        {50.0, Qt::Key_I, 50.0f, 100.0f},
    };
    for (const auto& cut : cuts) {
        SCOPED_TRACE(cut.position);
        c.sliderPos->setDoubleValue(cut.position);
        QTest::keyClick(c.sliderPos, cut.key);
        settleCut();
        EXPECT_EQ(c.f_Cut_Percent_Menor, cut.start);
        EXPECT_EQ(c.f_Cut_Percent_Maior, cut.end);
        EXPECT_EQ(c.sliderPos->doubleValue(), cut.position);
    }

    // 25 frames a second from 100 s (50 %): the label and the extraction
    // name each frame's own time; the kept range's start holds the way back.
    const struct
    {
        Qt::Key key;
        const char* time;
    } steps[] = {
        {Qt::Key_Period, "00:01:40.040"}, {Qt::Key_Period, "00:01:40.080"},
        {Qt::Key_Comma, "00:01:40.040"},  {Qt::Key_Comma, "00:01:40.000"},
        {Qt::Key_Comma, "00:01:40.000"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.time);
        QTest::keyClick(c.sliderPos, step.key);
        settleCut();
        EXPECT_EQ(c.labelCurrentTime->text(), step.time);
        EXPECT_TRUE(runs().last().contains(QStringLiteral(" %1 ").arg(step.time)))
            << runs().last().toStdString();
    }
}

TEST_F(Window, CompareShowsTheFrameWithoutTheLookWhileHeld)
{
    openVideo();
    // The upper-left quadrant is pure red; the default look (sepia) is not.
    const auto upperLeft = [&] {
        const QImage shown = c.viewPreview->grab().toImage();
        return QColor(shown.pixel(shown.width() / 2 - 20, shown.height() / 2 - 20));
    };
    const QColor look = upperLeft();
    ASSERT_NE(look, QColor(255, 0, 0));
    ASSERT_TRUE(c.btnCompare->isVisible()); // beside Play
    const struct
    {
        std::function<void()> hold, release;
    } ways[] = {
        {[&] { QTest::keyPress(app.window.get(), Qt::Key_Backslash); },
         [&] { QTest::keyRelease(app.window.get(), Qt::Key_Backslash); }},
        {[&] { QTest::mousePress(c.btnCompare, Qt::LeftButton); },
         [&] { QTest::mouseRelease(c.btnCompare, Qt::LeftButton); }},
    };
    for (const auto& way : ways) {
        way.hold();
        EXPECT_EQ(upperLeft(), QColor(255, 0, 0));
        way.release();
        EXPECT_EQ(upperLeft(), look);
    }
}

TEST_F(Window, TabGoesDownThePanelAndTheRingShowsWhereTheFocusIs)
{
    openVideo();
    focus(c.checkChrome);
    QWidget* window = app.window.get();
    auto* ring = window->findChild<views::FocusRing*>();
    ASSERT_NE(ring, nullptr);
    const auto centre = [&](QWidget* w) { return w->mapTo(window, w->rect().center()); };
    QPoint last = centre(c.checkChrome);
    int visited = 0;
    while (QApplication::focusWidget() != c.btnReset.data() && visited < 40) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* now = QApplication::focusWidget();
        ++visited;
        SCOPED_TRACE(now->objectName().toStdString());
        // Down the panel: a lower row, or further right on the same row.
        const QPoint middle = centre(now);
        EXPECT_TRUE(middle.y() > last.y() + 3 ||
                    (std::abs(middle.y() - last.y()) <= 3 && middle.x() > last.x()));
        last = middle;
        const QPoint at = now->mapTo(window, QPoint(0, 0));
        // Yellow between black, just outside the control's left edge.
        EXPECT_EQ(ring->target(), now);
        const QImage shot = window->grab().toImage();
        const int y = at.y() + now->height() / 2;
        EXPECT_EQ(QColor(shot.pixel(at.x() - 3, y)), QColor(255, 214, 10));
        EXPECT_EQ(QColor(shot.pixel(at.x() - 4, y)), QColor(0, 0, 0));
    }
    EXPECT_EQ(visited, 35); // every control of the panel, the reset last
}
