// Clips with the traits of users' files, opened and exported through the
// controller with the real ffmpeg, the result measured by ffprobe against
// its source.
#include "support/Corpus.h"
#include "support/ExportHarness.h"
#include "support/PlayerView.h"
#include "support/TestApp.h"

#include <QDir>
#include <QProcess>
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
    // A variable-rate picture comes out constant at its nominal rate, its
    // frames repeated or dropped by their times.
    const bool variable = std::abs(before.nominalRate / before.rate - 1.0) > 0.01;
    const double rate = variable ? before.nominalRate : before.rate;
    const double frame = 1.0 / rate;
    // Containers that count in milliseconds (FLV, WMV) round every time.
    constexpr double rounding = 0.002;
    // The AAC encoder writes whole frames of 1024 samples (23 ms at 44.1 kHz):
    // at 59.94 fps that is longer than one picture frame.
    const double soundTolerance = std::max(frame, 1024.0 / 44100.0) + rounding;
    EXPECT_NEAR(after.rate / rate, 1.0, 0.001) << after.rateText.toStdString();
    // A picture that starts after the sound keeps its place: its first frame
    // is held from the start, as a player shows it, so the two stay in step.
    const double held = before.pictureStart * rate;
    EXPECT_NEAR(after.pictureStart, 0.0, rounding);
    EXPECT_NEAR(after.frames, variable ? before.pictureSeconds * rate : before.frames + held, 1);
    EXPECT_NEAR(after.pictureSeconds, before.pictureSeconds + before.pictureStart,
                frame + rounding);
    EXPECT_NEAR(after.displayAspect / before.displayAspect, 1.0, 0.01);
    ASSERT_EQ(after.soundSeconds.has_value(), before.soundSeconds.has_value());
    if (before.soundSeconds) {
        EXPECT_NEAR(*after.soundSeconds, *before.soundSeconds, soundTolerance);
        // Mono stays mono, 5.1 stays 5.1.
        EXPECT_EQ(playerview::probeEntry(result, "a:0", "stream=channels"),
                  playerview::probeEntry(source, "a:0", "stream=channels"));
    }
    // Tagged as what it is, never turned a second time by a player.
    EXPECT_EQ(playerview::probeEntry(result, "v:0", "stream=color_space"),
              after.displayWidth >= 1280 || after.displayHeight >= 720 ? "bt709" : "smpte170m");
    EXPECT_EQ(playerview::probeEntry(result, "v:0", "stream_side_data=rotation"), "");
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

TEST(RealCut, HoldsTheFramesAndSoundOfTheWholeExportInItsRange)
{
    TestApp app;
    AppDelegate& c = *app.controller;
    const QString source = app.home.path() + "/vfr-counter.mp4";
    // Numbered frames at a nominal 30 fps with frames 5, 6 and 17 of every
    // 30 missing, and a beep at 0.6 s, 1.6 s...
    QProcess make;
    make.setStandardInputFile(QProcess::nullDevice());
    make.start(testsupport::ffmpeg(),
               {"-y", "-v", "error", "-f", "lavfi", "-i",
                playerview::counterSource("160x120", "30", 4) +
                    ",select='not(eq(mod(n\\,30)\\,5)+eq(mod(n\\,30)\\,6)+eq(mod(n\\,30)\\,17))'",
                "-f", "lavfi", "-i",
                "aevalsrc='if(lt(mod(t-0.6\\,1)\\,0.03)\\,0.5*sin(2*PI*1000*t)\\,0)':s=48000:d=4",
                "-fps_mode", "vfr", "-c:a", "aac", source});
    ASSERT_TRUE(make.waitForFinished(120000) && make.exitCode() == 0)
        << make.readAllStandardError().toStdString();
    app.dialogs.filePanelAnswers.enqueue(source);
    c.OnOpen();
    ASSERT_TRUE(app.dialogs.alerts.isEmpty());
    c.obj_Video->setB_Instant(0);
    c.obj_Video->setB_Sepia(0);
    const double duration = c.obj_Video->durationWithFraction();
    const auto exportRange = [&](double fromFrame, double toFrame) {
        c.f_Cut_Percent_Menor = float(fromFrame / 30.0 * 100.0 / duration);
        c.f_Cut_Percent_Maior = toFrame < 0 ? 100.0f : float(toFrame / 30.0 * 100.0 / duration);
        const QString out = app.home.path() + QString("/out%1").arg(fromFrame);
        QDir().mkpath(out);
        app.dialogs.alerts.clear();
        app.dialogs.folderPanelAnswers.enqueue(out);
        c.OnSave();
        EXPECT_TRUE(exportharness::waitForExportEnd(c, 300000));
        EXPECT_EQ(app.dialogs.alerts.value(0).message, "Success");
        return out + "/vfr-counter.mp4";
    };
    const QString whole = exportRange(0.0, -1.0);
    const QList<int> wholeNumbers = playerview::burntNumbers(whole);
    const QList<double> wholeBeeps = playerview::beepTimes(whole);
    ASSERT_GE(wholeNumbers.size(), 118);

    // Ranges from mid-frame to mid-frame: the first kept frame is 35 (the
    // first of two without a frame of their own, filled from the one before),
    // 17 (missing), 2 (fewer frames before it than the usual lead) and 51.
    const struct
    {
        double from, to;
        int first, pastLast;
    } ranges[] = {
        {34.5, 95.5, 35, 96}, {16.5, 40.5, 17, 41}, {1.5, 30.5, 2, 31}, {50.5, 112.5, 51, 113}};
    for (const auto& range : ranges) {
        SCOPED_TRACE(range.first);
        const QString cut = exportRange(range.from, range.to);
        EXPECT_EQ(playerview::burntNumbers(cut),
                  wholeNumbers.mid(range.first, range.pastLast - range.first));
        QList<double> expected;
        for (const double beep : wholeBeeps)
            if (beep >= range.first / 30.0 && beep < range.pastLast / 30.0)
                expected << beep - range.first / 30.0;
        const QList<double> beeps = playerview::beepTimes(cut);
        ASSERT_EQ(beeps.size(), expected.size());
        for (qsizetype i = 0; i < beeps.size(); ++i)
            EXPECT_NEAR(beeps[i], expected[i], 0.002);
    }
}

namespace {

// A clip whose trait players treat specially, made by one or more ffmpeg runs
// ("%1" stands for the folder; the last run writes `name`), kept whole or cut,
// and what must hold of the result as a player shows it.
struct Trait
{
    const char* name;
    QList<QStringList> make;
    float cutFrom = 0.0f, cutTo = 100.0f;
    std::function<void(const QString& folder, const QString& source, const QString& result)> check;
};

// Black frames with a white one at 0.6 s, 1.6 s… and a 1-kHz beep as long at the same times.
QStringList flashAndBeep(const QString& rate, double seconds, const QString& picture = QString(),
                         double soundSeconds = 0.0)
{
    return {"-f",
            "lavfi",
            "-i",
            QString("color=black:size=160x120:rate=%1:duration=%2,format=yuv420p,"
                    "geq=lum='if(lt(mod(T-0.6+0.0001\\,1)\\,1/%1)\\,235\\,16)':cb=128:cr=128%3")
                .arg(rate)
                .arg(seconds)
                .arg(picture),
            "-f",
            "lavfi",
            "-i",
            QString("aevalsrc='if(lt(mod(t-0.6\\,1)\\,0.03)\\,0.5*sin(2*PI*1000*t)\\,0)':s=48000:"
                    "d=%1")
                .arg(soundSeconds > 0.0 ? soundSeconds : seconds)};
}

// A line of the closing note's table: the result (window/ or renderer/) and what was measured.
void note(const QString& result, const QString& figures)
{
    const QFileInfo file(result);
    std::printf("| %s | %s | %s |\n", qPrintable(file.fileName()), qPrintable(file.dir().dirName()),
                qPrintable(figures));
}

void expectInStep(const QString& result, double rate, int flashes)
{
    const QList<double> offsets = playerview::flashBeepOffsets(result);
    QStringList shown;
    for (const double offset : offsets)
        shown << QString::number(offset * 1000.0, 'f', 0);
    note(result, "flash - beep (ms): " + shown.join(", "));
    EXPECT_EQ(offsets.size(), flashes);
    for (const double offset : offsets)
        EXPECT_LE(std::abs(offset), 1.0 / rate + 0.002) << offset;
}

const QList<Trait>& traits()
{
    static const QList<Trait> all{
        {"bars709.mp4",
         {{"-f", "lavfi", "-i", "smptehdbars=size=1920x1080:rate=30:duration=1", "-vf",
           "scale=out_color_matrix=bt709:out_range=tv", "-pix_fmt", "yuv420p", "-colorspace",
           "bt709", "-color_primaries", "bt709", "-color_trc", "bt709", "%1/bars709.mp4"}},
         0.0f,
         100.0f,
         [](const QString&, const QString& source, const QString& result) {
             const QList<QRgb> before =
                 playerview::barColours(playerview::frameAsShown(source, 0.5));
             const QList<QRgb> after =
                 playerview::barColours(playerview::frameAsShown(result, 0.5));
             ASSERT_EQ(after.size(), 7);
             int worst = 0;
             for (int bar = 0; bar < 7; ++bar)
                 for (const int shift : {16, 8, 0})
                     worst = std::max(worst, std::abs(int(after[bar] >> shift & 0xff) -
                                                      int(before[bar] >> shift & 0xff)));
             note(result, QString("largest bar difference: %1 levels").arg(worst));
             for (int bar = 0; bar < 7; ++bar)
                 for (const int shift : {16, 8, 0})
                     EXPECT_NEAR(int(after[bar] >> shift & 0xff), int(before[bar] >> shift & 0xff),
                                 4)
                         << "bar " << bar << " shift " << shift;
         }},
        // An HLG picture made from an SDR one: once mapped back it must look like it.
        {"hlg.mov",
         {{"-f", "lavfi", "-i", "testsrc2=size=1280x720:rate=25:duration=1", "-vf",
           "scale=out_color_matrix=bt709:out_range=tv", "-pix_fmt", "yuv420p", "-colorspace",
           "bt709", "-color_primaries", "bt709", "-color_trc", "bt709", "%1/sdr-twin.mp4"},
          {"-i", "%1/sdr-twin.mp4", "-vf",
           "zscale=t=linear:npl=100,format=gbrpf32le,zscale=p=2020,"
           "zscale=t=arib-std-b67:m=2020_ncl:r=tv:npl=100,format=yuv420p10le",
           "-c:v", "libx265", "-x265-params", "log-level=error", "-color_primaries", "bt2020",
           "-color_trc", "arib-std-b67", "-colorspace", "bt2020nc", "%1/hlg.mov"}},
         0.0f,
         100.0f,
         [](const QString& folder, const QString&, const QString& result) {
             const auto twin =
                 playerview::tone(playerview::frameAsShown(folder + "/sdr-twin.mp4", 0.5));
             const auto mapped = playerview::tone(playerview::frameAsShown(result, 0.5));
             note(result, QString("luma %1, saturation %2 of the SDR twin")
                              .arg(mapped.luma / twin.luma, 0, 'f', 2)
                              .arg(mapped.saturation / twin.saturation, 0, 'f', 2));
             EXPECT_NEAR(mapped.luma / twin.luma, 1.0, 0.25);
             EXPECT_NEAR(mapped.saturation / twin.saturation, 1.0, 0.25);
             EXPECT_EQ(playerview::probeEntry(result, "v:0", "stream=color_transfer"), "bt709");
         }},
        // Nominal 30 fps with seven frames of every thirty missing.
        {"vfr.mp4",
         {flashAndBeep("30", 4,
                       ",select='not(eq(mod(n\\,30)\\,3)+eq(mod(n\\,30)\\,4)+eq(mod(n\\,30)\\,8)+"
                       "eq(mod(n\\,30)\\,20)+eq(mod(n\\,30)\\,21)+eq(mod(n\\,30)\\,27))'") +
          QStringList{"-fps_mode", "vfr", "-c:a", "aac", "%1/vfr.mp4"}},
         0.0f,
         100.0f,
         [](const QString&, const QString&, const QString& result) {
             expectInStep(result, 30, 4);
         }},
        {"vfr-cut.mp4",
         {flashAndBeep(
              "30", 4,
              ",select='not(eq(mod(n\\,30)\\,3)+eq(mod(n\\,30)\\,8)+eq(mod(n\\,30)\\,21))'") +
          QStringList{"-fps_mode", "vfr", "-c:a", "aac", "%1/vfr-cut.mp4"}},
         30.0f,
         80.0f,
         [](const QString&, const QString&, const QString& result) {
             expectInStep(result, 30, 2);
             // 1.2 s to 3.2 s: 60 frames, the cut ending where it should.
             EXPECT_NEAR(playerview::probeEntry(result, "v:0", "stream=nb_frames").toInt(), 60, 1);
         }},
        {"late.mp4",
         {QStringList{"-itsoffset", "1"} + flashAndBeep("25", 3, QString(), 4) +
          QStringList{"-fps_mode", "passthrough", "-c:a", "aac", "%1/late.mp4"}},
         0.0f,
         100.0f,
         [](const QString&, const QString&, const QString& result) {
             expectInStep(result, 25, 3);
         }},
        {"interlaced.mp4",
         {{"-f", "lavfi", "-i",
           "testsrc2=size=720x480:rate=60000/1001:duration=1,interlace=scan=tff,setfield=tff",
           "-flags", "+ilme+ildct", "-x264-params", "tff=1", "-pix_fmt", "yuv420p",
           "%1/interlaced.mp4"}},
         0.0f,
         100.0f,
         [](const QString&, const QString& source, const QString& result) {
             const double before = playerview::interlacedShare(source);
             const double after = playerview::interlacedShare(result);
             note(result, QString("interlaced frames: source %1 %, result %2 %")
                              .arg(before * 100.0, 0, 'f', 0)
                              .arg(after * 100.0, 0, 'f', 0));
             EXPECT_GT(before, 0.9);
             EXPECT_LE(after, 0.05);
         }},
        // 25-75 % of 2 s at 25 fps: frames 13 to 37, each once.
        {"counter.mp4",
         {{"-f", "lavfi", "-i", playerview::counterSource("160x120", "25", 2), "-f", "lavfi", "-i",
           "sine=duration=2", "-pix_fmt", "yuv420p", "-c:a", "aac", "%1/counter.mp4"}},
         25.0f,
         75.0f,
         [](const QString&, const QString&, const QString& result) {
             QList<int> expected;
             for (int n = 13; n <= 37; ++n)
                 expected << n;
             const QList<int> numbers = playerview::burntNumbers(result);
             note(result, QString("%1 frames, numbers %2 to %3")
                              .arg(numbers.size())
                              .arg(numbers.value(0, -1))
                              .arg(numbers.value(numbers.size() - 1, -1)));
             EXPECT_EQ(numbers, expected);
         }},
        // A camera's file: 5.1 sound, a commentary track, its date and place.
        {"dated.mov",
         {{"-f",          "lavfi",
           "-i",          "testsrc=size=160x120:rate=25:duration=1",
           "-f",          "lavfi",
           "-i",          "sine=duration=1,aformat=channel_layouts=5.1",
           "-f",          "lavfi",
           "-i",          "sine=duration=1",
           "-map",        "0",
           "-map",        "1",
           "-map",        "2",
           "-pix_fmt",    "yuv420p",
           "-c:a",        "aac",
           "-metadata",   "creation_time=2024-05-01T10:00:00Z",
           "-metadata",   "location=+48.8584+002.2945/",
           "%1/dated.mov"}},
         0.0f,
         100.0f,
         [](const QString&, const QString& source, const QString& result) {
             note(result, QString("channels %1 + %2, created %3, at %4")
                              .arg(playerview::probeEntry(result, "a:0", "stream=channels"),
                                   playerview::probeEntry(result, "a:1", "stream=channels"),
                                   playerview::probeEntry(result, "", "format_tags=creation_time"),
                                   playerview::probeEntry(result, "", "format_tags=location")));
             EXPECT_EQ(playerview::probeEntry(result, "a:0", "stream=channels"), "6");
             // The renderer keeps every sound track; the window its first.
             const bool renderer = QFileInfo(result).dir().dirName() == "renderer";
             EXPECT_EQ(playerview::probeEntry(result, "a:1", "stream=channels"),
                       renderer ? "1" : "");
             for (const char* tag : {"format_tags=creation_time", "format_tags=location"})
                 EXPECT_EQ(playerview::probeEntry(result, "", tag),
                           playerview::probeEntry(source, "", tag))
                     << tag;
         }},
    };
    return all;
}

class PlayerTraits : public ::testing::TestWithParam<Trait>
{
};

void PrintTo(const Trait& trait, std::ostream* out)
{
    *out << trait.name;
}

} // namespace

// Each clip exported through the window and rendered by the renderer, both
// results checked as a player shows them.
TEST_P(PlayerTraits, WindowAndRendererShowWhatThePlayerShowsOfTheSource)
{
    const Trait& trait = GetParam();
    TestApp app;
    AppDelegate& c = *app.controller;
    const QString folder = app.home.path();
    for (QStringList run : trait.make) {
        run.replaceInStrings("%1", folder);
        QProcess ffmpeg;
        ffmpeg.setStandardInputFile(QProcess::nullDevice());
        ffmpeg.start(testsupport::ffmpeg(), QStringList{"-y", "-v", "error"} + run);
        ASSERT_TRUE(ffmpeg.waitForFinished(120000) && ffmpeg.exitCode() == 0)
            << ffmpeg.readAllStandardError().toStdString();
    }
    const QString source = folder + "/" + trait.name;

    app.dialogs.filePanelAnswers.enqueue(source);
    c.OnOpen();
    ASSERT_TRUE(app.dialogs.alerts.isEmpty());
    // A neutral look: what comes out is the picture as the source holds it.
    c.obj_Video->setB_Instant(0);
    c.obj_Video->setB_Sepia(0);
    c.f_Cut_Percent_Menor = trait.cutFrom;
    c.f_Cut_Percent_Maior = trait.cutTo;
    const QString window = folder + "/window", renderer = folder + "/renderer";
    ASSERT_TRUE(QDir().mkpath(window) && QDir().mkpath(renderer));
    app.dialogs.folderPanelAnswers.enqueue(window);
    c.OnSave();
    ASSERT_TRUE(exportharness::waitForExportEnd(c, 300000));
    ASSERT_EQ(app.dialogs.alerts.size(), 1);
    ASSERT_EQ(app.dialogs.alerts[0].message, "Success");

    QProcess render;
    render.setStandardInputFile(QProcess::nullDevice());
    QStringList arguments{"-q", "--set", "instant=off", "--set", "sepia=off", "-o", renderer};
    if (trait.cutFrom != 0.0f || trait.cutTo != 100.0f)
        arguments << "--from" << QString("%1%").arg(trait.cutFrom) << "--to"
                  << QString("%1%").arg(trait.cutTo);
    render.start(QStringLiteral(OLDREEL_RENDER_PROGRAM), arguments << source);
    ASSERT_TRUE(render.waitForFinished(300000) && render.exitCode() == 0)
        << render.readAllStandardError().toStdString();

    const QString result = QFileInfo(source).completeBaseName() + ".mp4";
    for (const QString& made : {window + "/" + result, renderer + "/" + result}) {
        SCOPED_TRACE(made.toStdString());
        trait.check(folder, source, made);
    }
}

INSTANTIATE_TEST_SUITE_P(Traits, PlayerTraits, ::testing::ValuesIn(traits()), [](const auto& info) {
    return QFileInfo(info.param.name).completeBaseName().replace('-', '_').toStdString();
});
