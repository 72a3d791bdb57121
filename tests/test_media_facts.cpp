#include "effects/PresetTable.h"
#include "media/NodeImageInformation.h"
#include "media/ReportParsing.h"
#include "media/Transcoder.h"
#include "media/VideoFacts.h"
#include "support/StreamSupport.h"
#include "support/TestApp.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// A stream line as ffmpeg 5.1 prints it for an MP4 from a camera.
const QString kDvStream =
    "  Stream #0:0[0x1](und): Video: h264 (High) (avc1 / 0x31637661), yuv420p(tv, bt709, "
    "progressive), 720x480 [SAR 32:27 DAR 16:9], 1181 kb/s, 29.97 fps, 29.97 tbr, 30k tbn "
    "(default)\n";

bool ffmpegMakes(const QStringList& arguments)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(testsupport::ffmpeg(),
                  QStringList{"-y", "-nostdin", "-loglevel", "error"} + arguments);
    return process.waitForFinished(120000) && process.exitCode() == 0;
}

} // namespace

TEST(FrameRates, PrintedRatesBecomeExactFractions)
{
    const struct
    {
        QString printed;
        long long numerator, denominator;
    } cases[] = {
        {"29.97", 30000, 1001},
        {"23.98", 24000, 1001},
        {"59.94", 60000, 1001},
        {"14.99", 15000, 1001},
        {"119.88", 120000, 1001},
        {"30", 30, 1},
        {"25", 25, 1},
        {"12.5", 25, 2},
        {"29.96", 749, 25},
        // A variable-rate clip's average.
        {"27.43", 2743, 100},
        {"1k", 1000, 1},
        {"0", 0, 0},
        {"", 0, 0},
        {"fps", 0, 0},
        {"-25", 0, 0},
    };
    for (const auto& c : cases) {
        const auto rate = media::exactRate(c.printed);
        ASSERT_EQ(rate.has_value(), c.numerator > 0) << c.printed.toStdString();
        if (rate) {
            EXPECT_EQ(rate->numerator, c.numerator) << c.printed.toStdString();
            EXPECT_EQ(rate->denominator, c.denominator) << c.printed.toStdString();
        }
    }
}

TEST(StreamScan, ReadsTheFirstPictureStreamAndItsBlock)
{
    const struct
    {
        const char* what;
        QString report;
        int width, height, sarNumerator, sarDenominator, rotation;
        long long numerator, denominator;
        bool sound;
    } cases[] = {
        // The codec tag "0x31637661" is no size; the sample aspect ratio is in brackets.
        {"camera",
         "Input #0, mov, from 'a':\n" + kDvStream +
             "  Stream #0:1[0x2](und): Audio: aac (LC), 48000 Hz, stereo, fltp\n",
         720, 480, 32, 27, 0, 30000, 1001, true},
        // WMV prints its ratio without brackets.
        {"wmv",
         "  Stream #0:0: Video: wmv2 (WMV2 / 0x32564D57), yuv420p, 160x120, SAR 1:1 DAR "
         "4:3, 29.97 fps, 29.97 tbr, 1k tbn\n",
         160, 120, 1, 1, 0, 30000, 1001, false},
        // A phone clip: counter-clockwise 90 in the matrix is a clockwise quarter turn back.
        {"phone",
         "  Stream #0:0: Video: h264, yuv420p, 1920x1080 [SAR 1:1 DAR 16:9], 29.85 "
         "fps, 30 tbr, 90k tbn\n    Metadata:\n      handler_name    : VideoHandler\n"
         "    Side data:\n      displaymatrix: rotation of -90.00 degrees\n"
         "  Stream #0:1: Audio: aac, 44100 Hz, mono\n",
         1920, 1080, 1, 1, 90, 597, 20, true},
        {"old rotate tag",
         "  Stream #0:0: Video: h264, yuv420p, 160x120, 25 fps\n"
         "    Metadata:\n      rotate          : 180\n",
         160, 120, 1, 1, 180, 25, 1, false},
        // A cover picture is no video; an unknown ratio 0:1 is square; no fps, the tbr.
        {"cover first",
         "  Stream #0:0: Video: png, rgb24(pc), 120x160 [SAR 27:32 DAR 81:128], "
         "90k tbr, 90k tbn (attached pic)\n"
         "  Stream #0:1: Video: mpeg2video, yuv420p, 352x288 [SAR 0:1 DAR 0:1], "
         "25 tbr, 90k tbn\n",
         352, 288, 1, 1, 0, 25, 1, false},
        // A metadata key or value is indented deeper than ffmpeg's own lines.
        {"forged key",
         "  Metadata:\n    Stream #0:0: Video: h264, 10x10, 99 fps: y\n"
         "      comment         : displaymatrix: rotation of 90.00 degrees\n"
         "  Stream #0:0: Video: h264, yuv420p, 160x120, 25 fps, 25 tbr\n"
         "    Metadata:\n      title           : rotate : 90\n",
         160, 120, 1, 1, 0, 25, 1, false},
    };
    for (const auto& c : cases) {
        const auto stream = media::findVideoStream(c.report);
        ASSERT_TRUE(stream) << c.what;
        EXPECT_EQ(stream->width, c.width) << c.what;
        EXPECT_EQ(stream->height, c.height) << c.what;
        EXPECT_EQ(stream->sampleAspectNumerator, c.sarNumerator) << c.what;
        EXPECT_EQ(stream->sampleAspectDenominator, c.sarDenominator) << c.what;
        EXPECT_EQ(stream->rotation, c.rotation) << c.what;
        EXPECT_EQ(stream->rate.numerator, c.numerator) << c.what;
        EXPECT_EQ(stream->rate.denominator, c.denominator) << c.what;
        EXPECT_EQ(media::hasAudioStream(c.report), c.sound) << c.what;
    }
    EXPECT_FALSE(media::findVideoStream(u"  Stream #0:0: Audio: mp3, 44100 Hz, stereo\n"));
    EXPECT_FALSE(media::findVideoStream(u"    Stream #0:0: Video: h264, 160x120, 25 fps\n"));
}

TEST(VideoFactsScan, NoFileNameCanForgeALineOfTheReport)
{
    // The name carries a whole false description of a long, fast video.
    const QString path = "/v/a\n  Duration: 00:09:59.00, start: 0.000000\n"
                         "  Stream #0:0: Video: h264, 640x360, 60 fps\nb.mp4";
    const QString report = "Input #0, mov,mp4, from '" + path +
                           "':\n"
                           "  Duration: 00:00:05.52, start: 0.000000, bitrate: 90 kb/s\n" +
                           kDvStream + path + ": some warning\n";
    const auto facts = media::videoFactsFromReport(report, path);
    ASSERT_TRUE(facts);
    EXPECT_DOUBLE_EQ(facts->durationSeconds, 5.52);
    EXPECT_EQ(facts->durationText, " 00:00:05.5");
    EXPECT_EQ(facts->width, 720);
    EXPECT_EQ(facts->rateNumerator, 30000);
    EXPECT_EQ(facts->rateDenominator, 1001);
    EXPECT_FALSE(facts->hasSound);

    // Without a picture stream or a duration there are no facts.
    EXPECT_FALSE(media::videoFactsFromReport(u"  Duration: 00:00:05.52\n", u"/v/a.mp4"));
    EXPECT_FALSE(media::videoFactsFromReport(kDvStream, u"/v/a.mp4"));
}

TEST(VideoFactsShape, DisplaySizeHasSquarePixelsRotationAndEvenSides)
{
    const struct
    {
        int width, height, sarNumerator, sarDenominator, rotation;
        int displayWidth, displayHeight;
    } cases[] = {
        {720, 480, 32, 27, 0, 852, 480}, // DV widescreen: 853.3 wide, even
        {720, 480, 8, 9, 0, 640, 480},   // DV 4:3
        {720, 480, 32, 27, 90, 480, 852},
        {160, 120, 1, 1, 270, 120, 160},
        {161, 121, 1, 1, 0, 160, 120}, // odd sides lose their last pixel
        {160, 120, 1, 1, 180, 160, 120},
        {1, 1, 1, 1, 0, 2, 2},
        // A nonsense report stays in range.
        {99999, 2, 999999, 1, 0, 65536, 2},
    };
    for (const auto& c : cases) {
        media::VideoFacts facts;
        facts.width = c.width;
        facts.height = c.height;
        facts.sampleAspectNumerator = c.sarNumerator;
        facts.sampleAspectDenominator = c.sarDenominator;
        facts.rotation = c.rotation;
        EXPECT_EQ(facts.displayWidth(), c.displayWidth) << c.width << "x" << c.height;
        EXPECT_EQ(facts.displayHeight(), c.displayHeight) << c.width << "x" << c.height;
        EXPECT_EQ(facts.hasSquarePixels(), c.sarNumerator == c.sarDenominator);
    }
}

TEST(VideoFactsProbe, ReadsRealClipsAndNeverRunsOnAPipe)
{
    QTemporaryDir dir;
    const QString flat = dir.path() + "/flat.mp4";
    const QString dv = dir.path() + "/dv.mp4";
    // 29.97 fps, 32:27 pixels, sound longer than the picture, then the picture
    // turned (its display matrix: a player turns it a quarter counter-clockwise).
    ASSERT_TRUE(ffmpegMakes({"-f", "lavfi", "-i", "testsrc=size=180x120:rate=30000/1001:duration=1",
                             "-f", "lavfi", "-i", "sine=duration=1.6", "-vf", "setsar=32/27",
                             "-pix_fmt", "yuv420p", flat}));
    ASSERT_TRUE(ffmpegMakes({"-i", flat, "-c", "copy", "-metadata:s:v:0", "rotate=90", dv}));
    const auto facts = media::probeVideoFacts(testsupport::ffmpeg(), dv);
    ASSERT_TRUE(facts);
    EXPECT_EQ(facts->rateNumerator, 30000);
    EXPECT_EQ(facts->rateDenominator, 1001);
    EXPECT_EQ(QSize(facts->width, facts->height), QSize(180, 120));
    EXPECT_EQ(facts->sampleAspectNumerator, 32);
    EXPECT_EQ(facts->sampleAspectDenominator, 27);
    EXPECT_EQ(facts->rotation, 270);
    EXPECT_TRUE(facts->hasSound);
    EXPECT_NEAR(facts->durationSeconds, 1.6, 0.03);
    EXPECT_EQ(QSize(facts->displayWidth(), facts->displayHeight()), QSize(120, 212));

    // Relative paths and names that look like protocols are files.
    ASSERT_TRUE(QFile::copy(dv, dir.path() + "/pipe:0"));
    const QString old = QDir::currentPath();
    QDir::setCurrent(dir.path());
    EXPECT_TRUE(media::probeVideoFacts(testsupport::ffmpeg(), "pipe:0"));
    QDir::setCurrent(old);

    // A named pipe, a folder, a device and a missing file: the transcoder never runs.
    const QString fifo = dir.path() + "/fifo.mp4";
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString ran = dir.path() + "/ran";
    const QString fake = testsupport::writeScript(dir.path() + "/ffmpeg", "touch '" + ran + "'");
    for (const QString& path : {fifo, dir.path(), QString("/dev/zero"), dir.path() + "/none.mp4"})
        EXPECT_FALSE(media::probeVideoFacts(fake, path)) << path.toStdString();
    EXPECT_FALSE(QFile::exists(ran));
    // The same fake does run for a regular file, so the check above can fail.
    EXPECT_FALSE(media::probeVideoFacts(fake, dv));
    EXPECT_TRUE(QFile::exists(ran));
}

// The synchronous runners give a child that stays silent past the limit up:
// killed, reaped, nothing returned. The limit counts silence, not the run's
// length: a child that keeps talking (on either channel) runs past it.
TEST(VideoFactsProbe, AChildSilentPastTheLimitIsKilledOneThatTalksIsNot)
{
    QTemporaryDir dir;
    const QString pidFile = dir.path() + "/pid";
    // 1.5 s of talk on standard error, a tenth of a second apart, then a word on its output.
    const QString talks = "for i in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15; do sleep 0.1; echo . >&2; "
                          "done; echo done";
    const struct
    {
        QString body;
        int limitMs;
        QString all, out; // what runAndReadAll and runAndReadOutput return
    } cases[] = {
        {"exec sleep 600", 300, "", ""},
        {"echo '  Duration: 00:00:01.00, start: 0.0'; exec sleep 600", 300, "", ""},
        {talks, 1000, QString(".\n").repeated(15) + "done\n", "done\n"},
    };
    // The fake's pid, once it has run, gone (reaped, not a zombie) or not.
    const auto fakeGone = [&] {
        QFile pid(pidFile);
        return pid.open(QIODevice::ReadOnly) &&
               !streamsupport::processExists(pid.readAll().trimmed().toInt());
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body.toStdString());
        const QString fake = testsupport::writeScript(
            dir.path() + "/ffmpeg", QString("echo $$ > '%1'\n%2").arg(pidFile, c.body));
        EXPECT_EQ(media::runAndReadAll(fake, {"-i", "clip.mp4"}, c.limitMs), c.all);
        EXPECT_TRUE(fakeGone());
        QFile::remove(pidFile);
        EXPECT_EQ(QString::fromUtf8(media::runAndReadOutput(fake, {}, c.limitMs)), c.out);
        EXPECT_TRUE(fakeGone());
    }
}

// Preset records: appended after what the list holds, each its own record
// with its preset's look.
TEST(PresetRecords, FortyTwoAppendedAtTheEndEachItsOwn)
{
    QList<VideoRecord> list{std::make_shared<NodeImageInformation>()};
    appendPresets(list);
    ASSERT_EQ(list.size(), 1 + effects::kPresetCount);
    const std::vector<effects::Look> looks = effects::presetLooks();
    for (int i = 1; i < list.size(); ++i) {
        EXPECT_NE(list[i].get(), list[i - 1].get());
        EXPECT_TRUE(static_cast<const effects::Look&>(*list[i]) == looks[std::size_t(i - 1)]);
    }
}
