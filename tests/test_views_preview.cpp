// The preview position (OnChangePos) and the preview view's drawing.
#include "app/widgets/PreviewImageView.h"
#include "app/widgets/View_Presets_Thumbnails.h"
#include "effects/PresetTable.h"
#include "pictures/ImageBitmaps.h"
#include "pictures/VintageImage.h"
#include "support/TestApp.h"
#include "support/ViewsSupport.h"
#include "views/DoubleSlider.h"

#include <QLabel>
#include <QScrollArea>
#include <QTest>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

// A user's move of the position slider, and the frame extraction that
// follows once the events queued behind it are handled.
void userMoves(DoubleSlider* slider, double value)
{
    slider->setValue(int(std::lround(value * slider->scale())));
    while (AppDelegate::shared()->timerPreviewFrame)
        QCoreApplication::processEvents();
}

bool allTransparent(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) != 0)
                return false;
    return true;
}

bool near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance &&
           std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

struct Position : ::testing::Test
{
    TestApp app;
    AppDelegate& c = *app.controller;
};

} // namespace

TEST_F(Position, WithNoVideoNothingButTheSliderMoves)
{
    c.labelCurrentTime->setText("untouched");
    userMoves(c.sliderPos, 50);
    c.OnChangePos();
    EXPECT_EQ(c.sliderPos->doubleValue(), 50.0);
    EXPECT_EQ(c.labelCurrentTime->text(), "untouched");
    EXPECT_FALSE(c.timerCreatePresetThumbnails);
    EXPECT_TRUE(c.imgPresetThumbnails.isNull());
}

TEST_F(Position, TheSliderIsHeldInsideTheKeptRange)
{
    const auto video = viewstest::openByHand(app, 100, 25.0f, viewstest::quadrantFrame(64, 48));
    c.f_Cut_Percent_Menor = 20.0f;
    c.f_Cut_Percent_Maior = 60.0f;

    userMoves(c.sliderPos, 10);
    EXPECT_EQ(c.sliderPos->doubleValue(), 20.0);
    EXPECT_EQ(c.labelCurrentTime->text(), "00:00:20.000");
    userMoves(c.sliderPos, 80);
    EXPECT_EQ(c.sliderPos->doubleValue(), 60.0);
    EXPECT_EQ(c.labelCurrentTime->text(), "00:01:00.000");
    userMoves(c.sliderPos, 45.5);
    EXPECT_EQ(c.sliderPos->doubleValue(), 45.5);
    EXPECT_EQ(c.labelCurrentTime->text(), "00:00:45.500");

    const QStringList runs = video.runs();
    ASSERT_EQ(runs.size(), 3);
    EXPECT_TRUE(runs[0].contains(" 00:00:20.000 ")) << runs[0].toStdString();
    EXPECT_TRUE(runs[1].contains(" 00:01:00.000 ")) << runs[1].toStdString();
    EXPECT_TRUE(runs[2].contains(" 00:00:45.500 ")) << runs[2].toStdString();
}

TEST_F(Position, TheLabelAndTheSeekTimeOfTheExamples)
{
    const auto video =
        viewstest::openByHand(app, 2 * 3600 + 4 * 60 + 11, 50.0f, viewstest::quadrantFrame(64, 48));
    c.sliderPos->setDoubleValue(50);
    c.OnChangePos();
    EXPECT_EQ(c.labelCurrentTime->text(), "01:02:05.500");
    ASSERT_EQ(video.runs().size(), 1);
    EXPECT_TRUE(video.runs()[0].contains(" 01:02:05.500 ")) << video.runs()[0].toStdString();
    EXPECT_EQ(c.i_Preview_Frame_Number, 186275); // 3725.5 s at 50 fps

    c.obj_Video->setI_Duration_In_Seconds(125);
    c.sliderPos->setDoubleValue(33.3);
    c.OnChangePos();
    EXPECT_EQ(c.labelCurrentTime->text(), "00:00:41.625");
    EXPECT_TRUE(video.runs().last().contains(" 00:00:41.625 "));
    // The frame extracted is the first at or after 41.625 s (2081.25 frames);
    // cranked at 18 its step (749 of 1/18 s) began with frame 2081.
    EXPECT_EQ(c.i_Preview_Frame_Number, 2082);
    NodeImageInformation cranked;
    cranked.setI_Cadence(18);
    EXPECT_EQ(c.Preview_Frame_Place(cranked).number, 2081);
    EXPECT_EQ(c.Preview_Frame_Place(*c.obj_Video).number, 2082);
}

TEST_F(Position, TheNewFrameGoesToTheRecordAndEveryPresetAndTheStripStartsOver)
{
    const QImage frame = viewstest::quadrantFrame(640, 480);
    viewstest::openByHand(app, 60, 25.0f, frame);
    c.m_b_Cancel_Saving = 1;
    c.u_Preset_Index = 9;
    c.sliderPos->setDoubleValue(10);
    c.OnChangePos();

    const QImage stored = c.obj_Video->imgVideo();
    ASSERT_EQ(stored.size(), QSize(640, 480));
    EXPECT_EQ(stored.convertToFormat(QImage::Format_RGB32), frame);
    for (const VideoRecord& preset : c.array_Presets) {
        EXPECT_EQ(preset->imgVideo(), stored);
        // 179.2 × 134.4 in whole pixels.
        EXPECT_EQ(preset->imgThumbnail().size(), QSize(179, 134));
    }
    EXPECT_EQ(c.sizePresetThumbnailsImageStrip, QSizeF(7980, 100));
    EXPECT_EQ(c.viewPresets->size(), QSize(7980, 100));
    EXPECT_EQ(c.scrollViewPresets->widget(), c.viewPresets.data());
    EXPECT_EQ(c.imgPresetThumbnails.size(), QSize(7980, 100));
    EXPECT_TRUE(allTransparent(c.imgPresetThumbnails));
    EXPECT_EQ(c.u_Preset_Index, 0u);
    EXPECT_EQ(c.m_b_Cancel_Saving, 0);
    EXPECT_EQ(c.m_b_Saving, 0);
    EXPECT_TRUE(c.timerCreatePresetThumbnails);
}

TEST_F(Position, AnAbsentFrameIsStoredAsAbsent)
{
    const auto video = viewstest::openByHand(app, 60, 25.0f, viewstest::quadrantFrame(64, 48));
    c.OnChangePos();
    ASSERT_FALSE(c.obj_Video->imgVideo().isNull());

    video.setFrame(QImage());
    c.OnChangePos();
    EXPECT_TRUE(c.obj_Video->imgVideo().isNull());
    for (const VideoRecord& preset : c.array_Presets) {
        EXPECT_TRUE(preset->imgVideo().isNull());
        EXPECT_TRUE(preset->imgThumbnail().isNull());
    }
    EXPECT_EQ(c.imgPresetThumbnails.size(), QSize(7980, 100));
}

TEST_F(Position, WhileAnExportRunsItsFlagsStay)
{
    viewstest::openByHand(app, 60, 25.0f, viewstest::quadrantFrame(64, 48));
    c.m_b_Saving = 1;
    c.m_b_Cancel_Saving = 1;
    c.OnChangePos();
    EXPECT_EQ(c.m_b_Saving, 1);
    EXPECT_EQ(c.m_b_Cancel_Saving, 1);
    EXPECT_EQ(c.u_Preset_Index, 0u);
    c.m_b_Saving = 0;
    c.m_b_Cancel_Saving = 0;
}

TEST_F(Position, ANewPositionRedrawsThePreview)
{
    viewstest::openByHand(app, 60, 25.0f, viewstest::quadrantFrame(64, 48));
    viewstest::PaintCounter counter;
    QCoreApplication::processEvents();
    c.viewPreview->installEventFilter(&counter);
    c.OnChangePos();
    EXPECT_TRUE(QTest::qWaitFor([&] { return counter.paints > 0; }));
    c.viewPreview->removeEventFilter(&counter);
}

TEST_F(Position, ARealClipGivesItsFrame)
{
    if (testsupport::ffmpeg().isEmpty())
        GTEST_SKIP() << "no ffmpeg";
    const QString clip = app.home.path() + "/real.mp4";
    ASSERT_TRUE(testsupport::makeClip(clip, 2, 320, 240, "25", false));
    viewstest::openByHand(app, 2, 25.0f, QImage());
    c.sffmpegPath = testsupport::ffmpeg();
    c.obj_Video->setSPath(clip);
    c.sliderPos->setDoubleValue(50);
    c.OnChangePos();
    EXPECT_EQ(c.obj_Video->imgVideo().size(), QSize(320, 240));
    // 21 steps of 6.4 down: 185.6 × 139.2.
    EXPECT_EQ(c.array_Presets[0]->imgThumbnail().size(), QSize(186, 139));
    EXPECT_EQ(c.labelCurrentTime->text(), "00:00:01.000");
}

TEST_F(Position, ThePreviewDrawsTheFilteredFrameFittedOnBlack)
{
    PreviewImageView view;
    view.resize(300, 150);
    EXPECT_EQ(view.grab().toImage().pixel(150, 75), qRgb(0, 0, 0));

    viewstest::openByHand(app, 60, 25.0f, QImage());
    const QImage frame = viewstest::quadrantFrame(64, 48);
    c.obj_Video->setImgVideo(frame);
    c.obj_Video->setB_Instant(0);
    c.obj_Video->setB_Sepia(0);
    const QImage plain = view.grab().toImage();
    ASSERT_EQ(plain.size(), QSize(300, 150));
    // 64 × 48 grows to 199.7 × 149.8 and is centred: black at both sides.
    EXPECT_EQ(plain.pixel(10, 75), qRgb(0, 0, 0));
    EXPECT_EQ(plain.pixel(290, 75), qRgb(0, 0, 0));
    // The upper left stays upper left.
    EXPECT_GT(qRed(plain.pixel(80, 30)), 200);
    EXPECT_LT(qGreen(plain.pixel(80, 30)), 60);
    EXPECT_GT(qGreen(plain.pixel(220, 30)), 200);
    EXPECT_GT(qBlue(plain.pixel(80, 120)), 200);
    EXPECT_LT(qRed(plain.pixel(80, 120)), 60);
    EXPECT_GT(qRed(plain.pixel(220, 120)), 200);
    EXPECT_GT(qBlue(plain.pixel(220, 120)), 200);

    // With the default look the view shows what the chain makes of the frame.
    c.obj_Video->setB_Instant(1);
    c.obj_Video->setB_Sepia(1);
    const QImage filtered = pictures::vintageImage(pictures::bitmapFromImage(frame), *c.obj_Video)
                                .convertToFormat(QImage::Format_RGB32);
    const QImage looked = view.grab().toImage();
    EXPECT_TRUE(near(looked.pixel(80, 30), filtered.pixel(16, 12), 3));
    EXPECT_TRUE(near(looked.pixel(220, 120), filtered.pixel(48, 36), 3));
    EXPECT_FALSE(near(looked.pixel(80, 30), plain.pixel(80, 30), 10));
}

TEST(PresetWords, EachLookIsNamedByWhatItChanges)
{
    const std::vector<effects::Look> presets = effects::presetLooks();
    effects::Look darker;
    darker.setB_Instant(0);
    darker.setB_Sepia(0);
    const effects::Look none = darker;
    darker.setF_Brightness(-20.0f);
    darker.setF_Blue_Balance(90.0f);
    darker.setB_Light(1);
    effects::Look projected;
    projected.setB_Instant(0);
    projected.setB_Weave(1);
    projected.setB_Halation(1);
    projected.setB_Noise(1);
    projected.setI_Grain_Size(2);
    projected.setB_Flicker(1);
    projected.setI_Gate(2);
    effects::Look cranked;
    cranked.setI_Cadence(18);
    cranked.setB_Noise(1);
    cranked.setI_Gate(1);
    cranked.setB_Old_Sound(1);
    effects::Look sizeWithoutGrain;
    sizeWithoutGrain.setI_Grain_Size(3);
    const struct
    {
        effects::Look look;
        const char* words;
    } cases[] = {
        {presets[8], "Instant, sepia, grain"},
        {presets[24], "Chrome, instant, sepia, vignette, grain"},
        {presets[29], "Instant, strong colour"},
        {effects::Look(), "Instant, sepia"},
        {none, "No effects"},
        {darker, "Darker, colour balance, light"},
        {projected, "Weave, sepia, halation, grain (size 2), flicker, 1.37 gate"},
        {cranked, "Cranked at 18 fps, instant, sepia, grain, 4:3 gate, old sound"},
        {sizeWithoutGrain, "Instant, sepia"},
    };
    for (const auto& k : cases)
        EXPECT_EQ(effects::lookDescription(k.look), k.words);
}
