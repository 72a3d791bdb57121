// Whole exports with the real ffmpeg on clips made here: the final MP4's
// streams, frame rate and length, the working files, and the user's files.
#include "support/ExportHarness.h"
#include "support/TestApp.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace exportharness;
using testsupport::probe;

namespace {

double probedSeconds(const QString& path, const QString& stream)
{
    return probe(path, stream, "stream=duration").toDouble();
}

QByteArray digest(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// Exports the open video into `folder` and waits for the end.
void exportInto(TestApp& app, const QString& folder)
{
    app.dialogs.folderPanelAnswers.enqueue(folder);
    app.controller->OnSave();
    ASSERT_TRUE(waitForExportEnd(*app.controller, 120000));
    ASSERT_EQ(app.dialogs.alerts.size(), 1);
    EXPECT_EQ(app.dialogs.alerts[0].message, "Success")
        << app.dialogs.alerts[0].informativeText.toStdString();
}

} // namespace

TEST(RealExport, WholeRangeWithSoundKeepsRateLengthAndStreams)
{
    TestApp app;
    AppDelegate& c = *app.controller;
    const QString clip = app.home.path() + "/Holiday.clip.mov";
    ASSERT_TRUE(testsupport::makeClip(clip, 1.5, 160, 120, "10", true));
    openVideo(c, clip, 10.0f, 1);
    const QString out = app.home.path() + "/out";
    ASSERT_TRUE(QDir().mkpath(out));
    exportInto(app, out);

    const QString result = out + "/Holiday.clip.mp4";
    ASSERT_TRUE(QFile::exists(result));
    EXPECT_EQ(probe(result, "v:0", "stream=codec_name"), "h264");
    EXPECT_EQ(probe(result, "a:0", "stream=codec_name"), "aac");
    EXPECT_EQ(probe(result, "v:0", "stream=r_frame_rate"), "10/1");
    EXPECT_NEAR(probedSeconds(result, "v:0"), 1.5, 0.1);
    EXPECT_NEAR(probedSeconds(result, "a:0"), 1.5, 0.1);

    const QString w = c.s_Output_Folder;
    EXPECT_EQ(namesStartingWith(w, "output_").size(), 15);
    EXPECT_EQ(namesStartingWith(w, "w_output_").size(), 15);
    for (const char* name : {"audio.wav", "outputnoaudio.avi", "output.avi"})
        EXPECT_TRUE(QFile::exists(w + "/" + name)) << name;
    EXPECT_FALSE(QFile::exists(w + "/output.mp4"));
}

TEST(RealExport, ACutRangeOfASilentClipHasTheCutLength)
{
    TestApp app;
    AppDelegate& c = *app.controller;
    const QString clip = app.home.path() + "/silent.avi";
    ASSERT_TRUE(testsupport::makeClip(clip, 2.0, 160, 120, "10", false));
    openVideo(c, clip, 10.0f, 2);
    c.f_Cut_Percent_Menor = 25.0f;
    c.f_Cut_Percent_Maior = 75.0f;
    const QString out = app.home.path() + "/out";
    ASSERT_TRUE(QDir().mkpath(out));
    exportInto(app, out);

    const QString result = out + "/silent.mp4";
    ASSERT_TRUE(QFile::exists(result));
    EXPECT_EQ(probe(result, "v:0", "stream=codec_name"), "h264");
    EXPECT_TRUE(probe(result, "a", "stream=codec_name").isEmpty());
    EXPECT_EQ(probe(result, "v:0", "stream=r_frame_rate"), "10/1");
    EXPECT_NEAR(probedSeconds(result, "v:0"), 1.0, 0.1);
    EXPECT_EQ(c.u_Duration_Segment_in_Seconds, 1u);
    // Only the kept frames were taken out and given the look.
    EXPECT_EQ(namesStartingWith(c.s_Output_Folder, "output_").size(), 10);
    EXPECT_EQ(namesStartingWith(c.s_Output_Folder, "w_output_").size(), 10);
}

TEST(RealExport, TheVideosOwnFolderGetsAFreeNameAndTheVideoStays)
{
    TestApp app;
    AppDelegate& c = *app.controller;
    const QString folder = app.home.path() + "/videos";
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString clip = folder + "/clip.mp4";
    ASSERT_TRUE(testsupport::makeClip(clip, 1.0, 160, 120, "30", true));
    const QByteArray before = digest(clip);
    openVideo(c, clip, 30.0f, 1);
    exportInto(app, folder);

    EXPECT_EQ(digest(clip), before);
    const QString result = folder + "/clip (1).mp4";
    ASSERT_TRUE(QFile::exists(result));
    EXPECT_EQ(app.dialogs.alerts[0].informativeText,
              "Video was converted successfully and saved as \u201cclip (1).mp4\u201d.");
    EXPECT_EQ(probe(result, "v:0", "stream=r_frame_rate"), "30/1");
    EXPECT_NEAR(probedSeconds(result, "v:0"), 1.0, 1.0 / 30.0 + 1e-3);
    EXPECT_NEAR(probedSeconds(result, "a:0"), probedSeconds(result, "v:0"), 0.1);
}
