// The whole user path with the real main window, real timers and the real
// ffmpeg; only the dialogs are scripted.
#include "app/widgets/PreviewImageView.h"
#include "app/widgets/View_Cut_Range.h"
#include "app/widgets/View_Presets_Thumbnails.h"
#include "support/Acceptance.h"
#include "views/DoubleSlider.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using acceptance::waitFor;

QColor pixelAt(QWidget* widget, int x, int y)
{
    return widget->grab().toImage().pixelColor(x, y);
}

} // namespace

TEST(UserPath, OpenPresetSlidersCutSaveGivesAnMp4)
{
    QTemporaryDir media;
    const QString clip = media.path() + "/Holiday clip.mov";
    ASSERT_TRUE(testsupport::makeClip(clip, 3.0, 320, 240, "10", true));
    const QString outFolder = media.path() + "/exported";
    ASSERT_TRUE(QDir().mkpath(outFolder));

    TestApp app;
    AppDelegate& c = *app.controller;
    app.window->resize(1240, 780);
    app.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(app.window.get()));

    // Open: one second later the frame at 10 % is previewed and the strip fills.
    app.dialogs.filePanelAnswers.enqueue(clip);
    app.window->ui.actionOpen->trigger();
    ASSERT_TRUE(app.dialogs.alerts.isEmpty())
        << app.dialogs.alerts[0].informativeText.toStdString();
    ASSERT_TRUE(c.obj_Video);
    EXPECT_TRUE(c.checkChrome->isEnabled());
    ASSERT_TRUE(waitFor([&] { return !c.obj_Video->imgVideo().isNull(); }, 5));
    EXPECT_EQ(c.obj_Video->imgVideo().size(), QSize(320, 240));
    EXPECT_EQ(c.sliderPos->doubleValue(), 10.0);
    EXPECT_EQ(c.labelCurrentTime->text(), "00:00:00.300");
    ASSERT_TRUE(waitFor([&] { return c.u_Preset_Index == 42; }, 15));
    EXPECT_EQ(c.viewPresets->width(), 42 * 190);

    // The preview shows a picture, not the black of an empty preview.
    EXPECT_TRUE(waitFor(
        [&] {
            return pixelAt(c.viewPreview, c.viewPreview->width() / 2,
                           c.viewPreview->height() / 2) != QColor(Qt::black);
        },
        5));

    // A click on thumbnail 8 (preset index 7: Chrome, sepia, grain).
    QTest::mouseClick(c.viewPresets, Qt::LeftButton, {}, QPoint(7 * 190 + 60, 50));
    ASSERT_EQ(c.obj_Video, c.array_Presets[7]);
    EXPECT_TRUE(c.checkChrome->isChecked());
    EXPECT_TRUE(c.checkSepia->isChecked());
    EXPECT_TRUE(c.checkNoise->isChecked());
    EXPECT_FALSE(c.obj_Video->imgVideo().isNull());

    // Two sliders moved by the user.
    c.sliderContrast->triggerAction(QAbstractSlider::SliderPageStepAdd);
    c.sliderRedBalance->triggerAction(QAbstractSlider::SliderPageStepSub);
    EXPECT_GT(c.obj_Video->f_Contrast(), 100.0f);
    EXPECT_LT(c.obj_Video->f_Red_Balance(), 100.0f);
    EXPECT_EQ(c.labelContrast->text(),
              QString::asprintf("%.2f", double(c.obj_Video->f_Contrast())));

    // Drag the end handle of the cut bar to 80 % of the preview's width.
    View_Cut_Range* bar = c.viewCutBar;
    const int barHeight = bar->height();
    const QPoint endHandle(bar->width() - 2, barHeight - 5);
    QTest::mousePress(bar, Qt::LeftButton, {}, endHandle);
    const int target = int(c.viewPreview->width() * 0.8);
    for (int x = endHandle.x(); x >= target; x -= 20)
        QTest::mouseMove(bar, QPoint(x, barHeight - 5));
    QTest::mouseMove(bar, QPoint(target, barHeight - 5));
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(target, barHeight - 5));
    EXPECT_EQ(c.f_Cut_Percent_Menor, 0.0f);
    EXPECT_NEAR(c.f_Cut_Percent_Maior, 80.0f, 0.5f);
    ASSERT_TRUE(waitFor([&] { return c.sliderPos->doubleValue() > 70.0; }, 3));
    EXPECT_NEAR(c.sliderPos->doubleValue(), double(c.f_Cut_Percent_Maior), 0.01);

    // Save into the chosen folder and wait for the success alert.
    app.dialogs.folderPanelAnswers.enqueue(outFolder);
    app.dialogs.alertAnswers.enqueue(1); // "Close"
    app.window->ui.actionSave->trigger();
    ASSERT_TRUE(waitFor([&] { return !app.dialogs.alerts.isEmpty(); }, 90));
    ASSERT_EQ(app.dialogs.alerts.size(), 1);
    EXPECT_EQ(app.dialogs.alerts[0].message, "Success");
    EXPECT_EQ(app.dialogs.alerts[0].informativeText,
              "Video was converted successfully and saved as \u201cHoliday clip.mp4\u201d.");
    EXPECT_EQ(app.dialogs.alerts[0].buttons, (QStringList{"Open Output Folder", "Close"}));

    const QString result = outFolder + "/Holiday clip.mp4";
    ASSERT_TRUE(QFile::exists(result));
    EXPECT_EQ(testsupport::probe(result, "v:0", "stream=codec_name"), "h264");
    EXPECT_EQ(testsupport::probe(result, "a:0", "stream=codec_name"), "aac");
    EXPECT_EQ(testsupport::probe(result, "v:0", "stream=r_frame_rate"), "10/1");
    // The kept part of the 3-s clip, to within one frame, picture and sound alike.
    const double kept = 3.0 * double(c.f_Cut_Percent_Maior - c.f_Cut_Percent_Menor) / 100.0;
    const double oneFrame = 1.0 / 10.0;
    EXPECT_NEAR(testsupport::probe(result, "v:0", "stream=duration").toDouble(), kept, oneFrame);
    EXPECT_NEAR(testsupport::probe(result, "a:0", "stream=duration").toDouble(), kept, oneFrame);
    EXPECT_TRUE(QFile::exists(clip));
    EXPECT_FALSE(app.exitStatus.has_value());
}
