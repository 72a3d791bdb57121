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
};

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
             if (!makeClip(p + ".whole.mp4", 2.0, 160, 120, "10", true))
                 return false;
             QFile whole(p + ".whole.mp4");
             whole.open(QIODevice::ReadOnly);
             const QByteArray bytes = whole.readAll();
             whole.close();
             QFile::remove(p + ".whole.mp4");
             return writeBytes(p, bytes.left(bytes.size() * 2 / 5));
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
        EXPECT_EQ(alert.message, "Success") << alert.informativeText.toStdString();
        const QString result =
            folder + "/" + QFileInfo(path).completeBaseName() + QStringLiteral(".mp4");
        EXPECT_TRUE(QFile::exists(result));
        EXPECT_EQ(testsupport::probe(result, "v:0", "stream=codec_name"), "h264");
        QFile keep(folder + "/keep.txt");
        ASSERT_TRUE(keep.open(QIODevice::ReadOnly));
        EXPECT_EQ(keep.readAll(), "mine");
        EXPECT_EQ(checksum(path), before);
        EXPECT_FALSE(app.exitStatus.has_value());
    }
    EXPECT_EQ(tried, 10);
}
