// Faults injected into every transcoder step of a real export: a transcoder
// that crashes half-way, hangs, prints garbage or writes nothing. Each export
// ends with the error alert (a hang with a cancel), no file of the user's is
// touched, and the application stays usable: a new Open and Save work.
#include "app/widgets/Window_Unique_Progress.h"
#include "support/Acceptance.h"
#include "support/ExportHarness.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// Wraps the real ffmpeg: the run of the step named in `dir`/fault ("2 crash",
// say) fails in that way; every other run is the real one. Steps are told
// apart by their arguments.
QString faultyTranscoder(const QString& dir)
{
    return testsupport::writeScript(dir + "/ffmpeg", QStringLiteral(R"(
real='%1'
all="$*"
case "$all" in
  *pcm_s16le*) step=1 ;;
  *image2*) step=2 ;;
  *w_output_*) step=5 ;;
  *"-qscale 0"*) step=7 ;;
  *output.avi) step=6 ;;
  *) step=0 ;;
esac
set -- "$@"
read target fault < '%2/fault'
if [ "$step" != "$target" ]; then exec "$real" "$@"; fi
case "$fault" in
  crash) "$real" "$@" & child=$!; sleep 0.3; kill -9 $child; kill -SEGV $$ ;;
  hang) exec sleep 600 ;;
  garbage) head -c 3000 /dev/urandom >&2; echo 'time=99:9' >&2; exit 0 ;;
  nothing) exit 0 ;;
  full) "$real" "$@"; echo "Error writing trailer of x: No space left on device" >&2; exit 0 ;;
esac
)")
                                                         .arg(testsupport::ffmpeg(), dir));
}

void setFault(const QString& dir, int step, const QString& fault)
{
    QFile file(dir + "/fault");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QStringLiteral("%1 %2\n").arg(step).arg(fault).toUtf8());
}

const char* const kStepErrors[] = {
    nullptr,
    "Export failed while extracting the sound.",
    "Export failed while extracting the frames.",
    nullptr,
    nullptr,
    "Export failed while encoding the filtered frames.",
    "Export failed while adding the sound.",
    "Export failed while encoding the MP4 file.",
};

} // namespace

TEST(Faults, EveryStepThatCrashesPrintsGarbageOrWritesNothingEndsWithItsError)
{
    QTemporaryDir media;
    const QString clip = media.path() + "/clip.mov";
    ASSERT_TRUE(testsupport::makeClip(clip, 0.5, 160, 120, "10", true));
    const QByteArray clipSum = acceptance::checksum(clip);
    const QString out = media.path() + "/out";
    ASSERT_TRUE(QDir().mkpath(out));

    TestApp app;
    AppDelegate& c = *app.controller;
    acceptance::openThroughMenu(app, clip);
    ASSERT_TRUE(c.obj_Video);
    ASSERT_TRUE(acceptance::waitFor([&] { return !c.obj_Video->imgVideo().isNull(); }, 10));
    const QString realTranscoder = c.sffmpegPath;
    c.sffmpegPath = faultyTranscoder(media.path());
    // A kept range of 0 to 90 % runs every step, on that range alone.
    c.f_Cut_Percent_Maior = 90.0f;

    int injected = 0;
    for (const int step : {1, 2, 5, 6, 7}) {
        // "full": the run seems to succeed but tells of a full disk.
        for (const QString fault : {"crash", "garbage", "nothing", "full"}) {
            SCOPED_TRACE(QStringLiteral("step %1, %2").arg(step).arg(fault).toStdString());
            setFault(media.path(), step, fault);
            ++injected;
            const ScriptedDialogs::Alert alert = acceptance::saveThroughMenu(app, out, 60);
            EXPECT_EQ(alert.message, "Error");
            // Frames that were never written are told as such.
            const QString expected =
                step == 2 && fault != "crash" && fault != "full"
                    ? "Export failed: no frames could be extracted from the video."
                    : QString(kStepErrors[step]) +
                          (fault == "full"
                               ? " The disk is full: please free some space and try again."
                               : "");
            EXPECT_EQ(alert.informativeText, expected);
            EXPECT_EQ(alert.buttons, QStringList{"Close"});
            EXPECT_FALSE(c.m_b_Saving);
            EXPECT_FALSE(c.windowUniqueProgress);
            EXPECT_FALSE(c.currentTranscoder);
            EXPECT_TRUE(QDir(out).isEmpty()) << QDir(out).entryList().join(", ").toStdString();
        }
    }
    EXPECT_EQ(injected, 20);
    EXPECT_EQ(acceptance::checksum(clip), clipSum);

    // Still usable: a new Open and Save with the real transcoder succeed.
    c.sffmpegPath = realTranscoder;
    acceptance::openThroughMenu(app, clip);
    ASSERT_TRUE(acceptance::waitFor([&] { return !c.obj_Video->imgVideo().isNull(); }, 10));
    const ScriptedDialogs::Alert alert = acceptance::saveThroughMenu(app, out, 60);
    EXPECT_EQ(alert.message, "Success") << alert.informativeText.toStdString();
    EXPECT_TRUE(QFile::exists(out + "/clip.mp4"));
    EXPECT_FALSE(app.exitStatus.has_value());
}

TEST(Faults, AHangingTranscoderIsEndedByCancelAtEveryStep)
{
    QTemporaryDir media;
    const QString clip = media.path() + "/clip.mov";
    ASSERT_TRUE(testsupport::makeClip(clip, 0.5, 160, 120, "10", true));
    const QString out = media.path() + "/out";
    ASSERT_TRUE(QDir().mkpath(out));

    TestApp app;
    AppDelegate& c = *app.controller;
    acceptance::openThroughMenu(app, clip);
    ASSERT_TRUE(
        acceptance::waitFor([&] { return c.obj_Video && !c.obj_Video->imgVideo().isNull(); }, 10));
    const QString realTranscoder = c.sffmpegPath;
    c.sffmpegPath = faultyTranscoder(media.path());
    c.f_Cut_Percent_Maior = 90.0f;

    for (const int step : {1, 2, 5, 6, 7}) {
        SCOPED_TRACE(step);
        setFault(media.path(), step, "hang");
        const qsizetype alertsBefore = app.dialogs.alerts.size();
        app.dialogs.folderPanelAnswers.enqueue(out);
        app.window->ui.actionSave->trigger();
        // Once the hanging run is reached, the user presses Cancel twice on the
        // sheet; the presses arrive inside the export's wait for the run.
        const std::uint64_t type = step <= 2 ? step - 1 : step - 3;
        const auto pressed = exportharness::onceWhen(
            [&] {
                return c.currentTranscoder && c.u_Type_Progress == type && c.windowUniqueProgress;
            },
            [&] {
                QPushButton* cancel = c.windowUniqueProgress->findChild<QPushButton*>();
                cancel->click();
                if (c.windowUniqueProgress)
                    cancel->click();
            });
        ASSERT_TRUE(acceptance::waitFor([&] { return *pressed; }, 30));
        ASSERT_TRUE(acceptance::waitFor([&] { return !c.m_b_Saving && !c.currentTranscoder; }, 10));
        ASSERT_TRUE(exportharness::waitUntilNothingArmed(c));
        EXPECT_EQ(app.dialogs.alerts.size(), alertsBefore); // a cancel shows no alert
        EXPECT_FALSE(c.windowUniqueProgress);
        EXPECT_TRUE(QDir(out).isEmpty());
    }

    c.sffmpegPath = realTranscoder;
    const ScriptedDialogs::Alert alert = acceptance::saveThroughMenu(app, out, 60);
    EXPECT_EQ(alert.message, "Success") << alert.informativeText.toStdString();
}

TEST(Faults, AVideoInsideTheWorkingFolderIsNotExported)
{
    TestApp app;
    AppDelegate& c = *app.controller;
    const QString clip = c.s_Output_Folder + "/mine.mp4";
    ASSERT_TRUE(testsupport::makeClip(clip, 0.5, 160, 120, "10", false));
    const QByteArray before = acceptance::checksum(clip);
    acceptance::openThroughMenu(app, clip);
    ASSERT_TRUE(c.obj_Video);
    app.dialogs.folderPanelAnswers.enqueue(app.home.path());
    app.window->ui.actionSave->trigger();
    ASSERT_EQ(app.dialogs.alerts.size(), 1);
    EXPECT_EQ(app.dialogs.alerts[0].message, "Error");
    EXPECT_FALSE(c.m_b_Saving);
    EXPECT_TRUE(app.dialogs.folderPanelMessages.isEmpty());
    EXPECT_EQ(acceptance::checksum(clip), before);
}
