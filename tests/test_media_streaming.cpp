// The streaming frame reader and writer against the real ffmpeg and against
// fake transcoders that die, stall or write garbage.
#include "media/FrameReader.h"
#include "media/FrameWriter.h"
#include "media/PictureFilters.h"
#include "media/VideoFacts.h"
#include "media/YuvFrames.h"
#include "support/StreamSupport.h"
#include "support/TestApp.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <thread>

namespace {

using media::FrameReader;
using media::FrameWriter;

class MediaStreaming : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        dir_ = new QTemporaryDir;
        // 29.97 fps, stored 160x120 with 4:3 pixels (shown 214x120 -> 212x120 even),
        // sound 0.5 s longer than the picture.
        ASSERT_TRUE(
            streamsupport::makeUserClip(clip("ntsc.mp4"), 2.0, 160, 120, "30000/1001", "4:3", 2.5));
        ASSERT_TRUE(streamsupport::makeUserClip(clip("long.mp4"), 12.0, 160, 120, "25", "1:1", 0));
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }
    static QString clip(const QString& name) { return dir_->path() + "/" + name; }

    // Every name in `folder`, hidden ones included.
    static QStringList entries(const QString& folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    // Waits (bounded) until the fake whose pid it wrote to `pidFile` and its
    // whole process group are gone.
    static bool fakeGone(const QString& pidFile)
    {
        QFile file(pidFile);
        if (!file.open(QIODevice::ReadOnly))
            return false;
        const int pid = file.readAll().trimmed().toInt();
        return pid > 0 &&
               QTest::qWaitFor([&] { return !streamsupport::processGroupExists(pid); }, 5000) &&
               !streamsupport::childPids().contains(pid);
    }

    static inline QTemporaryDir* dir_ = nullptr;
    QTemporaryDir work_;
};

// PSNR of a delivered frame against a PNG taken out by ffmpeg itself; the two
// only differ by the rounding of ffmpeg's RGBA and RGB conversions.
double psnrOf(const QImage& frame, const QString& png, const QString& folder)
{
    const QString saved = folder + "/frame.png";
    if (!frame.save(saved))
        return -1.0;
    return streamsupport::psnr(saved, png);
}

// -------- reader, real ffmpeg --------

TEST_F(MediaStreaming, ReaderDeliversEveryFrameAtTheRequestedSizeWithTheSourcesPixels)
{
    // The second size is a large picture, which the decoder sends as RGB.
    for (const QSize size : {QSize(212, 120), QSize(2720, 1536)}) {
        SCOPED_TRACE(size.width());
        FrameReader reader({.transcoder = testsupport::ffmpeg(),
                            .videoPath = clip("ntsc.mp4"),
                            .width = size.width(),
                            .height = size.height()});
        ASSERT_TRUE(reader.start()) << reader.error().toStdString();
        imagefilter::Bitmap frame;
        QImage third;
        int count = 0;
        while (reader.next(frame)) {
            ASSERT_EQ(frame.width, size.width());
            ASSERT_EQ(frame.height, size.height());
            ASSERT_EQ(frame.pixels.size(), std::size_t(size.width() * size.height() * 4));
            if (count == 3)
                third = FrameReader::toImage(imagefilter::Bitmap(frame));
            ++count;
        }
        EXPECT_TRUE(reader.error().isEmpty()) << reader.error().toStdString();
        EXPECT_EQ(QString::number(count),
                  testsupport::probe(clip("ntsc.mp4"), "v:0", "stream=nb_frames"));
        EXPECT_EQ(reader.framesDelivered(), count);

        const QString png = work_.path() + "/f3.png";
        ASSERT_TRUE(
            streamsupport::extractFrame(clip("ntsc.mp4"), 3, size.width(), size.height(), png));
        EXPECT_GE(psnrOf(third, png, work_.path()), 40.0);
    }
}

TEST_F(MediaStreaming, ReaderRangeStartsAtTheExactFrameAndCountsExactly)
{
    // Frame 15 of 29.97 fps shows at 0.5005 s; starting half a frame before it
    // must deliver exactly frame 15 first.
    const double frame15 = 15 * 1001.0 / 30000.0;
    FrameReader reader({.transcoder = testsupport::ffmpeg(),
                        .videoPath = clip("ntsc.mp4"),
                        .width = 80,
                        .height = 60,
                        .startSeconds = frame15 - 0.5 * 1001.0 / 30000.0,
                        .frameCount = 10});
    ASSERT_TRUE(reader.start());
    QImage first;
    ASSERT_TRUE(reader.next(first));
    int count = 1;
    QImage frame;
    while (reader.next(frame))
        ++count;
    EXPECT_TRUE(reader.error().isEmpty()) << reader.error().toStdString();
    EXPECT_EQ(count, 10);
    EXPECT_EQ(first.size(), QSize(80, 60));

    const QString png14 = work_.path() + "/14.png", png15 = work_.path() + "/15.png";
    ASSERT_TRUE(streamsupport::extractFrame(clip("ntsc.mp4"), 14, 80, 60, png14));
    ASSERT_TRUE(streamsupport::extractFrame(clip("ntsc.mp4"), 15, 80, 60, png15));
    EXPECT_GE(psnrOf(first, png15, work_.path()), 40.0);
    EXPECT_LT(psnrOf(first, png14, work_.path()), 30.0);
}

TEST_F(MediaStreaming, ReaderStoppedAnyMomentLeavesNoChild)
{
    // Before start, right after start, after a frame, while the consumer waits.
    FrameReader unused({.transcoder = testsupport::ffmpeg(),
                        .videoPath = clip("long.mp4"),
                        .width = 160,
                        .height = 120});
    unused.stop();
    EXPECT_FALSE(unused.start());

    FrameReader early({.transcoder = testsupport::ffmpeg(),
                       .videoPath = clip("long.mp4"),
                       .width = 160,
                       .height = 120});
    ASSERT_TRUE(early.start());
    early.stop();

    FrameReader reader({.transcoder = testsupport::ffmpeg(),
                        .videoPath = clip("long.mp4"),
                        .width = 160,
                        .height = 120,
                        .startSeconds = 0.0,
                        .frameCount = -1,
                        .framesInFlight = 2});
    ASSERT_TRUE(reader.start());
    imagefilter::Bitmap frame;
    ASSERT_TRUE(reader.next(frame));
    reader.stop();
    EXPECT_FALSE(reader.next(frame));
    EXPECT_EQ(reader.error(), "stopped");
    EXPECT_TRUE(streamsupport::childPids().isEmpty());
}

TEST_F(MediaStreaming, ReaderRefusesABadRequestAndReportsAFileFfmpegCannotRead)
{
    FrameReader noSize({.transcoder = testsupport::ffmpeg(),
                        .videoPath = clip("ntsc.mp4"),
                        .width = 0,
                        .height = 120});
    EXPECT_FALSE(noSize.start());
    EXPECT_FALSE(noSize.error().isEmpty());

    const QString text = work_.path() + "/notes.mp4";
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a video at all\n");
    file.close();
    FrameReader reader(
        {.transcoder = testsupport::ffmpeg(), .videoPath = text, .width = 160, .height = 120});
    ASSERT_TRUE(reader.start());
    imagefilter::Bitmap frame;
    EXPECT_FALSE(reader.next(frame));
    EXPECT_TRUE(reader.error().startsWith("notes.mp4: ffmpeg could not decode it (exit status"))
        << reader.error().toStdString();

    FrameReader missing({.transcoder = work_.path() + "/no-ffmpeg",
                         .videoPath = clip("ntsc.mp4"),
                         .width = 160,
                         .height = 120});
    EXPECT_FALSE(missing.start());
    EXPECT_TRUE(missing.error().contains("cannot run")) << missing.error().toStdString();
}

// -------- reader, fake transcoders --------

TEST_F(MediaStreaming, ReaderReportsAFakeThatDiesOrWritesGarbage)
{
    const QString dies = testsupport::writeScript(
        work_.path() + "/dies", "echo 'Invalid data found when processing input' >&2; exit 3");
    FrameReader died({.transcoder = dies, .videoPath = clip("ntsc.mp4"), .width = 4, .height = 4});
    ASSERT_TRUE(died.start());
    imagefilter::Bitmap frame;
    EXPECT_FALSE(died.next(frame));
    EXPECT_EQ(died.error(), "ntsc.mp4: ffmpeg could not decode it (exit status 3): "
                            "Invalid data found when processing input");

    // Two whole 4x4 frames, then 5 bytes of a third.
    const QString garbage =
        testsupport::writeScript(work_.path() + "/garbage", "head -c 133 /dev/urandom; exit 0");
    FrameReader torn(
        {.transcoder = garbage, .videoPath = clip("ntsc.mp4"), .width = 4, .height = 4});
    ASSERT_TRUE(torn.start());
    EXPECT_TRUE(torn.next(frame));
    EXPECT_TRUE(torn.next(frame));
    EXPECT_FALSE(torn.next(frame));
    EXPECT_EQ(torn.error(), "ntsc.mp4: the decoded picture ended in the middle of a frame");

    const QString silent = testsupport::writeScript(work_.path() + "/silent", "exit 0");
    FrameReader empty(
        {.transcoder = silent, .videoPath = clip("ntsc.mp4"), .width = 4, .height = 4});
    ASSERT_TRUE(empty.start());
    EXPECT_FALSE(empty.next(frame));
    EXPECT_EQ(empty.error(), "ntsc.mp4: no frame could be decoded in the requested range");
}

TEST_F(MediaStreaming, ReaderStopFromAnotherThreadEndsAStalledFakeAndItsChildren)
{
    // The fake starts a child of its own that holds the pipe open.
    const QString pidFile = work_.path() + "/pid";
    const QString stalls = testsupport::writeScript(
        work_.path() + "/stalls", QString("echo $$ > '%1'; sleep 300 & wait").arg(pidFile));
    FrameReader reader(
        {.transcoder = stalls, .videoPath = clip("ntsc.mp4"), .width = 4, .height = 4});
    ASSERT_TRUE(reader.start());
    QTRY_VERIFY_WITH_TIMEOUT(QFile(pidFile).size() > 0, 10000);
    std::thread stopper([&] {
        QTest::qSleep(100);
        reader.stop();
    });
    imagefilter::Bitmap frame;
    EXPECT_FALSE(reader.next(frame)); // waits until the other thread stops it
    stopper.join();
    EXPECT_EQ(reader.error(), "stopped");
    EXPECT_TRUE(fakeGone(pidFile));
}

TEST_F(MediaStreaming, ReaderDecodesAheadOnlyAFewFrames)
{
    // A fake that counts the frames it managed to write: with nobody reading,
    // the pipe and the queue hold only a few of them.
    const QString count = work_.path() + "/count";
    const QString writer = testsupport::writeScript(
        work_.path() + "/writes",
        QString("i=0; while [ $i -lt 1000 ]; do head -c 1048576 /dev/zero || exit 1; "
                "i=$((i+1)); echo $i > '%1'; done")
            .arg(count));
    FrameReader reader({.transcoder = writer,
                        .videoPath = clip("ntsc.mp4"),
                        .width = 512,
                        .height = 512,
                        .startSeconds = 0.0,
                        .frameCount = -1,
                        .framesInFlight = 2});
    ASSERT_TRUE(reader.start());
    QTRY_VERIFY_WITH_TIMEOUT(QFile(count).size() > 0, 10000);
    // Counted once the reader has stopped taking frames and the writer waits on the full pipe.
    QTRY_VERIFY_WITH_TIMEOUT(streamsupport::grandchildStalledWriting(), 10000);
    QFile file(count);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    // 2 queued or being read + the pipe's 1 MiB + the one blocked in write.
    EXPECT_LE(file.readAll().trimmed().toInt(), 5);
    reader.stop();
}

// -------- writer --------

TEST_F(MediaStreaming, WriterEncodesTheFramesWithTheSoundOfTheRange)
{
    // The second size is a large picture, which the encoder takes with less memory.
    for (const QSize size : {QSize(212, 120), QSize(2720, 1536)}) {
        SCOPED_TRACE(size.width());
        const int w = size.width(), h = size.height();
        QTemporaryDir work;
        const QString out = work.path() + "/out.mp4";
        // 20 frames of 29.97 fps from 0.5 s: 0.667 s of picture and of sound.
        const double length = 20 * 1001.0 / 30000.0;
        FrameReader reader({.transcoder = testsupport::ffmpeg(),
                            .videoPath = clip("ntsc.mp4"),
                            .width = w,
                            .height = h,
                            .startSeconds = 0.5,
                            .frameCount = 20});
        FrameWriter writer({.transcoder = testsupport::ffmpeg(),
                            .outputPath = out,
                            .replaceExisting = false,
                            .width = w,
                            .height = h,
                            .rateNumerator = 30000,
                            .rateDenominator = 1001,
                            .grain = true,
                            .soundSource = clip("ntsc.mp4"),
                            .soundStartSeconds = 0.5,
                            .soundLengthSeconds = length});
        ASSERT_TRUE(reader.start());
        ASSERT_TRUE(writer.start()) << writer.error().toStdString();
        QImage frame;
        while (reader.next(frame))
            ASSERT_TRUE(writer.write(frame.convertToFormat(QImage::Format_ARGB32_Premultiplied)));
        ASSERT_TRUE(writer.finish()) << writer.error().toStdString();
        EXPECT_EQ(writer.framesWritten(), 20);
        EXPECT_EQ(entries(work.path()), QStringList{"out.mp4"});

        EXPECT_EQ(testsupport::probe(out, "v:0", "stream=nb_frames"), "20");
        EXPECT_EQ(testsupport::probe(out, "v:0", "stream=r_frame_rate"), "30000/1001");
        EXPECT_EQ(testsupport::probe(out, "v:0", "stream=width,height"),
                  QString("%1\n%2").arg(w).arg(h));
        EXPECT_EQ(testsupport::probe(out, "a:0", "stream=codec_name"), "aac");
        EXPECT_NEAR(testsupport::probe(out, "a:0", "stream=duration").toDouble(), length, 0.05);

        // Frame 0 of the result is the source's frame 15 (0.5 s = frame 14.985,
        // so the first shown after it), not its neighbour; the test pattern's
        // sharp colour edges at the tiny size lose a few dB to 4:2:0 colour.
        const QString got = work.path() + "/got.png", want = work.path() + "/want.png",
                      before = work.path() + "/before.png";
        ASSERT_TRUE(streamsupport::extractFrame(out, 0, w, h, got));
        ASSERT_TRUE(streamsupport::extractFrame(clip("ntsc.mp4"), 15, w, h, want));
        ASSERT_TRUE(streamsupport::extractFrame(clip("ntsc.mp4"), 14, w, h, before));
        const double right = streamsupport::psnr(got, want);
        EXPECT_GE(right, 29.0);
        EXPECT_GT(right, streamsupport::psnr(got, before) + 8.0);
    }
}

TEST_F(MediaStreaming, WriterNeverReplacesAnExistingFileUnlessAsked)
{
    const QString out = work_.path() + "/mine.mp4";
    auto encode = [&](bool replace) {
        FrameWriter writer({.transcoder = testsupport::ffmpeg(),
                            .outputPath = out,
                            .replaceExisting = replace,
                            .width = 64,
                            .height = 48,
                            .rateNumerator = 25,
                            .rateDenominator = 1});
        if (!writer.start())
            return false;
        QImage frame(64, 48, QImage::Format_RGB32);
        frame.fill(Qt::darkRed);
        for (int i = 0; i < 5; ++i)
            writer.write(frame);
        const bool ok = writer.finish();
        EXPECT_EQ(ok, writer.error().isEmpty()) << writer.error().toStdString();
        return ok;
    };
    QFile file(out);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("the user's own file");
    file.close();

    EXPECT_FALSE(encode(false));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "the user's own file");
    file.close();
    EXPECT_EQ(entries(work_.path()), QStringList{"mine.mp4"});

    EXPECT_TRUE(encode(true));
    EXPECT_EQ(testsupport::probe(out, "v:0", "stream=nb_frames"), "5");
    EXPECT_EQ(entries(work_.path()), QStringList{"mine.mp4"});
}

TEST_F(MediaStreaming, WriterFailuresLeaveNoFile)
{
    QImage frame(64, 48, QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::gray);
    const QString folder = work_.path() + "/out";
    ASSERT_TRUE(QDir().mkpath(folder));
    auto attempt = [&](const QString& transcoder, int frames) {
        FrameWriter writer({.transcoder = transcoder,
                            .outputPath = folder + "/r.mp4",
                            .replaceExisting = false,
                            .width = 64,
                            .height = 48,
                            .rateNumerator = 25,
                            .rateDenominator = 1});
        if (!writer.start())
            return writer.error();
        for (int i = 0; i < frames && writer.write(frame); ++i) {
        }
        EXPECT_FALSE(writer.finish());
        return writer.error();
    };

    const QString dies = testsupport::writeScript(work_.path() + "/dies",
                                                  "echo 'Unknown encoder libx264' >&2; exit 1");
    EXPECT_EQ(attempt(dies, 50), "r.mp4: ffmpeg could not encode it (exit status 1): "
                                 "Unknown encoder libx264");
    EXPECT_TRUE(entries(folder).isEmpty());

    // Reads a little, then leaves with status 0 while frames keep coming.
    const QString quits =
        testsupport::writeScript(work_.path() + "/quits", "head -c 100 >/dev/null; exit 0");
    EXPECT_EQ(attempt(quits, 400), "r.mp4: ffmpeg stopped reading frames before their end");
    EXPECT_TRUE(entries(folder).isEmpty());

    const QString writesNothing =
        testsupport::writeScript(work_.path() + "/nothing", "cat >/dev/null");
    EXPECT_EQ(attempt(writesNothing, 3), "r.mp4: ffmpeg wrote nothing");
    EXPECT_EQ(attempt(testsupport::ffmpeg(), 0), "r.mp4: no frame to encode");
    EXPECT_TRUE(entries(folder).isEmpty());

    FrameWriter nowhere({.transcoder = testsupport::ffmpeg(),
                         .outputPath = work_.path() + "/missing/r.mp4",
                         .replaceExisting = false,
                         .width = 64,
                         .height = 48,
                         .rateNumerator = 25,
                         .rateDenominator = 1});
    EXPECT_FALSE(nowhere.start());
    EXPECT_TRUE(nowhere.error().startsWith("cannot write in")) << nowhere.error().toStdString();
}

TEST_F(MediaStreaming, WriterStopWhileAStalledFakeBlocksTheProducer)
{
    const QString pidFile = work_.path() + "/pid";
    const QString stalls = testsupport::writeScript(
        work_.path() + "/stalls", QString("echo $$ > '%1'; sleep 300 & wait").arg(pidFile));
    const QString folder = work_.path() + "/out";
    ASSERT_TRUE(QDir().mkpath(folder));
    FrameWriter writer({.transcoder = stalls,
                        .outputPath = folder + "/r.mp4",
                        .replaceExisting = false,
                        .width = 512,
                        .height = 512,
                        .rateNumerator = 25,
                        .rateDenominator = 1});
    ASSERT_TRUE(writer.start());
    QTRY_VERIFY_WITH_TIMEOUT(QFile(pidFile).size() > 0, 10000);
    std::thread stopper([&] {
        QTest::qSleep(200);
        writer.stop();
    });
    QImage frame(512, 512, QImage::Format_ARGB32_Premultiplied);
    frame.fill(Qt::gray);
    int accepted = 0;
    while (writer.write(frame))
        ++accepted; // blocks once the pipe and the queue are full, until stopped
    stopper.join();
    EXPECT_LT(accepted, 10);
    EXPECT_EQ(writer.error(), "stopped");
    EXPECT_FALSE(writer.finish());
    EXPECT_TRUE(entries(folder).isEmpty());
    EXPECT_TRUE(fakeGone(pidFile));
}

TEST_F(MediaStreaming, WriterYuvMatchesTheScalersConversionOfTheSameFrame)
{
    // What the encoding child's scaler made of the RGB frames before the writer
    // converted them itself: HD (BT.709), SD (BT.601), and an odd size, whose
    // last column and row are dropped. The picture is smooth, so the scaler's
    // chroma filter and our 2x2 mean agree, and its right part is translucent:
    // the premultiplied colour is converted as stored.
    for (const QSize size : {QSize(1280, 720), QSize(720, 576), QSize(353, 241)}) {
        SCOPED_TRACE(size.width());
        const int w = size.width(), h = size.height();
        QImage frame(w, h, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < h; ++y) {
            auto* row = reinterpret_cast<QRgb*>(frame.scanLine(y));
            for (int x = 0; x < w; ++x) {
                const int alpha = x < w / 2 ? 255 : 255 - (x - w / 2) * 100 / w;
                const int r = x * 255 / (w - 1), g = y * 255 / (h - 1);
                const int b = int(128 + 100 * std::sin((x + y) / 40.0));
                row[x] = qRgba(r * alpha / 255, g * alpha / 255, b * alpha / 255, alpha);
            }
        }
        const QString raw = work_.path() + "/frame.raw", scaled = work_.path() + "/scaled.yuv";
        QFile rawFile(raw);
        ASSERT_TRUE(rawFile.open(QIODevice::WriteOnly));
        for (int y = 0; y < h; ++y)
            rawFile.write(reinterpret_cast<const char*>(frame.constScanLine(y)), qint64(w) * 4);
        rawFile.close();
        const bool littleEndian = QSysInfo::ByteOrder == QSysInfo::LittleEndian;
        const QString filters = QString("crop=trunc(iw/2)*2:trunc(ih/2)*2,%1,format=yuv420p")
                                    .arg(media::rgbToEncodingFilter(w, h));
        ASSERT_EQ(
            QProcess::execute(testsupport::ffmpeg(),
                              {"-nostdin", "-loglevel", "error", "-f", "rawvideo", "-pix_fmt",
                               littleEndian ? "bgra" : "argb", "-s", QString("%1x%2").arg(w).arg(h),
                               "-i", raw, "-vf", filters, "-f", "rawvideo", "-y", scaled}),
            0);
        QFile scaledFile(scaled);
        ASSERT_TRUE(scaledFile.open(QIODevice::ReadOnly));
        const QByteArray want = scaledFile.readAll();

        const int ew = w & ~1, eh = h & ~1;
        std::vector<std::uint8_t> got(media::yuv420Bytes(ew, eh));
        ASSERT_EQ(std::size_t(want.size()), got.size());
        media::toYuv420(frame, media::encodingYuvMatrix(w, h), got.data());
        const std::size_t luma = std::size_t(ew) * eh;
        // Within a level everywhere: Y rounds through the scaler's 1/64 steps,
        // U and V through its chroma filter.
        const struct
        {
            const char* plane;
            std::size_t first, count;
        } planes[] = {{"Y", 0, luma}, {"U", luma, luma / 4}, {"V", luma + luma / 4, luma / 4}};
        for (const auto& plane : planes) {
            int worst = 0;
            for (std::size_t i = plane.first; i < plane.first + plane.count; ++i)
                worst =
                    std::max(worst, std::abs(int(got[i]) - int(std::uint8_t(want[qsizetype(i)]))));
            EXPECT_LE(worst, 1) << plane.plane;
        }
    }
}

TEST_F(MediaStreaming, ReaderYuvMatchesAPlayersConversionOfTheSameFrame)
{
    // Lossless clips tagged with each matrix the reader converts itself,
    // against zimg's conversion of the same frame with linear chroma sited as
    // H.264 sites it (what players show). The test picture's sharp colour
    // edges put a wrong matrix or a wrongly sited chroma sample many levels off.
    // zimg takes no odd size: the odd one is compared where an even crop of its
    // top left is the same picture (all but its last column and row).
    const struct
    {
        int w, h;
        const char* tag;
        const char* zimgMatrix;
        media::YuvMatrix matrix;
    } rows[] = {{1280, 720, "bt709", "709", media::YuvMatrix::Bt709},
                {720, 480, "smpte170m", "170m", media::YuvMatrix::Bt601},
                {353, 241, "bt2020nc", "2020_ncl", media::YuvMatrix::Bt2020}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.tag);
        const QString clip = work_.path() + "/clip.mkv", want = work_.path() + "/want.rgb";
        ASSERT_EQ(QProcess::execute(testsupport::ffmpeg(),
                                    {"-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                                     "testsrc2=s=1280x720:r=5:d=0.4", "-vf",
                                     QString("format=rgb24,crop=%1:%2:0:0").arg(row.w).arg(row.h),
                                     "-pix_fmt", "yuv420p", "-colorspace", row.tag, "-color_range",
                                     "tv", "-c:v", "ffv1", clip}),
                  0);
        const auto facts = media::probeFacts(testsupport::ffmpeg(), clip);
        ASSERT_TRUE(facts);
        const auto yuv = media::sourceYuvDecoding(*facts, row.w, row.h);
        ASSERT_TRUE(yuv);
        EXPECT_EQ(yuv->matrix, row.matrix);

        FrameReader::Request request{.transcoder = testsupport::ffmpeg(),
                                     .videoPath = clip,
                                     .width = row.w,
                                     .height = row.h};
        request.pictureFilter = yuv->filter;
        request.yuvMatrix = yuv->matrix;
        FrameReader reader(request);
        ASSERT_TRUE(reader.start()) << reader.error().toStdString();
        imagefilter::Bitmap frame;
        ASSERT_TRUE(reader.next(frame)) << reader.error().toStdString();
        reader.stop();

        const int ew = row.w & ~1, eh = row.h & ~1;
        ASSERT_EQ(QProcess::execute(
                      testsupport::ffmpeg(),
                      {"-nostdin", "-loglevel", "error", "-y", "-i", clip, "-frames:v", "1", "-vf",
                       QString("crop=%1:%2:0:0,zscale=min=%3:rin=limited:f=bilinear:cin=left,"
                               "format=gbrp,format=rgb24")
                           .arg(ew)
                           .arg(eh)
                           .arg(row.zimgMatrix),
                       "-f", "rawvideo", want}),
                  0);
        QFile wantFile(want);
        ASSERT_TRUE(wantFile.open(QIODevice::ReadOnly));
        const QByteArray rgb = wantFile.readAll();
        ASSERT_EQ(rgb.size(), qsizetype(ew) * eh * 3);
        const int cw = ew < row.w ? ew - 1 : ew, ch = eh < row.h ? eh - 1 : eh;
        int worst = 0;
        for (int y = 0; y < ch; ++y)
            for (int x = 0; x < cw; ++x)
                for (int c = 0; c < 3; ++c)
                    worst = std::max(
                        worst, std::abs(int(frame.pixels[(std::size_t(y) * row.w + x) * 4 + c]) -
                                        int(std::uint8_t(rgb[(qsizetype(y) * ew + x) * 3 + c]))));
        EXPECT_LE(worst, 1);
        EXPECT_EQ(frame.pixels[3], 255);
    }
}

} // namespace
