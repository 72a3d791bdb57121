// Clips with the traits of users' files, opened and exported through the
// controller with the real ffmpeg, the result measured by ffprobe against
// its source.
#include "support/Corpus.h"
#include "support/ExportHarness.h"
#include "support/TestApp.h"

#include <QDir>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>

namespace {

// CTest runs each clip's case in a process of its own: each makes only its clip.
class RealFiles : public ::testing::TestWithParam<corpus::Clip>
{
};

QString describe(const corpus::Measured& m)
{
    QString text =
        QString::asprintf("%s fps (%.3f), %d frames, %.3f s from %.3f s, shown %dx%d "
                          "(%.3f)",
                          qPrintable(m.rateText), m.rate, m.frames, m.pictureSeconds,
                          m.pictureStart, m.displayWidth, m.displayHeight, m.displayAspect);
    if (m.soundSeconds)
        text += QString::asprintf(", sound %.3f s", *m.soundSeconds);
    return text;
}

} // namespace

TEST_P(RealFiles, ExportKeepsRateFramesLengthShapeAndSound)
{
    const corpus::Clip& clip = GetParam();
    TestApp app;
    AppDelegate& c = *app.controller;
    ASSERT_TRUE(corpus::make(clip, app.home.path())) << "ffmpeg could not make " << clip.name;
    const QString source = app.home.path() + "/" + clip.name;

    app.dialogs.filePanelAnswers.enqueue(source);
    c.OnOpen();
    ASSERT_TRUE(app.dialogs.alerts.isEmpty())
        << app.dialogs.alerts[0].informativeText.toStdString();

    const QString out = app.home.path() + "/out";
    ASSERT_TRUE(QDir().mkpath(out));
    app.dialogs.folderPanelAnswers.enqueue(out);
    c.OnSave();
    ASSERT_TRUE(exportharness::waitForExportEnd(c, 300000));
    ASSERT_EQ(app.dialogs.alerts.size(), 1);
    ASSERT_EQ(app.dialogs.alerts[0].message, "Success")
        << app.dialogs.alerts[0].informativeText.toStdString();

    const QString result = out + "/" + QFileInfo(source).completeBaseName() + ".mp4";
    const corpus::Measured before = corpus::measure(source);
    const corpus::Measured after = corpus::measure(result);
    // The table of the closing note: source and result, as ffprobe reads them.
    std::printf("| %s | %s | %s |\n", clip.about, qPrintable(describe(before)),
                qPrintable(describe(after)));

    ASSERT_GT(before.rate, 0.0);
    const double frame = 1.0 / before.rate;
    // Containers that count in milliseconds (FLV, WMV) round every time.
    constexpr double rounding = 0.002;
    // The AAC encoder writes whole frames of 1024 samples (23 ms at 44.1 kHz):
    // at 59.94 fps that is longer than one picture frame.
    const double soundTolerance = std::max(frame, 1024.0 / 44100.0) + rounding;
    EXPECT_NEAR(after.rate / before.rate, 1.0, 0.001) << after.rateText.toStdString();
    // A picture that starts after the sound keeps its place: its first frame
    // is held from the start, as a player shows it, so the two stay in step.
    const double held = before.pictureStart * before.rate;
    EXPECT_NEAR(after.pictureStart, 0.0, rounding);
    EXPECT_NEAR(after.frames, before.frames + held, 1);
    EXPECT_NEAR(after.pictureSeconds, before.pictureSeconds + before.pictureStart,
                frame + rounding);
    EXPECT_NEAR(after.displayAspect / before.displayAspect, 1.0, 0.01);
    ASSERT_EQ(after.soundSeconds.has_value(), before.soundSeconds.has_value());
    if (before.soundSeconds) {
        EXPECT_NEAR(*after.soundSeconds, *before.soundSeconds, soundTolerance);
    }
}

INSTANTIATE_TEST_SUITE_P(Corpus, RealFiles, ::testing::ValuesIn(corpus::clips()),
                         [](const auto& info) {
                             QString name = QFileInfo(info.param.name).completeBaseName() + "_" +
                                            QFileInfo(info.param.name).suffix();
                             return name.replace('-', '_').toStdString();
                         });

TEST(RealCut, KeepsExactlyTheChosenRangeOfAClipWithAFraction)
{
    TestApp app;
    AppDelegate& c = *app.controller;
    const QString source = app.home.path() + "/fraction.mp4";
    ASSERT_TRUE(testsupport::makeClip(source, 2.52, 160, 120, "25", true));
    app.dialogs.filePanelAnswers.enqueue(source);
    c.OnOpen();
    ASSERT_TRUE(app.dialogs.alerts.isEmpty());
    // 20-80 % of 2.52 s: from 0.504 s for 1.512 s (the whole seconds would
    // keep 0.4 s for 1.2 s), and an end at the very end keeps the last frames.
    const struct
    {
        float start, end;
        double seconds;
    } ranges[] = {{20.0f, 80.0f, 1.512}, {50.0f, 99.99999f, 1.26}};
    for (const auto& range : ranges) {
        c.f_Cut_Percent_Menor = range.start;
        c.f_Cut_Percent_Maior = range.end;
        const QString out = app.home.path() + QString("/out%1").arg(range.start);
        ASSERT_TRUE(QDir().mkpath(out));
        app.dialogs.alerts.clear();
        app.dialogs.folderPanelAnswers.enqueue(out);
        c.OnSave();
        ASSERT_TRUE(exportharness::waitForExportEnd(c, 300000));
        ASSERT_EQ(app.dialogs.alerts.size(), 1);
        ASSERT_EQ(app.dialogs.alerts[0].message, "Success");
        const corpus::Measured cut = corpus::measure(out + "/fraction.mp4");
        std::printf("| 2.52-s clip, cut %g-%g %% | %s |\n", double(range.start), double(range.end),
                    qPrintable(describe(cut)));
        EXPECT_EQ(cut.rateText, "25/1");
        EXPECT_NEAR(cut.frames, range.seconds * 25.0, 1.0) << range.start;
        EXPECT_NEAR(cut.pictureSeconds, range.seconds, 0.04 + 0.002) << range.start;
    }
}
