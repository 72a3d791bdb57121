#include "support/TestApp.h"

#include "views/DoubleSlider.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QStringList kExtensions{"wmv", "mov", "qt",  "mpg", "mpeg",   "mpe", "avi",
                              "asf", "asx", "mp4", "mpeg-4", "flv", "3gp", "mjpg"};
const QString kNoDuration = "Could not get duration. Video will not open for edition.";
const QString kNoFrameRate = "Could not get frame rate. Video will not open for edition.";

// Clips made once for all tests, with ffmpeg's own sources.
class MediaOpening : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        clips_ = new QTemporaryDir;
        const struct
        {
            const char* name;
            double seconds;
            int width, height;
            const char* rate;
            bool sound;
        } made[] = {
            {"clip30.mp4", 3.5, 160, 120, "30", false},
            {"clip2997.mp4", 3.67, 160, 120, "30000/1001", false},
            {"clip25.mp4", 3.0, 160, 120, "25", false},
            {"clip25sound.mp4", 3.0, 160, 120, "25", true},
            {"half.mp4", 0.5, 160, 120, "30", false},
            {"two.mp4", 2.0, 96, 64, "25", false},
            {"a/clip.mp4", 2.0, 160, 120, "25", false},
            {"b/clip.mp4", 2.0, 320, 240, "25", false},
        };
        QDir(clips_->path()).mkpath("a");
        QDir(clips_->path()).mkpath("b");
        for (const auto& clip : made)
            ASSERT_TRUE(testsupport::makeClip(clip_(clip.name), clip.seconds, clip.width,
                                              clip.height, clip.rate, clip.sound))
                << clip.name;

        QProcess audio;
        audio.setStandardInputFile(QProcess::nullDevice());
        audio.start(testsupport::ffmpeg(),
                    {"-y", "-nostdin", "-loglevel", "error", "-f", "lavfi", "-i",
                     "sine=frequency=440:duration=2", clip_("audio-only.mp4")});
        ASSERT_TRUE(audio.waitForFinished(60000));
        ASSERT_GT(QFile(clip_("audio-only.mp4")).size(), 0);

        QFile text(clip_("text.mp4"));
        ASSERT_TRUE(text.open(QIODevice::WriteOnly));
        text.write("This is not a video.\n");
    }

    static void TearDownTestSuite()
    {
        delete clips_;
        clips_ = nullptr;
    }

    static QString clip_(const QString& name) { return clips_->path() + "/" + name; }
    QString clip(const QString& name) const { return clip_(name); }

    // Opens `path` through the Open command, answering the panel.
    static void open(TestApp& app, const QString& path)
    {
        app.dialogs.filePanelAnswers.enqueue(path);
        app.controller->OnOpen();
    }

    static QTemporaryDir* clips_;
};

QTemporaryDir* MediaOpening::clips_ = nullptr;

// A fake transcoder that writes its arguments, one a line, to args.txt beside
// itself and prints `report`.
QString writeFakeTranscoder(const QTemporaryDir& dir, const QString& report)
{
    QFile canned(dir.path() + "/report.txt");
    if (!canned.open(QIODevice::WriteOnly))
        return QString();
    canned.write(report.toUtf8());
    canned.close();
    return testsupport::writeScript(
        dir.path() + "/ffmpeg",
        QString("for a in \"$@\"; do printf '%s\\n' \"$a\"; done >> '%1/args.txt'\n"
                "cat '%1/report.txt'")
            .arg(dir.path()));
}

QStringList recordedArguments(const QTemporaryDir& dir)
{
    QFile file(dir.path() + "/args.txt");
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(file.readAll()).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace

TEST_F(MediaOpening, OpensAClipAndResetsTheEditingState)
{
    TestApp app;
    AppDelegate& c = *app.controller;
    c.m_b_Cancel_Saving = 1;
    c.f_Cut_Percent_Menor = 20.0f;
    c.f_Cut_Percent_Maior = 30.0f;
    open(app, clip("clip30.mp4"));

    EXPECT_TRUE(app.dialogs.alerts.isEmpty());
    ASSERT_EQ(app.dialogs.filePanelExtensions.size(), 1);
    EXPECT_EQ(app.dialogs.filePanelExtensions.first(), kExtensions);
    ASSERT_TRUE(c.obj_Video);
    EXPECT_EQ(c.obj_Video->sPath(), clip("clip30.mp4"));
    EXPECT_EQ(c.obj_Video->sDuration(), " 00:00:03.5");
    EXPECT_EQ(c.obj_Video->i_Duration_In_Seconds(), 3);
    EXPECT_FLOAT_EQ(c.obj_Video->f_FPS(), 30.0f);
    // A new record has the default settings.
    EXPECT_EQ(c.obj_Video->b_Sepia(), 1);
    EXPECT_EQ(c.obj_Video->f_Contrast(), 100.0f);

    ASSERT_EQ(c.array_Presets.size(), 42);
    for (const VideoRecord& preset : c.array_Presets) {
        EXPECT_NE(preset, c.obj_Video);
        EXPECT_EQ(preset->sPath(), clip("clip30.mp4"));
        EXPECT_EQ(preset->i_Duration_In_Seconds(), 3);
    }
    EXPECT_TRUE(c.checkSepia->isEnabled());
    EXPECT_TRUE(c.sliderLight->isEnabled());
    EXPECT_TRUE(c.btnReset->isEnabled());
    EXPECT_EQ(c.m_b_Saving, 0);
    EXPECT_EQ(c.m_b_Cancel_Saving, 0);
    EXPECT_EQ(c.f_Cut_Percent_Menor, 0.0f);
    EXPECT_EQ(c.f_Cut_Percent_Maior, 100.0f);
    ASSERT_TRUE(c.timerSetInitialThumbnail);
    EXPECT_TRUE(c.timerSetInitialThumbnail->isActive());
    EXPECT_TRUE(c.timerSetInitialThumbnail->isSingleShot());
    EXPECT_EQ(c.timerSetInitialThumbnail->interval(), 1000);
}

TEST_F(MediaOpening, FrameRateIsTheLastFrameCountOverTheExactDuration)
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
        // 110 frames in 3.67 s: the hundredths of the report resolve 29.97.
        {"clip2997.mp4", " 00:00:03.6", 3, 29.97f},
        {"clip25.mp4", " 00:00:03.0", 3, 25.0f},
        {"clip25sound.mp4", " 00:00:03.0", 3, 25.0f},
        // Shorter than a second: no whole second to divide by, yet a rate.
        {"half.mp4", " 00:00:00.5", 0, 30.0f},
    };
    for (const auto& clipCase : cases) {
        NodeImageInformation record;
        record.setSPath(clip(clipCase.name));
        ASSERT_TRUE(c.Get_Duration(record)) << clipCase.name;
        ASSERT_TRUE(c.Get_FPS(record)) << clipCase.name;
        EXPECT_EQ(record.sDuration(), clipCase.sDuration) << clipCase.name;
        EXPECT_EQ(record.i_Duration_In_Seconds(), clipCase.seconds) << clipCase.name;
        EXPECT_NEAR(record.f_FPS(), clipCase.fps, 0.01f) << clipCase.name;
    }
}

TEST_F(MediaOpening, FilesThatCannotBeProbedAlertAndChangeNothing)
{
    TestApp app;
    AppDelegate& c = *app.controller;

    // Without an open video, the controls stay disabled.
    open(app, clip("text.mp4"));
    ASSERT_EQ(app.dialogs.alerts.size(), 1);
    EXPECT_EQ(app.dialogs.alerts[0].message, "Error");
    EXPECT_EQ(app.dialogs.alerts[0].informativeText, kNoDuration);
    EXPECT_EQ(app.dialogs.alerts[0].buttons, QStringList{"Close"});
    EXPECT_FALSE(c.obj_Video);
    EXPECT_FALSE(c.checkSepia->isEnabled());
    EXPECT_EQ(c.f_Cut_Percent_Maior, 0.0f);
    EXPECT_FALSE(c.timerSetInitialThumbnail);

    open(app, clip("clip25.mp4"));
    ASSERT_EQ(app.dialogs.alerts.size(), 1);
    const VideoRecord previous = c.obj_Video;
    const QPointer<QTimer> pendingTimer = c.timerSetInitialThumbnail;
    c.f_Cut_Percent_Menor = 10.0f;
    c.f_Cut_Percent_Maior = 50.0f;
    c.m_b_Cancel_Saving = 1;

    const struct
    {
        const char* name;
        const QString& alert;
    } bad[] = {
        // Has a duration but no video frames.
        {"audio-only.mp4", kNoFrameRate},
        {"text.mp4", kNoDuration},
        {"missing.mp4", kNoDuration},
    };
    for (const auto& badCase : bad) {
        app.dialogs.alerts.clear();
        open(app, clip(badCase.name));
        ASSERT_EQ(app.dialogs.alerts.size(), 1) << badCase.name;
        EXPECT_EQ(app.dialogs.alerts[0].message, "Error");
        EXPECT_EQ(app.dialogs.alerts[0].informativeText, badCase.alert) << badCase.name;
        EXPECT_EQ(app.dialogs.alerts[0].buttons, QStringList{"Close"});

        EXPECT_EQ(c.obj_Video, previous) << badCase.name;
        EXPECT_EQ(c.obj_Video->sPath(), clip("clip25.mp4"));
        EXPECT_EQ(c.obj_Video->sDuration(), " 00:00:03.0");
        EXPECT_FLOAT_EQ(c.obj_Video->f_FPS(), 25.0f);
        for (const VideoRecord& preset : c.array_Presets)
            EXPECT_EQ(preset->sPath(), clip("clip25.mp4"));
        EXPECT_EQ(c.f_Cut_Percent_Menor, 10.0f);
        EXPECT_EQ(c.f_Cut_Percent_Maior, 50.0f);
        EXPECT_EQ(c.m_b_Cancel_Saving, 1);
        EXPECT_EQ(c.timerSetInitialThumbnail, pendingTimer);
        EXPECT_TRUE(c.timerSetInitialThumbnail->isActive());
    }

    // A cancelled panel changes nothing and alerts nothing.
    app.dialogs.alerts.clear();
    c.OnOpen();
    EXPECT_TRUE(app.dialogs.alerts.isEmpty());
    EXPECT_EQ(c.obj_Video, previous);
}

TEST_F(MediaOpening, OpenDoesNothingWhileAnExportRuns)
{
    TestApp app;
    AppDelegate& c = *app.controller;
    c.m_b_Saving = 1;
    open(app, clip("clip25.mp4"));
    EXPECT_TRUE(app.dialogs.filePanelExtensions.isEmpty());
    EXPECT_FALSE(c.obj_Video);
    EXPECT_EQ(c.m_b_Saving, 1);
    EXPECT_FALSE(c.timerSetInitialThumbnail);
}

TEST_F(MediaOpening, UnusualFileNamesOpenAndGiveTheirPreviewFrame)
{
    TestApp app;
    AppDelegate& c = *app.controller;
    const QString names[] = {
        "with  two spaces.mp4",
        "it's \"quoted\".mp4",
        QString::fromUtf8("Ünïcødé — 映画.mov"),
        "-leading dash.mp4",
        // The report quotes the path; its "Duration:" must not be read as 599 s.
        "Duration: 00:09:59.00 trap.mp4",
        "frame= 99999 fps.mp4",
    };
    for (const QString& name : names) {
        const QString path = clip(name);
        QFile::remove(path);
        ASSERT_TRUE(QFile::copy(clip("two.mp4"), path)) << name.toStdString();
        app.dialogs.alerts.clear();
        open(app, path);
        EXPECT_TRUE(app.dialogs.alerts.isEmpty()) << name.toStdString();
        ASSERT_TRUE(c.obj_Video);
        EXPECT_EQ(c.obj_Video->sPath(), path);
        EXPECT_EQ(c.obj_Video->sDuration(), " 00:00:02.0") << name.toStdString();
        EXPECT_EQ(c.obj_Video->i_Duration_In_Seconds(), 2) << name.toStdString();
        EXPECT_NEAR(c.obj_Video->f_FPS(), 25.0f, 0.01f) << name.toStdString();

        const QImage frame = c.Generate_Thumbnail("00:00:01");
        EXPECT_EQ(frame.size(), QSize(96, 64)) << name.toStdString();
        EXPECT_TRUE(QFileInfo::exists(c.s_Thumbnails_Folder + "/" + name + ".bmp"))
            << name.toStdString();
    }
}

TEST_F(MediaOpening, ProbesRunTheirArgumentListsAndReadLongReports)
{
    TestApp app;
    AppDelegate& c = *app.controller;
    QTemporaryDir fake;
    // A long video: the count needs all five places, and the first report counts one frame.
    c.sffmpegPath = writeFakeTranscoder(
        fake, "Input #0, mov, from 'x':\n"
              "  Duration: 00:08:13.80, start: 0.000000, bitrate: 900 kb/s\n"
              "frame=    1 fps=0.0 q=-1.0 size=N/A time=-00:00:00.06 bitrate=N/A\r"
              "frame=12345 fps=4000 q=-1.0 Lsize=N/A time=00:08:13.76 bitrate=N/A\n");
    const QString path = "-i odd name.mov";

    NodeImageInformation record;
    record.setSPath(path);
    ASSERT_TRUE(c.Get_Duration(record));
    EXPECT_EQ(recordedArguments(fake), (QStringList{"-i", path}));
    EXPECT_EQ(record.sDuration(), " 00:08:13.8");
    EXPECT_EQ(record.i_Duration_In_Seconds(), 493);

    QFile::remove(fake.path() + "/args.txt");
    ASSERT_TRUE(c.Get_FPS(record));
    EXPECT_EQ(recordedArguments(fake),
              (QStringList{"-i", path, "-vcodec", "copy", "-acodec", "copy", "-f", "null",
                           "/dev/null"}));
    // 12345 / 493.8 (the whole seconds would give 25.04).
    EXPECT_FLOAT_EQ(record.f_FPS(), 25.0f);
}

TEST_F(MediaOpening, FailedProbesLeaveTheRecordAsItWas)
{
    TestApp app;
    AppDelegate& c = *app.controller;
    QTemporaryDir fake;
    NodeImageInformation before;
    before.setSPath("/v/x.mp4");
    before.setSDuration(" 00:00:07.0");
    before.setI_Duration_In_Seconds(7);
    before.setF_FPS(12.0f);

    const struct
    {
        QString report;
        bool durationFound;
    } cases[] = {
        // Nothing at all.
        {"", false},
        {"  Duration: N/A, bitrate: N/A\nsize=N/A time=00:00:03.00 bitrate=N/A\n", false},
        // Frames, but over a zero duration no rate can be had.
        {"  Duration: 00:00:00.00, start: 0.0\nframe=    3 fps=0.0 q=-1.0\n", true},
    };
    for (const auto& failing : cases) {
        c.sffmpegPath = writeFakeTranscoder(fake, failing.report);
        NodeImageInformation record = before;
        EXPECT_EQ(c.Get_Duration(record), failing.durationFound) << failing.report.toStdString();
        if (!failing.durationFound) {
            EXPECT_EQ(record.sDuration(), " 00:00:07.0");
            EXPECT_EQ(record.i_Duration_In_Seconds(), 7);
        }
        EXPECT_FALSE(c.Get_FPS(record)) << failing.report.toStdString();
        EXPECT_FLOAT_EQ(record.f_FPS(), 12.0f);
    }

    // No transcoder at all: both probes fail.
    c.sffmpegPath = QString();
    NodeImageInformation record = before;
    EXPECT_FALSE(c.Get_Duration(record));
    EXPECT_FALSE(c.Get_FPS(record));
    EXPECT_EQ(record.sDuration(), " 00:00:07.0");
}

TEST_F(MediaOpening, PreviewFrameIsNamedAfterTheVideoAndReplacedByTheNext)
{
    TestApp app;
    AppDelegate& c = *app.controller;
    const QString output = c.s_Thumbnails_Folder + "/clip.mp4.bmp";

    open(app, clip("a/clip.mp4"));
    ASSERT_TRUE(c.obj_Video);
    const QImage first = c.Generate_Thumbnail("00:00:01");
    EXPECT_EQ(first.size(), QSize(160, 120));
    EXPECT_EQ(QImage(output).size(), QSize(160, 120));

    // Another video of the same name shares the file; its frame replaces the first.
    open(app, clip("b/clip.mp4"));
    const QImage second = c.Generate_Thumbnail("00:00:01");
    EXPECT_EQ(second.size(), QSize(320, 240));
    EXPECT_EQ(QImage(output).size(), QSize(320, 240));
    EXPECT_EQ(QDir(c.s_Thumbnails_Folder).entryList(QDir::Files), QStringList{"clip.mp4.bmp"});
}

TEST_F(MediaOpening, NoPreviewFrameWithoutAVideoAFileOrAnImage)
{
    TestApp app;
    AppDelegate& c = *app.controller;
    QTemporaryDir fake;
    // Prints a report but writes no image.
    c.sffmpegPath = writeFakeTranscoder(fake, "frame=    0 fps=0.0\n");

    EXPECT_TRUE(c.Generate_Thumbnail("00:00:01").isNull());
    c.obj_Video = std::make_shared<NodeImageInformation>();
    c.obj_Video->setSPath(clip("gone.mp4"));
    EXPECT_TRUE(c.Generate_Thumbnail("00:00:01").isNull());
    // Nothing was run for either.
    EXPECT_TRUE(recordedArguments(fake).isEmpty());

    // A leftover frame of the same name is removed first, never passed off as this one.
    c.obj_Video->setSPath(clip("clip25.mp4"));
    const QString output = c.s_Thumbnails_Folder + "/clip25.mp4.bmp";
    QImage leftover(8, 8, QImage::Format_RGB32);
    leftover.fill(Qt::red);
    ASSERT_TRUE(leftover.save(output, "BMP"));
    EXPECT_TRUE(c.Generate_Thumbnail("00:00:02").isNull());
    EXPECT_FALSE(QFileInfo::exists(output));
    EXPECT_EQ(recordedArguments(fake), (QStringList{"-i", clip("clip25.mp4"), "-ss", "00:00:02",
                                                    "-vframes", "1", output}));
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
    const QPointer<QTimer> secondTimer = c.timerSetInitialThumbnail;
    ASSERT_TRUE(secondTimer);
    EXPECT_NE(secondTimer, firstTimer);
    QSignalSpy secondFired(secondTimer.data(), &QTimer::timeout);

    ASSERT_TRUE(QTest::qWaitFor([&] { return !c.timerSetInitialThumbnail; }, 5000));
    QTest::qWait(300);
    EXPECT_EQ(firstFired.count(), 0);
    EXPECT_EQ(secondFired.count(), 1);
    EXPECT_FALSE(firstTimer);
    EXPECT_EQ(c.sliderPos->doubleValue(), 10.0);
    // The frame at 10 % of the second video is the open video's image and is
    // in the preview-frame folder under its name.
    EXPECT_EQ(c.obj_Video->imgVideo().size(), QSize(160, 120));
    EXPECT_TRUE(QFileInfo::exists(c.s_Thumbnails_Folder + "/clip.mp4.bmp"));
    EXPECT_FALSE(QFileInfo::exists(c.s_Thumbnails_Folder + "/clip25.mp4.bmp"));
}
