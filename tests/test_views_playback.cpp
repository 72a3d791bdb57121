// Playing the kept range in the preview, with the real window, the real
// ffmpeg and tiny clips. Time is the test's own: the playback's clock moves
// one frame each time a frame is shown (or jumps when a test says so), so
// what is shown never depends on the machine's speed.
#include "support/Acceptance.h"
#include "support/StreamSupport.h"
#include "support/ViewsSupport.h"
#include "views/DoubleSlider.h"
#include "views/PreviewPlayback.h"
#include "views/PreviewTime.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <cmath>
#include <gtest/gtest.h>

namespace {

using acceptance::waitFor;

constexpr double kRate = 10.0; // the clips' frames per second

// Whether the ffmpeg reader (or any child) of this process is running.
bool childRunning()
{
    return !streamsupport::childPids().isEmpty();
}

// A 2-second 160 × 120 clip at 10 fps, opened through the File menu, with
// its first still shown; the playback's clock is the test's.
struct PlayingApp
{
    QTemporaryDir media;
    TestApp app;
    AppDelegate& c = *app.controller;
    std::atomic<double> now{100.0};
    bool stepClock = true; // one frame of time per frame shown
    QList<long long> shown;

    bool open()
    {
        const QString clip = media.path() + "/clip.mp4";
        if (!testsupport::makeClip(clip, 2.0, 160, 120, "10", false))
            return false;
        app.window->resize(900, 700);
        app.window->show();
        acceptance::openThroughMenu(app, clip);
        if (!waitFor([&] { return c.obj_Video && !c.obj_Video->imgVideo().isNull(); }, 10))
            return false;
        c.Playback().setClock([this] { return now.load(); });
        QObject::connect(c.playback, &views::PreviewPlayback::frameShown, &c, [this](long long f) {
            shown << f;
            if (stepClock)
                now = now + 1.0 / kRate;
        });
        return true;
    }
    bool waitForFrames(qsizetype count)
    {
        return waitFor([&] { return shown.size() >= count; }, 30);
    }
};

} // namespace

TEST(PlaybackRange, SameLookComparesEffectsOnly)
{
    NodeImageInformation a, b;
    b.setSPath("/elsewhere.mov");
    b.setI_Duration_In_Seconds(12);
    EXPECT_TRUE(views::sameLook(a, b));
    b.setF_Noise(51.0f);
    EXPECT_FALSE(views::sameLook(a, b));
    b = a;
    b.setB_Light(1);
    EXPECT_FALSE(views::sameLook(a, b));
    b = a;
    b.setS_Stock("/films/print.cube");
    EXPECT_FALSE(views::sameLook(a, b));
}

TEST(Playback, WalksForwardAndWrapsAtTheEndHandleToTheStartHandle)
{
    PlayingApp p;
    ASSERT_TRUE(p.open());
    AppDelegate& c = p.c;
    EXPECT_TRUE(c.btnPlayPause->isEnabled());
    // Kept range 25 % to 75 % of 2 s: frames 5 to 14. Play from 60 %: frame 12.
    c.f_Cut_Percent_Menor = 25.0f;
    c.f_Cut_Percent_Maior = 75.0f;
    c.sliderPos->setDoubleValue(60.0);
    c.OnPlayPause();
    ASSERT_TRUE(c.isPlaying());
    EXPECT_EQ(c.btnPlayPause->text(), "Pause");
    ASSERT_TRUE(p.waitForFrames(16));
    const QList<long long> expected{12, 13, 14, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 5, 6, 7};
    EXPECT_EQ(p.shown.mid(0, 16), expected);
    EXPECT_EQ(c.playback->framesSkipped(), 0);

    // The label and the playhead follow the shown frame.
    const long long last = *c.playback->shownFrame();
    EXPECT_EQ(c.labelCurrentTime->text(),
              views::labelText(views::previewTimeAt(float(last / kRate))));
    ASSERT_TRUE(c.playheadPercent());
    EXPECT_NEAR(*c.playheadPercent(), last / kRate * 100.0 / c.obj_Video->durationWithFraction(),
                1e-3);
    c.Stop_Playback();
}

TEST(Playback, AMovedEndHandleWrapsAtItsNewPlace)
{
    PlayingApp p;
    ASSERT_TRUE(p.open());
    AppDelegate& c = p.c;
    c.sliderPos->setDoubleValue(0.0);
    // The end handle dragged while playing, at the third frame: the play ends
    // at its new place (40 % of 2 s: frame 7) and wraps from there.
    QObject::connect(c.playback, &views::PreviewPlayback::frameShown, &c, [&] {
        if (p.shown.size() == 3)
            c.f_Cut_Percent_Maior = 40.0f;
    });
    c.OnPlayPause();
    ASSERT_TRUE(p.waitForFrames(12));
    c.Stop_Playback();
    EXPECT_EQ(p.shown.mid(0, 12), (QList<long long>{0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3}));
}

TEST(Playback, AMovedStartHandleTakesEffectAtTheNextFrameAndTheSliderFollows)
{
    PlayingApp p;
    ASSERT_TRUE(p.open());
    AppDelegate& c = p.c;
    c.sliderPos->setDoubleValue(0.0);
    // The start handle dragged past the playing frame, at the third frame:
    // 50 % of 2 s is frame 10, and every frame shown after lies in 10 to 19.
    QList<double> sliderAtFrame;
    QObject::connect(c.playback, &views::PreviewPlayback::frameShown, &c, [&] {
        sliderAtFrame << c.sliderPos->doubleValue();
        if (p.shown.size() == 3)
            c.f_Cut_Percent_Menor = 50.0f;
    });
    c.OnPlayPause();
    ASSERT_TRUE(p.waitForFrames(8));
    c.Stop_Playback();
    EXPECT_EQ(p.shown.mid(0, 3), (QList<long long>{0, 1, 2}));
    for (qsizetype i = 3; i < p.shown.size(); ++i)
        EXPECT_TRUE(p.shown[i] >= 10 && p.shown[i] <= 19) << i << ": frame " << p.shown[i];
    // The position slider stood at each frame as it was shown.
    for (qsizetype i = 0; i < sliderAtFrame.size(); ++i)
        EXPECT_NEAR(sliderAtFrame[i],
                    p.shown[i] / kRate * 100.0 / c.obj_Video->durationWithFraction(), 0.01)
            << i;
}

TEST(Playback, LateFramesAreSkippedNeverShownOutOfOrder)
{
    PlayingApp p;
    ASSERT_TRUE(p.open());
    AppDelegate& c = p.c;
    c.sliderPos->setDoubleValue(0.0);
    // At the second frame the machine falls behind by five frames: the clock
    // runs on, frames are dropped.
    QObject::connect(c.playback, &views::PreviewPlayback::frameShown, &c, [&] {
        if (p.shown.size() == 2)
            p.now = p.now + 5.0 / kRate;
    });
    c.OnPlayPause();
    ASSERT_TRUE(p.waitForFrames(8));
    c.Stop_Playback();
    EXPECT_GT(c.playback->framesSkipped(), 0);
    bool jumped = false;
    for (qsizetype i = 1; i < p.shown.size(); ++i) {
        if (p.shown[i] < p.shown[i - 1])
            break; // wrapped at the end
        EXPECT_GT(p.shown[i], p.shown[i - 1]) << i;
        jumped = jumped || p.shown[i] > p.shown[i - 1] + 1;
    }
    EXPECT_TRUE(jumped);
}

TEST(Playback, AWrapStartsTheClockAgainSoTheRangesFirstFramesShow)
{
    PlayingApp p;
    ASSERT_TRUE(p.open());
    AppDelegate& c = p.c;
    c.f_Cut_Percent_Menor = 25.0f; // frames 5 to 14
    c.f_Cut_Percent_Maior = 75.0f;
    c.sliderPos->setDoubleValue(65.0); // frame 13
    // The decoder's restart at the wrap takes ten seconds of the clock.
    QObject::connect(c.playback, &views::PreviewPlayback::frameShown, &c, [&](long long frame) {
        if (frame == 14)
            p.now = p.now + 10.0;
    });
    c.OnPlayPause();
    ASSERT_TRUE(p.waitForFrames(5));
    c.Stop_Playback();
    EXPECT_EQ(p.shown.mid(0, 5), (QList<long long>{13, 14, 5, 6, 7}));
}

TEST(Playback, AControlChangedWhilePlayingShowsAtTheNextFrame)
{
    PlayingApp p;
    ASSERT_TRUE(p.open());
    AppDelegate& c = p.c;
    // Sepia only: a warm picture. Turning sepia off and saturation to 0 makes it grey.
    for (QCheckBox* box : {c.checkChrome.data(), c.checkInstant.data(), c.checkProgress.data()}) {
        box->setChecked(false);
    }
    c.OnChangeChrome();
    c.OnChangeInstant();
    c.OnChangeProcess();
    c.sliderPos->setDoubleValue(0.0);

    const auto isGrey = [](const QImage& image) {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < rgb.height(); y += 3)
            for (int x = 0; x < rgb.width(); x += 3) {
                const QColor px = rgb.pixelColor(x, y);
                if (std::abs(px.red() - px.blue()) > 2 || std::abs(px.green() - px.blue()) > 2)
                    return false;
            }
        return true;
    };
    QList<bool> grey;
    QObject::connect(c.playback, &views::PreviewPlayback::frameShown, &c, [&] {
        grey << isGrey(c.playback->frame());
        if (grey.size() == 3) {
            // The frame rendered ahead with the old look is dropped: time
            // moves past it, as it would while the next one renders.
            p.now = p.now + 1.0 / kRate;
            c.checkSepia->setChecked(false);
            c.OnChangeSepia();
            c.sliderSaturation->setDoubleValue(0.0);
            c.OnChangeSaturation();
        }
    });
    c.OnPlayPause();
    ASSERT_TRUE(p.waitForFrames(7));
    c.Stop_Playback();
    EXPECT_EQ(grey.mid(0, 7), (QList<bool>{false, false, false, true, true, true, true}));
}

TEST(Playback, PauseShowsTheShownFrameAsTheStillAndEndsTheDecoder)
{
    PlayingApp p;
    ASSERT_TRUE(p.open());
    AppDelegate& c = p.c;
    c.sliderPos->setDoubleValue(20.0); // frame 4
    bool readerSeen = false;
    // Paused at the fifth frame shown: frame 8, between whole seconds.
    bool paused = false;
    QObject::connect(c.playback, &views::PreviewPlayback::frameShown, &c, [&] {
        readerSeen = readerSeen || childRunning();
        if (p.shown.size() == 5 && !paused) {
            paused = true;
            c.OnPlayPause();
        }
    });
    c.OnPlayPause();
    ASSERT_TRUE(waitFor([&] { return p.shown.size() >= 5 && !c.isPlaying(); }, 30));
    EXPECT_TRUE(readerSeen);
    EXPECT_EQ(c.btnPlayPause->text(), "Play");
    EXPECT_FALSE(childRunning());
    const long long frame = *c.playback->shownFrame();
    EXPECT_EQ(frame, 8);
    const double percent = frame / kRate * 100.0 / c.obj_Video->durationWithFraction();
    EXPECT_NEAR(c.sliderPos->doubleValue(), percent, 1e-3);
    // OnChangePos ran: the label is the still's, and the strip starts again.
    EXPECT_EQ(c.labelCurrentTime->text(),
              views::labelText(views::previewTime(c.obj_Video->durationWithFraction(),
                                                  c.sliderPos->floatValue())));
    EXPECT_EQ(c.u_Preset_Index, 0u);
    EXPECT_FALSE(c.playheadPercent());
    // The still is that very frame, not the one at its whole second (frame 0):
    // the extraction takes the slider's time to the millisecond.
    const QString still = p.media.path() + "/still.png", exact = p.media.path() + "/exact.png",
                  whole = p.media.path() + "/whole.png";
    ASSERT_TRUE(c.obj_Video->imgVideo().save(still));
    ASSERT_TRUE(
        streamsupport::extractFrame(p.media.path() + "/clip.mp4", int(frame), 160, 120, exact));
    ASSERT_TRUE(streamsupport::extractFrame(p.media.path() + "/clip.mp4", int(frame / 10 * 10), 160,
                                            120, whole));
    const double exactPsnr = streamsupport::psnr(still, exact),
                 wholePsnr = streamsupport::psnr(still, whole);
    EXPECT_GT(exactPsnr, 35.0);
    EXPECT_GT(exactPsnr, wholePsnr + 5.0) << exactPsnr << " " << wholePsnr;

    // Play again goes on from there.
    p.shown.clear();
    c.OnPlayPause();
    ASSERT_TRUE(p.waitForFrames(1));
    EXPECT_EQ(p.shown[0], frame);
    c.OnPlayPause();
}

TEST(Playback, OpenAndSaveStopPlaybackFirst)
{
    PlayingApp p;
    ASSERT_TRUE(p.open());
    AppDelegate& c = p.c;
    c.OnPlayPause();
    ASSERT_TRUE(p.waitForFrames(2));
    p.app.window->ui.actionOpen->trigger(); // the panel is cancelled
    EXPECT_FALSE(c.isPlaying());
    EXPECT_FALSE(childRunning());

    c.OnPlayPause();
    ASSERT_TRUE(c.isPlaying());
    p.app.window->ui.actionSave->trigger(); // the folder panel is cancelled
    EXPECT_FALSE(c.isPlaying());
    EXPECT_FALSE(childRunning());
    EXPECT_TRUE(p.app.dialogs.alerts.isEmpty());
}

TEST(Playback, ClosingTheWindowEndsTheDecoder)
{
    PlayingApp p;
    ASSERT_TRUE(p.open());
    p.c.OnPlayPause();
    ASSERT_TRUE(p.waitForFrames(2));
    p.app.window->close();
    ASSERT_TRUE(p.app.exitStatus);
    EXPECT_EQ(*p.app.exitStatus, 0);
    EXPECT_FALSE(p.c.isPlaying());
    EXPECT_FALSE(childRunning());
}

TEST(Playback, AVideoThatCannotBeDecodedSaysSo)
{
    TestApp app;
    viewstest::openByHand(app, 2, 10.0f, viewstest::quadrantFrame(160, 120));
    AppDelegate& c = *app.controller;
    c.sliderPos->setDoubleValue(10.0);
    c.OnChangePos();
    c.OnPlayPause();
    ASSERT_TRUE(waitFor([&] { return !app.dialogs.alerts.isEmpty(); }, 20));
    EXPECT_EQ(app.dialogs.alerts[0].message, "Error");
    EXPECT_TRUE(app.dialogs.alerts[0].informativeText.startsWith("The video cannot be played: "))
        << app.dialogs.alerts[0].informativeText.toStdString();
    EXPECT_FALSE(c.isPlaying());
    EXPECT_EQ(c.btnPlayPause->text(), "Play");
}

TEST(Playback, NothingPlaysWithoutAVideo)
{
    TestApp app;
    EXPECT_FALSE(app.controller->btnPlayPause->isEnabled());
    app.controller->OnPlayPause();
    EXPECT_FALSE(app.controller->isPlaying());
    EXPECT_TRUE(app.dialogs.alerts.isEmpty());
}
