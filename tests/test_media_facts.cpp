#include "app/NodeImageInformation.h"
#include "effects/PresetTable.h"
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

bool ffmpegMakes(const QStringList& arguments)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(testsupport::ffmpeg(),
                  QStringList{"-y", "-nostdin", "-loglevel", "error"} + arguments);
    return process.waitForFinished(120000) && process.exitCode() == 0;
}

} // namespace

TEST(VideoFactsJson, EachFactComesFromItsOwnFieldAndNonsenseCountsAsAbsent)
{
    // A phone's HLG clip, turned, with sound first; its pieces are swapped
    // below for what other files (and forged ones) hold.
    const QByteArray phone = R"({"streams": [
      {"codec_type": "video", "width": 1920, "height": 1080, "sample_aspect_ratio": "1:1",
       "avg_frame_rate": "30000/1001", "r_frame_rate": "30000/1001", "start_time": "0.500000",
       "color_space": "bt2020nc", "color_range": "tv", "color_transfer": "arib-std-b67",
       "color_primaries": "bt2020", "field_order": "progressive",
       "side_data_list": [{"side_data_type": "Display Matrix", "rotation": -90}],
       "tags": {"title": "Stream #0:0: Video: h264, 2x2, 1 fps", "rotate": "180"}},
      {"codec_type": "audio", "channels": 6}, {"codec_type": "audio", "channels": 1}],
     "format": {"start_time": "0.000000", "duration": "10.876", "filename": "Duration: 00:09:59.00"}})";
    const auto facts = media::videoFactsFromJson(phone);
    ASSERT_TRUE(facts);
    EXPECT_DOUBLE_EQ(facts->durationSeconds, 10.876);
    EXPECT_EQ(facts->durationText, " 00:00:10.8");
    EXPECT_EQ(QSize(facts->displayWidth(), facts->displayHeight()), QSize(1080, 1920));
    EXPECT_EQ(facts->rotation, 90);
    EXPECT_EQ(facts->rateNumerator, 30000);
    EXPECT_FALSE(facts->variableRate);
    EXPECT_DOUBLE_EQ(facts->pictureStartSeconds, 0.5);
    EXPECT_TRUE(facts->needsConstantRate());
    EXPECT_TRUE(facts->isHdr());
    EXPECT_FALSE(facts->isInterlaced());
    EXPECT_EQ(facts->decodingMatrix(), "bt2020");
    EXPECT_EQ(facts->soundChannels, (QList<int>{6, 1}));

    const struct
    {
        const char* what;
        const char* from;
        const char* to;
        long long numerator, denominator;
        bool variable;
        QString matrix;
        int displayWidth;
    } cases[] = {
        // Frames missing at varying times: made constant at the nominal rate.
        {"variable rate", R"("avg_frame_rate": "30000/1001")", R"("avg_frame_rate": "1543/75")",
         30000, 1001, true, "bt2020", 1080},
        // 1080i: the nominal rate is the field rate, the frames are the average.
        {"field rate", R"("r_frame_rate": "30000/1001")", R"("r_frame_rate": "60000/1001")", 30000,
         1001, false, "bt2020", 1080},
        {"no average", R"("avg_frame_rate": "30000/1001")", R"("avg_frame_rate": "0/0")", 30000,
         1001, false, "bt2020", 1080},
        {"absurd rates", R"("r_frame_rate": "30000/1001")", R"("r_frame_rate": "90000000/1")",
         30000, 1001, false, "bt2020", 1080},
        // Untagged or unknown matrices: what players assume from the size.
        {"untagged HD", R"("color_space": "bt2020nc")", R"("color_space": "unknown")", 30000, 1001,
         false, "bt709", 1080},
        {"untagged SD", R"("width": 1920, "height": 1080)", R"("width": 720, "height": 480)", 30000,
         1001, false, "bt2020", 480},
        {"rgb", R"("color_space": "bt2020nc")", R"("color_space": "gbr")", 30000, 1001, false,
         "bt709", 1080},
        // Contradicting tags count as none.
        {"contradiction", R"("color_primaries": "bt2020")", R"("color_primaries": "smpte170m")",
         30000, 1001, false, "bt709", 1080},
        {"junk aspect", R"("1:1")", R"("0:1")", 30000, 1001, false, "bt2020", 1080},
        {"huge aspect", R"("1:1")", R"("99999:1")", 30000, 1001, false, "bt2020", 1080},
        {"side past the cap", R"("height": 1080)", R"("height": 9999999)", 30000, 1001, false,
         "bt2020", 0},
    };
    for (const auto& c : cases) {
        QByteArray json = phone;
        json.replace(c.from, c.to);
        ASSERT_NE(json, phone) << c.what;
        const auto changed = media::videoFactsFromJson(json);
        ASSERT_TRUE(changed) << c.what;
        EXPECT_EQ(changed->rateNumerator, c.numerator) << c.what;
        EXPECT_EQ(changed->rateDenominator, c.denominator) << c.what;
        EXPECT_EQ(changed->variableRate, c.variable) << c.what;
        EXPECT_EQ(changed->decodingMatrix(), c.matrix) << c.what;
        if (c.displayWidth > 0) {
            EXPECT_EQ(changed->displayWidth(), c.displayWidth) << c.what;
        } else {
            EXPECT_EQ(changed->height, 0) << c.what;
        }
    }

    // Sound alone has a length but no picture; no length, or a broken
    // description, gives no facts at all.
    const auto song = media::videoFactsFromJson(
        R"({"streams": [{"codec_type": "audio", "channels": 2}], "format": {"duration": "3.5"}})");
    ASSERT_TRUE(song);
    EXPECT_FALSE(song->hasPicture);
    EXPECT_TRUE(song->hasSound);
    for (const char* broken :
         {"", "{", "[1]", R"({"format": {"duration": "N/A"}})", R"({"format": {"duration": "-1"}})",
          R"({"format": {"duration": "1e300"}})"})
        EXPECT_FALSE(media::videoFactsFromJson(QByteArray(broken))) << broken;
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

    // A named pipe, a folder, a device and a missing file: the prober never runs.
    const QString fifo = dir.path() + "/fifo.mp4";
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString ran = dir.path() + "/ran";
    // The prober beside the transcoder is the one that runs.
    const QString fake = dir.path() + "/ffmpeg";
    testsupport::writeScript(dir.path() + "/ffprobe", "touch '" + ran + "'");
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
