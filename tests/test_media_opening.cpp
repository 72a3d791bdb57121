#include "media/PreviewFrames.h"
#include "support/TestApp.h"
#include "views/DoubleSlider.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

const QString kNoDuration = "Could not get duration. Video will not open for edition.";
const QString kNoFrameRate = "Could not get frame rate. Video will not open for edition.";

// Clips made once for all tests with ffmpeg's own sources.
class MediaOpening : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        dir_ = new QTemporaryDir;
        QDir(dir_->path()).mkpath("a");
        QDir(dir_->path()).mkpath("b");
        const struct
        {
            const char* name;
            double seconds;
            int width, height;
            const char* rate;
            bool sound;
        } clips[] = {
            {"clip30.mp4", 3.5, 160, 120, "30", false},
            {"clip2997.mp4", 3.67, 160, 120, "30000/1001", false},
            {"clip25.mp4", 3.0, 160, 120, "25", false},
            {"clip25sound.mp4", 3.0, 160, 120, "25", true},
            {"half.mp4", 0.5, 160, 120, "30", false},
            {"two.mp4", 2.0, 96, 64, "25", false},
            {"a/clip.mp4", 2.0, 160, 120, "25", false},
            {"b/clip.mp4", 2.0, 320, 240, "25", false},
        };
        for (const auto& c : clips)
            ASSERT_TRUE(
                testsupport::makeClip(clip(c.name), c.seconds, c.width, c.height, c.rate, c.sound))
                << c.name;
        QProcess audio;
        audio.setStandardInputFile(QProcess::nullDevice());
        audio.start(testsupport::ffmpeg(), {"-y", "-loglevel", "error", "-f", "lavfi", "-i",
                                            "sine=duration=2", clip("audio-only.mp4")});
        ASSERT_TRUE(audio.waitForFinished(60000));
        QFile text(clip("text.mp4"));
        ASSERT_TRUE(text.open(QIODevice::WriteOnly));
        text.write("This is not a video.\n");
    }
    static void TearDownTestSuite() { delete dir_; }

    static QString clip(const QString& name) { return dir_->path() + "/" + name; }
    static void open(TestApp& app, const QString& path)
    {
        app.dialogs.filePanelAnswers.enqueue(path);
        app.controller->OnOpen();
    }

    static inline QTemporaryDir* dir_ = nullptr;
};

// A fake transcoder that appends its arguments, one a line, to args.txt and prints `report`.
QString fakeTranscoder(const QTemporaryDir& dir, const QString& report)
{
    QFile canned(dir.path() + "/report.txt");
    if (!canned.open(QIODevice::WriteOnly))
        return {};
    canned.write(report.toUtf8());
    return testsupport::writeScript(dir.path() + "/ffmpeg",
                                    QString("for a in \"$@\"; do printf '%s\\n' \"$a\"; done >> "
                                            "'%1/args.txt'\ncat '%1/report.txt'")
                                        .arg(dir.path()));
}

QStringList takeArguments(const QTemporaryDir& dir)
{
    QFile file(dir.path() + "/args.txt");
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    file.remove();
    return lines;
}

} // namespace

TEST_F(MediaOpening, OpenProbesTheClipAndResetsTheEditingState)
{
    TestApp app;
    AppDelegate& c = *app.controller;
    const struct
    {
        const char* name;
        QString sDuration;
        std::int64_t seconds;
        float fps;
    } cases[] = {
        {"clip30.mp4", " 00:00:03.5", 3, 30.0f},
        // 110 frames in 3.67 s: the report's hundredths resolve 29.97.
        {"clip2997.mp4", " 00:00:03.6", 3, 29.97f},
        {"clip25.mp4", " 00:00:03.0", 3, 25.0f},
        {"clip25sound.mp4", " 00:00:03.0", 3, 25.0f},
        // Shorter than a second: no whole second to divide by, yet a rate.
        {"half.mp4", " 00:00:00.5", 0, 30.0f},
    };
    for (const auto& expected : cases) {
        c.m_b_Cancel_Saving = 1;
        c.f_Cut_Percent_Menor = 20.0f;
        open(app, clip(expected.name));
        EXPECT_TRUE(app.dialogs.alerts.isEmpty()) << expected.name;
        ASSERT_TRUE(c.obj_Video);
        EXPECT_EQ(c.obj_Video->sPath(), clip(expected.name));
        EXPECT_EQ(c.obj_Video->sDuration(), expected.sDuration) << expected.name;
        EXPECT_EQ(c.obj_Video->i_Duration_In_Seconds(), expected.seconds) << expected.name;
        EXPECT_NEAR(c.obj_Video->f_FPS(), expected.fps, 0.01f) << expected.name;
        for (const VideoRecord& preset : c.array_Presets) {
            EXPECT_EQ(preset->sPath(), clip(expected.name));
            EXPECT_EQ(preset->i_Duration_In_Seconds(), expected.seconds);
        }
        EXPECT_TRUE(c.checkSepia->isEnabled());
        EXPECT_TRUE(c.btnReset->isEnabled());
        EXPECT_EQ(c.m_b_Cancel_Saving, 0);
        EXPECT_EQ(c.f_Cut_Percent_Menor, 0.0f);
        EXPECT_EQ(c.f_Cut_Percent_Maior, 100.0f);
        ASSERT_TRUE(c.timerSetInitialThumbnail);
        EXPECT_EQ(c.timerSetInitialThumbnail->interval(), 1000);
    }
    EXPECT_EQ(app.dialogs.filePanelExtensions.first(),
              (QStringList{"wmv", "mov", "qt", "mpg", "mpeg", "mpe", "avi", "asf", "asx", "mp4",
                           "mpeg-4", "flv", "3gp", "mjpg"}));
}

TEST_F(MediaOpening, FilesThatCannotBeProbedAlertAndChangeNothing)
{
    TestApp app;
    AppDelegate& c = *app.controller;
    open(app, clip("clip25.mp4"));
    const VideoRecord previous = c.obj_Video;
    const QPointer<QTimer> pendingTimer = c.timerSetInitialThumbnail;
    c.f_Cut_Percent_Menor = 10.0f;

    const std::pair<const char*, QString> bad[] = {
        {"audio-only.mp4", kNoFrameRate}, {"text.mp4", kNoDuration}, {"missing.mp4", kNoDuration}};
    for (const auto& [name, informative] : bad) {
        app.dialogs.alerts.clear();
        open(app, clip(name));
        ASSERT_EQ(app.dialogs.alerts.size(), 1) << name;
        EXPECT_EQ(app.dialogs.alerts[0].message, "Error");
        EXPECT_EQ(app.dialogs.alerts[0].informativeText, informative) << name;
        EXPECT_EQ(app.dialogs.alerts[0].buttons, QStringList{"Close"});
        EXPECT_EQ(c.obj_Video, previous);
        EXPECT_EQ(c.obj_Video->sPath(), clip("clip25.mp4"));
        EXPECT_FLOAT_EQ(c.obj_Video->f_FPS(), 25.0f);
        EXPECT_EQ(c.array_Presets.last()->sPath(), clip("clip25.mp4"));
        EXPECT_EQ(c.f_Cut_Percent_Menor, 10.0f);
        EXPECT_EQ(c.timerSetInitialThumbnail, pendingTimer);
    }

    // While an export runs, Open shows no panel at all.
    c.m_b_Saving = 1;
    open(app, clip("clip30.mp4"));
    EXPECT_EQ(app.dialogs.filePanelExtensions.size(), 4);
    EXPECT_EQ(c.obj_Video, previous);
}

TEST_F(MediaOpening, UnusualFileNamesOpenAndGiveTheirPreviewFrame)
{
    TestApp app;
    AppDelegate& c = *app.controller;
    const QString names[] = {
        "with  two spaces.mp4", "it's \"quoted\".mp4", QString::fromUtf8("Ünïcødé 映画.mov"),
        "-leading dash.mp4",
        // The report quotes the path: neither may be read as the clip's own,
        // nor a whole false line that a newline in the name starts.
        "Duration: 00:09:59.00 trap.mp4", "frame= 99999 fps.mp4",
        "a\n  Duration: 00:09:59.00, start: 0.000000\n  Stream #0:0: Video: h264, 64x64, 60 "
        "fps\nb.mp4",
        // Names saved from the web, and one that ffmpeg's image writer would
        // read as a numbered pattern.
        "a%2Cb.mp4", "50%3off %1.mp4", "clip %d.mp4", "100%.mov", "CAPITALS.MP4"};
    for (const QString& name : names) {
        ASSERT_TRUE(QFile::copy(clip("two.mp4"), clip(name))) << name.toStdString();
        open(app, clip(name));
        EXPECT_TRUE(app.dialogs.alerts.isEmpty()) << name.toStdString();
        ASSERT_EQ(c.obj_Video->sPath(), clip(name));
        EXPECT_EQ(c.obj_Video->sDuration(), " 00:00:02.0") << name.toStdString();
        EXPECT_NEAR(c.obj_Video->f_FPS(), 25.0f, 0.01f) << name.toStdString();
        EXPECT_EQ(c.obj_Video->i_Duration_In_Seconds(), 2) << name.toStdString();
        EXPECT_EQ(c.Generate_Thumbnail("00:00:01").size(), QSize(96, 64)) << name.toStdString();
        EXPECT_TRUE(QFileInfo::exists(c.s_Thumbnails_Folder + "/" + name + ".bmp"));
    }
    // One preview file per video name, and no stray file from a pattern.
    EXPECT_EQ(QDir(c.s_Thumbnails_Folder).entryList(QDir::Files).size(), std::size(names));

    // A name so long that "<name>.bmp" would pass the 255-byte limit still
    // gets its preview, under a shortened name of its own.
    const QString longName = QString(120, QChar(0x00E9)) + QString(8, 'x') + ".mp4";
    ASSERT_TRUE(QFile::copy(clip("two.mp4"), clip(longName)));
    open(app, clip(longName));
    EXPECT_TRUE(app.dialogs.alerts.isEmpty());
    EXPECT_EQ(c.Generate_Thumbnail("00:00:01").size(), QSize(96, 64));
    const QString preview = media::previewFrameFileName(clip(longName));
    EXPECT_LE(preview.toUtf8().size(), 255);
    EXPECT_TRUE(preview.startsWith(QString(100, QChar(0x00E9))));
    EXPECT_TRUE(QFileInfo::exists(c.s_Thumbnails_Folder + "/" + preview));
    EXPECT_NE(media::previewFrameFileName(clip(longName.left(120) + "y.mp4")), preview);
}

TEST_F(MediaOpening, PipesAndUnlistedTypesAlertAtOnceWithoutRunningAnything)
{
    TestApp app;
    AppDelegate& c = *app.controller;
    QTemporaryDir fake;
    c.sffmpegPath = fakeTranscoder(fake, "  Duration: 00:00:02.00, start: 0.000000\n");
    const QString fifo = clip("fifo.mp4");
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString typed = clip("notes.txt");
    ASSERT_TRUE(QFile::copy(clip("two.mp4"), typed));
    // A named pipe, a folder, a device, and a real clip under a type the panel does not offer.
    for (const QString& path : {fifo, clip("a.mp4"), QString("/dev/zero"), typed}) {
        ASSERT_TRUE(path != clip("a.mp4") || QDir().mkpath(path));
        app.dialogs.alerts.clear();
        open(app, path);
        ASSERT_EQ(app.dialogs.alerts.size(), 1) << path.toStdString();
        EXPECT_EQ(app.dialogs.alerts[0].informativeText, kNoDuration);
        EXPECT_FALSE(c.obj_Video);
    }
    EXPECT_TRUE(takeArguments(fake).isEmpty());
    // The same fake does run for a listed type, so the check above can fail.
    open(app, clip("two.mp4"));
    EXPECT_FALSE(takeArguments(fake).isEmpty());
}

TEST_F(MediaOpening, ProbesRunTheirArgumentListsAndFailWithoutChangingTheRecord)
{
    TestApp app;
    AppDelegate& c = *app.controller;
    QTemporaryDir fake;
    // A long video: the count fills all five places; the first report counts one frame.
    c.sffmpegPath = fakeTranscoder(
        fake, "  Duration: 00:08:13.80, start: 0.000000, bitrate: 900 kb/s\n"
              "frame=    1 fps=0.0 q=-1.0 size=N/A time=-00:00:00.06 bitrate=N/A\r"
              "frame=12345 fps=4000 q=-1.0 Lsize=N/A time=00:08:13.76 bitrate=N/A\n");
    NodeImageInformation record;
    const QString odd = clip("-i odd name.mov");
    ASSERT_TRUE(QFile::copy(clip("two.mp4"), odd));
    record.setSPath(odd);
    ASSERT_TRUE(c.Get_Duration(record));
    EXPECT_EQ(takeArguments(fake), (QStringList{"-i", odd}));
    // The report only opens the gate: what is stored is the file's own
    // description (2 s at 25 fps), not the report's.
    EXPECT_EQ(record.sDuration(), " 00:00:02.0");
    EXPECT_EQ(record.i_Duration_In_Seconds(), 2);
    ASSERT_TRUE(c.Get_FPS(record));
    EXPECT_EQ(takeArguments(fake), (QStringList{"-i", odd, "-vcodec", "copy", "-acodec", "copy",
                                                "-f", "null", "/dev/null"}));
    EXPECT_FLOAT_EQ(record.f_FPS(), 25.0f);

    const struct
    {
        QString report;
        bool durationFound, rateFound;
    } gates[] = {{"", false, false},
                 {"  Duration: N/A, bitrate: N/A\nsize=N/A time=00:00:03.00\n", false, false},
                 {"  Duration: 00:00:00.00, start: 0.0\nframe=    3 fps=0.0 q=-1.0\n", true, true}};
    for (const auto& gate : gates) {
        c.sffmpegPath = fakeTranscoder(fake, gate.report);
        NodeImageInformation probed;
        probed.setSPath(odd);
        EXPECT_EQ(c.Get_Duration(probed), gate.durationFound) << gate.report.toStdString();
        EXPECT_EQ(probed.sDuration(), gate.durationFound ? " 00:00:02.0" : "");
        EXPECT_EQ(c.Get_FPS(probed), gate.rateFound) << gate.report.toStdString();
        EXPECT_FLOAT_EQ(probed.f_FPS(), gate.rateFound ? 25.0f : 0.0f);
    }
}

TEST_F(MediaOpening, PreviewFrameIsNamedAfterTheVideoOrNoneAtAll)
{
    TestApp app;
    AppDelegate& c = *app.controller;
    const QString output = c.s_Thumbnails_Folder + "/clip.mp4.bmp";
    open(app, clip("a/clip.mp4"));
    EXPECT_EQ(c.Generate_Thumbnail("00:00:01").size(), QSize(160, 120));
    EXPECT_EQ(QImage(output).size(), QSize(160, 120));
    // Another video of the same name shares the file, and its frame replaces the first.
    open(app, clip("b/clip.mp4"));
    EXPECT_EQ(c.Generate_Thumbnail("00:00:01").size(), QSize(320, 240));
    EXPECT_EQ(QImage(output).size(), QSize(320, 240));
    EXPECT_EQ(QDir(c.s_Thumbnails_Folder).entryList(QDir::Files), QStringList{"clip.mp4.bmp"});

    // A transcoder that writes no image; a leftover frame must not pass for this one.
    QTemporaryDir fake;
    c.sffmpegPath = fakeTranscoder(fake, "frame=    0 fps=0.0\n");
    EXPECT_TRUE(c.Generate_Thumbnail("00:00:02").isNull());
    EXPECT_FALSE(QFileInfo::exists(output));
    // The seek comes before the input; with no frame there, the last second's
    // frames are written over the one file, the last one staying.
    EXPECT_EQ(takeArguments(fake),
              (QStringList{"-ss", "00:00:02", "-i", clip("b/clip.mp4"), "-vframes", "1", output,
                           "-sseof", "-1", "-i", clip("b/clip.mp4"), "-update", "1", output}));
    // No file at the path, or no open video: nothing is run.
    c.obj_Video->setSPath(clip("gone.mp4"));
    EXPECT_TRUE(c.Generate_Thumbnail("00:00:01").isNull());
    c.obj_Video.reset();
    EXPECT_TRUE(c.Generate_Thumbnail("00:00:01").isNull());
    EXPECT_TRUE(takeArguments(fake).isEmpty());
}

TEST_F(MediaOpening, OnlyTheLastOpenWithinASecondTakesTheFirstFrame)
{
    TestApp app;
    AppDelegate& c = *app.controller;
    c.sliderPos->setDoubleValue(55.0);
    open(app, clip("clip25.mp4"));
    const QPointer<QTimer> firstTimer = c.timerSetInitialThumbnail;
    ASSERT_TRUE(firstTimer);
    QSignalSpy firstFired(firstTimer.data(), &QTimer::timeout);
    open(app, clip("a/clip.mp4"));
    ASSERT_TRUE(c.timerSetInitialThumbnail);
    QSignalSpy secondFired(c.timerSetInitialThumbnail.data(), &QTimer::timeout);

    // The first timer destroyed can no longer fire.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !c.timerSetInitialThumbnail && !firstTimer; }, 5000));
    EXPECT_EQ(firstFired.count(), 0);
    EXPECT_EQ(secondFired.count(), 1);
    EXPECT_EQ(c.sliderPos->doubleValue(), 10.0);
    // The frame at 10 % of the second video is its record's image and in the folder.
    EXPECT_EQ(c.obj_Video->imgVideo().size(), QSize(160, 120));
    EXPECT_TRUE(QFileInfo::exists(c.s_Thumbnails_Folder + "/clip.mp4.bmp"));
    EXPECT_FALSE(QFileInfo::exists(c.s_Thumbnails_Folder + "/clip25.mp4.bmp"));
}

TEST_F(MediaOpening, PreviewFramesAreTheFramesAPlayerShowsAtThatTime)
{
    TestApp app;
    AppDelegate& c = *app.controller;
    const auto make = [](const QStringList& arguments) {
        QProcess process;
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(testsupport::ffmpeg(),
                      QStringList{"-y", "-nostdin", "-loglevel", "error"} + arguments);
        return process.waitForFinished(60000) && process.exitCode() == 0;
    };
    // DV widescreen (3:2 stored, 32:27 pixels) and a picture turned a quarter.
    ASSERT_TRUE(make({"-f", "lavfi", "-i", "testsrc=size=270x180:rate=25:duration=1", "-vf",
                      "setsar=32/27", "-pix_fmt", "yuv420p", clip("dv.mp4")}));
    ASSERT_TRUE(make(
        {"-i", clip("two.mp4"), "-c", "copy", "-metadata:s:v:0", "rotate=90", clip("turned.mp4")}));
    const std::pair<const char*, QSize> shapes[] = {{"dv.mp4", QSize(320, 180)},
                                                    {"turned.mp4", QSize(64, 96)}};
    for (const auto& [name, shown] : shapes) {
        open(app, clip(name));
        EXPECT_EQ(c.Generate_Thumbnail("00:00:00.500").size(), shown) << name;
    }

    // The seek before the input gives the very frame that decoding up to it gives.
    open(app, clip("clip25.mp4"));
    const QString decoded = clip("decoded.bmp");
    ASSERT_TRUE(make({"-i", clip("clip25.mp4"), "-ss", "00:00:02.360", "-vframes", "1", decoded}));
    const QImage expected = QImage(decoded).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(expected.isNull());
    EXPECT_EQ(c.Generate_Thumbnail("00:00:02.360").convertToFormat(QImage::Format_RGB32), expected);
    // Inside the last frame, and past the end: the last frame, never none.
    const QImage last = c.Generate_Thumbnail("00:00:02.990");
    EXPECT_EQ(last.size(), QSize(160, 120));
    EXPECT_NE(last.convertToFormat(QImage::Format_RGB32), expected);
    EXPECT_EQ(c.Generate_Thumbnail("00:00:03.000"), last);
}
