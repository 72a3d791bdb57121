// Bad and unusual inputs, each opened and, where it opens, exported, the way a
// user meets them: each gives the right alert or works, nothing crashes or
// hangs, and no file of the user's is touched.
#include "support/Acceptance.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <sys/stat.h>

using acceptance::checksum;

namespace {

const QString kNoDuration = "Could not get duration. Video will not open for edition.";
const QString kNoRate = "Could not get frame rate. Video will not open for edition.";

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Makes a clip with arbitrary lavfi sources (video and/or sound).
bool makeWith(const QString& path, const QStringList& inputsAndOptions)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(testsupport::ffmpeg(), QStringList{"-y", "-nostdin", "-loglevel", "error"} +
                                             inputsAndOptions + QStringList{path});
    process.waitForFinished(120000);
    return process.exitCode() == 0 && QFile(path).size() > 0;
}

struct Case
{
    const char* name;                         // the file's name
    std::function<bool(const QString&)> make; // writes it
    QString alert; // the expected open alert; empty: it opens and exports
    // The export's failure alert begins so; empty: the export succeeds.
    QString exportFailure = {};
};

// Replaces `path` by its first `share` of bytes, as a download that broke off.
bool keepFirstPart(const QString& path, double share)
{
    QFile whole(path);
    if (!whole.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = whole.readAll();
    whole.close();
    return writeBytes(path, bytes.left(qsizetype(double(bytes.size()) * share)));
}

QList<Case> corpus()
{
    using testsupport::makeClip;
    return {
        {"empty.mp4", [](const QString& p) { return writeBytes(p, {}); }, kNoDuration},
        {"random bytes.mp4",
         [](const QString& p) {
             QByteArray bytes(64 * 1024, '\0');
             QRandomGenerator generator(8);
             for (char& byte : bytes)
                 byte = char(generator.bounded(256));
             return writeBytes(p, bytes);
         },
         kNoDuration},
        {"truncated.mp4",
         [](const QString& p) {
             return makeClip(p, 2.0, 160, 120, "10", true) && keepFirstPart(p, 0.4);
         },
         kNoDuration},
        {"tone only.mp4",
         [](const QString& p) {
             return makeWith(p,
                             {"-f", "lavfi", "-i", "sine=frequency=440:duration=1", "-c:a", "aac"});
         },
         kNoRate},
        {"one frame.mp4",
         [](const QString& p) {
             return makeWith(p, {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25", "-frames:v",
                                 "1", "-pix_fmt", "yuv420p"});
         },
         {}},
        {"short 0.4 s.mp4",
         [](const QString& p) { return makeClip(p, 0.4, 160, 120, "25", true); },
         {}},
        {"odd 321x241.mov",
         [](const QString& p) {
             return makeWith(p, {"-f", "lavfi", "-i", "testsrc=size=321x241:rate=10:duration=1",
                                 "-f", "lavfi", "-i", "sine=duration=1", "-c:v", "libx264",
                                 "-pix_fmt", "yuv444p", "-shortest"});
         },
         {}},
        {"ultra hd.mp4",
         [](const QString& p) { return makeClip(p, 0.2, 3840, 2160, "10", false); },
         {}},
        {"silent.avi",
         [](const QString& p) { return makeClip(p, 1.0, 160, 120, "10", false); },
         {}},
        {"-Ünïcödé \"quoted\" it's Duration: 00:09:59.00 name.mp4",
         [](const QString& p) { return makeClip(p, 1.0, 160, 120, "10", true); },
         {}},
        // A metadata key ffmpeg prints raw, forging a stream line of a tiny, slow video.
        {"10:30 forged key.mp4",
         [](const QString& p) {
             return makeWith(p,
                             {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=10:duration=1",
                              "-pix_fmt", "yuv420p", "-movflags", "use_metadata_tags", "-metadata",
                              "x\n  Stream #0:0: Video: h264, yuv420p, 2x2, 1 fps=y"});
         },
         {}},
        // 1000x4000 stored, pixels 64 times as wide as tall: 64000x4000 shown.
        {"wide pixels.mp4",
         [](const QString& p) {
             return makeWith(p, {"-f", "lavfi", "-i", "color=size=1000x4000:rate=1", "-frames:v",
                                 "1", "-vf", "setsar=64/1", "-pix_fmt", "yuv420p"});
         },
         "The picture is 64000x4000 pixels, more than Oldreel can edit (at most 8192 on a side and "
         "36 megapixels). Video will not open for edition."},
        // A playlist naming a pipe that nobody writes: refused, never waited on.
        {"playlist.mp4",
         [](const QString& p) {
             const QString fifo = QFileInfo(p).absolutePath() + "/pipe";
             return (QFile::exists(fifo) ||
                     mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0) &&
                    writeBytes(p, "ffconcat version 1.0\nfile pipe\n");
         },
         kNoDuration},
        {"cut short.mp4",
         // Its index at the front: it opens with its whole length, but its frames end early.
         [](const QString& p) {
             return makeWith(p, {"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=4",
                                 "-f", "lavfi", "-i", "sine=duration=4", "-pix_fmt", "yuv420p",
                                 "-movflags", "+faststart"}) &&
                    keepFirstPart(p, 0.5);
         },
         {},
         "Export failed: the video is damaged: "},
    };
}

} // namespace

TEST(BadInput, EachFileGivesTheRightAlertOrOpensAndExports)
{
    QTemporaryDir media;
    ASSERT_TRUE(media.isValid());
    TestApp app;
    AppDelegate& c = *app.controller;
    int tried = 0;
    for (const Case& entry : corpus()) {
        SCOPED_TRACE(entry.name);
        const QString path = media.path() + "/" + QString::fromUtf8(entry.name);
        ASSERT_TRUE(entry.make(path));
        const QByteArray before = checksum(path);
        const VideoRecord previous = c.obj_Video;
        const qsizetype alertsBefore = app.dialogs.alerts.size();
        ++tried;

        acceptance::openThroughMenu(app, path);
        if (!entry.alert.isEmpty()) {
            ASSERT_EQ(app.dialogs.alerts.size(), alertsBefore + 1);
            EXPECT_EQ(app.dialogs.alerts.last().message, "Error");
            EXPECT_EQ(app.dialogs.alerts.last().informativeText, entry.alert);
            EXPECT_EQ(c.obj_Video, previous);
            EXPECT_EQ(checksum(path), before);
            continue;
        }
        ASSERT_EQ(app.dialogs.alerts.size(), alertsBefore)
            << app.dialogs.alerts.last().informativeText.toStdString();
        ASSERT_TRUE(c.obj_Video);
        EXPECT_EQ(c.obj_Video->sPath(), path);
        EXPECT_GT(c.obj_Video->f_FPS(), 0.0f);
        ASSERT_TRUE(acceptance::waitFor([&] { return !c.obj_Video->imgVideo().isNull(); }, 10));

        // Export next to a file of the user's that must stay as it is.
        const QString folder = media.path() + QStringLiteral("/out %1").arg(tried);
        ASSERT_TRUE(QDir().mkpath(folder));
        ASSERT_TRUE(writeBytes(folder + "/keep.txt", "mine"));
        const ScriptedDialogs::Alert alert = acceptance::saveThroughMenu(app, folder);
        const QString result =
            folder + "/" + QFileInfo(path).completeBaseName() + QStringLiteral(".mp4");
        if (!entry.exportFailure.isEmpty()) {
            EXPECT_EQ(alert.message, "Error");
            EXPECT_TRUE(alert.informativeText.startsWith(entry.exportFailure))
                << alert.informativeText.toStdString();
            EXPECT_FALSE(QFile::exists(result));
            EXPECT_EQ(checksum(path), before);
            continue;
        }
        EXPECT_EQ(alert.message, "Success") << alert.informativeText.toStdString();
        // The picture's true size, whatever a forged line of the report says.
        EXPECT_NEAR(testsupport::probe(result, "v:0", "stream=width").toInt(),
                    testsupport::probe(path, "v:0", "stream=width").toInt(), 1);
        EXPECT_TRUE(QFile::exists(result));
        EXPECT_EQ(testsupport::probe(result, "v:0", "stream=codec_name"), "h264");
        QFile keep(folder + "/keep.txt");
        ASSERT_TRUE(keep.open(QIODevice::ReadOnly));
        EXPECT_EQ(keep.readAll(), "mine");
        EXPECT_EQ(checksum(path), before);
        EXPECT_FALSE(app.exitStatus.has_value());
    }
    EXPECT_EQ(tried, 14);
}
