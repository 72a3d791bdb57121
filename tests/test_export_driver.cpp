// The export driver against a fake transcoder: the Save command, the argument
// lists of every step, progress from standard error, cancelling and failures.
#include "app/widgets/Window_Unique_Progress.h"
#include "export/FrameFiltering.h"
#include "media/EncoderQuality.h"
#include "media/OldSound.h"
#include "support/ExportHarness.h"
#include "support/StreamSupport.h"
#include "support/TestApp.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

using namespace exportharness;

namespace {

void touch(const QString& path, const QByteArray& content = "x")
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(content);
}

// The harness's rig, with the working folder and the transcoder's runs.
struct Rig : ExportRig
{
    using ExportRig::ExportRig;
    QString work() { return app.controller->s_Output_Folder; }
    QList<QStringList> runs() { return loggedRuns(app.home.path()); }
};

QStringList alertTexts(const ScriptedDialogs::Alert& alert)
{
    return QStringList{alert.message, alert.informativeText} + alert.buttons;
}

} // namespace

TEST(SaveCommand, WithoutAVideoOnlyTheAlert)
{
    TestApp app;
    AppDelegate& c = *app.controller;
    c.OnSave();
    ASSERT_EQ(app.dialogs.alerts.size(), 1);
    EXPECT_EQ(alertTexts(app.dialogs.alerts[0]),
              QStringList({"Error", "There is no video opened.", "Close"}));
    EXPECT_TRUE(app.dialogs.folderPanelMessages.isEmpty());
    EXPECT_EQ(c.m_b_Saving, 0);
    EXPECT_EQ(c.m_b_Cancel_Saving, 0);
    EXPECT_FALSE(c.windowUniqueProgress);
}

TEST(SaveCommand, DismissedPanelLeavesNothingAndCanBeRepeated)
{
    Rig rig;
    AppDelegate& c = rig.c();
    c.m_b_Cancel_Saving = 1;
    c.OnSave();
    c.OnSave();
    EXPECT_EQ(rig.app.dialogs.folderPanelMessages,
              QStringList(2, "Select an output folder to save the converted video."));
    EXPECT_EQ(c.m_b_Saving, 0);
    EXPECT_EQ(c.m_b_Cancel_Saving, 0);
    EXPECT_FALSE(c.windowUniqueProgress);
    EXPECT_TRUE(noStepArmed(c));
    EXPECT_TRUE(rig.app.dialogs.alerts.isEmpty());
}

TEST(SaveCommand, AWorkingFolderOrOneInsideIsRefusedAndNotEmptied)
{
    Rig rig;
    AppDelegate& c = rig.c();
    touch(rig.work() + "/keep.txt");
    ASSERT_TRUE(QDir().mkpath(c.s_Thumbnails_Folder + "/inner"));
    for (const QString& folder :
         {rig.work(), c.s_Thumbnails_Folder, c.s_Thumbnails_Folder + "/inner"}) {
        rig.app.dialogs.folderPanelAnswers.enqueue(folder);
        c.OnSave();
        EXPECT_EQ(c.m_b_Saving, 0) << folder.toStdString();
        EXPECT_FALSE(c.windowUniqueProgress);
        EXPECT_TRUE(noStepArmed(c));
    }
    ASSERT_EQ(rig.app.dialogs.alerts.size(), 3);
    for (const auto& alert : rig.app.dialogs.alerts) {
        EXPECT_EQ(alert.message, "Error");
        EXPECT_FALSE(alert.informativeText.isEmpty());
        EXPECT_EQ(alert.buttons, QStringList({"Close"}));
    }
    EXPECT_TRUE(QFile::exists(rig.work() + "/keep.txt"));
    EXPECT_TRUE(rig.runs().isEmpty());
}

TEST(SaveCommand, OpensTheSheetEmptiesTheWorkingFolderAndArmsStepOne)
{
    Rig rig;
    AppDelegate& c = rig.c();
    touch(rig.work() + "/left-over.jpg");
    rig.save();
    EXPECT_EQ(c.m_b_Saving, 1);
    EXPECT_EQ(c.s_Output_Folder_Final, rig.out);
    EXPECT_TRUE(QDir(rig.work()).isEmpty());
    ASSERT_TRUE(c.windowUniqueProgress);
    Window_Unique_Progress* sheet = c.windowUniqueProgress;
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->parentWidget(), rig.app.window.get());
    // The window's controls and commands take no input, but Quit does: a
    // window under a modal dialog would ignore Quit and its close box.
    EXPECT_EQ(sheet->windowModality(), Qt::NonModal);
    Ui::MainWindow& ui = rig.app.window->ui;
    EXPECT_FALSE(ui.centralwidget->isEnabled());
    EXPECT_FALSE(ui.actionOpen->isEnabled());
    EXPECT_FALSE(ui.actionSave->isEnabled());
    EXPECT_TRUE(ui.actionQuit->isEnabled());
    EXPECT_EQ(sheet->ui.cancelButton->text(), "Cancel");
    EXPECT_TRUE(c.timerWatermarkVideoStep1);
    EXPECT_TRUE(rig.runs().isEmpty());

    // Two presses end the export before any step runs; Escape counts as one.
    QTest::keyClick(sheet, Qt::Key_Escape);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(c.m_b_Cancel_Saving, 1);
    EXPECT_TRUE(c.windowUniqueProgress);
    EXPECT_EQ(sheet->ui.cancelButton->text(), "Stop now");
    sheet->ui.cancelButton->click();
    EXPECT_TRUE(ui.centralwidget->isEnabled());
    EXPECT_TRUE(ui.actionOpen->isEnabled());
    EXPECT_EQ(c.m_b_Saving, 0);
    EXPECT_EQ(c.m_b_Cancel_Saving, 0);
    EXPECT_FALSE(c.windowUniqueProgress);
    EXPECT_TRUE(noStepArmed(c));
    ASSERT_TRUE(waitUntilNothingArmed(c));
    EXPECT_TRUE(rig.runs().isEmpty());
    EXPECT_TRUE(rig.app.dialogs.alerts.isEmpty());
}

TEST(SaveCommand, AKeptRangeWithoutAFrameIsRefusedBeforeThePanel)
{
    // 100 s at 25 fps: 30 % to 30.02 % holds frame 750 alone.
    const struct
    {
        float from, to;
        bool refused;
    } rows[] = {{30.0f, 30.0f, true}, {29.999f, 30.0f, true}, {30.0f, 30.02f, false}};
    for (const auto& row : rows) {
        Rig rig;
        AppDelegate& c = rig.c();
        c.f_Cut_Percent_Menor = row.from;
        c.f_Cut_Percent_Maior = row.to;
        c.OnSave();
        EXPECT_EQ(rig.app.dialogs.alerts.size(), row.refused ? 1 : 0) << row.to;
        EXPECT_EQ(rig.app.dialogs.folderPanelMessages.size(), row.refused ? 0 : 1) << row.to;
        EXPECT_EQ(c.m_b_Saving, 0);
    }
}

TEST(ExportSteps, EveryArgumentListOfACutExport)
{
    Rig rig;
    AppDelegate& c = rig.c();
    c.f_Cut_Percent_Menor = 10.0f;
    c.f_Cut_Percent_Maior = 50.0f;
    c.obj_Video->setB_Noise(1);
    bool sheetGoneAtAlert = false;
    rig.app.dialogs.onAlert = [&](const ScriptedDialogs::Alert&) {
        sheetGoneAtAlert = !c.windowUniqueProgress && !c.m_b_Saving && !c.m_b_Cancel_Saving;
    };
    rig.save();
    ASSERT_TRUE(waitForExportEnd(c));

    const QString w = rig.work();
    // The encoding at the quality tuned for the grain that is on.
    const QStringList quality = media::h264QualityArguments(true) + QStringList{"-c:a", "aac"};
    // 10-50 % of 100 s at 25 fps: frames 250 to 1249 and their sound, the
    // frames sought from 3 before the first.
    const QList<QStringList> expected{
        {"-ss", "10.000000", "-i", "/a/b/Holiday.clip.mov", "-t", "40.000000", "-acodec",
         "pcm_s16le", "-ac", "2", w + "/audio.wav"},
        {"-ss", "9.880000", "-i", "/a/b/Holiday.clip.mov", "-an", "-f", "image2", "-qscale:v", "2",
         "-r", "25.000000", "-frames:v", "1003", w + "/output_%08d.jpg"},
        {"-framerate", "25.000000", "-i", w + "/w_output_%08d.jpg", "-qscale:v", "2",
         w + "/outputnoaudio.avi"},
        {"-i", w + "/outputnoaudio.avi", "-i", w + "/audio.wav", "-r", "25.000000", "-qscale:v",
         "2", "-vcodec", "copy", "-acodec", "copy", w + "/output.avi"},
        QStringList{"-i", w + "/output.avi", "-i", "/a/b/Holiday.clip.mov", "-map", "0:v", "-map",
                    "0:a?", "-map_metadata", "1", "-qscale", "0"} +
            quality + QStringList{rig.out + "/Holiday.clip.mp4"},
    };
    EXPECT_EQ(rig.runs(), expected);
    EXPECT_EQ(c.u_Type_Progress, 4u);
    EXPECT_EQ(c.u_Duration_Segment_in_Seconds, 40u);
    EXPECT_EQ(c.s_Dest_Video_Path, rig.out + "/Holiday.clip.mp4");
    ASSERT_EQ(rig.app.dialogs.alerts.size(), 1);
    EXPECT_EQ(alertTexts(rig.app.dialogs.alerts[0]),
              QStringList({"Success",
                           "Video was converted successfully and saved as "
                           "\u201cHoliday.clip.mp4\u201d.",
                           "Open Output Folder", "Close"}));
    EXPECT_TRUE(sheetGoneAtAlert);
    // The three lead frames are gone; every kept frame got its filtered twin.
    EXPECT_EQ(namesStartingWith(w, "output_"),
              QStringList({"output_00000004.jpg", "output_00000005.jpg"}));
    EXPECT_EQ(namesStartingWith(w, "w_output_").size(), 2);
    for (const char* name : {"audio.wav", "outputnoaudio.avi", "output.avi"})
        EXPECT_TRUE(QFile::exists(w + "/" + name)) << name;

    // A completed export leaves Save usable at once.
    c.OnSave();
    EXPECT_EQ(rig.app.dialogs.folderPanelMessages.size(), 2);
}

TEST(ExportSteps, OldSoundIsMadeInTheExtractionAndCopiedIntoTheAvi)
{
    Rig rig;
    AppDelegate& c = rig.c();
    c.obj_Video->setB_Old_Sound(1);
    c.obj_Video->setF_Old_Sound(70.0f);
    rig.save();
    ASSERT_TRUE(waitForExportEnd(c));

    const QString w = rig.work();
    const QList<QStringList> runs = rig.runs();
    ASSERT_EQ(runs.size(), 5);
    EXPECT_EQ(runs[0],
              QStringList({"-i", "/a/b/Holiday.clip.mov", "-af", media::oldSoundFilter(70.0f),
                           "-acodec", "pcm_s16le", "-ac", "2", w + "/audio.wav"}));
    EXPECT_EQ(runs[3], QStringList({"-i", w + "/outputnoaudio.avi", "-i", w + "/audio.wav", "-r",
                                    "25.000000", "-qscale:v", "2", "-vcodec", "copy", "-acodec",
                                    "copy", w + "/output.avi"}));
}

class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

TEST(ExportSteps, ASilentVideoIsExportedWithoutTheSoundInputAndTheFolderOpened)
{
    // No sound track: the extraction says its output has no stream, fails
    // and writes nothing.
    Rig rig("case \"$last\" in *audio.wav) echo 'Output file #0 does not contain any stream' >&2; "
            "exit 1;; esac");
    AppDelegate& c = rig.c();
    rig.app.dialogs.alertAnswers.enqueue(0);
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler("file", &recorder, "open");
    rig.save();
    const bool ended = waitForExportEnd(c);
    QDesktopServices::unsetUrlHandler("file");
    ASSERT_TRUE(ended);

    const QString w = rig.work();
    const QList<QStringList> runs = rig.runs();
    ASSERT_EQ(runs.size(), 5);
    EXPECT_EQ(runs[3], QStringList({"-i", w + "/outputnoaudio.avi", "-r", "25.000000", "-qscale:v",
                                    "2", "-vcodec", "copy", w + "/output.avi"}));
    EXPECT_EQ(runs[4], QStringList({"-i", w + "/output.avi", "-i", "/a/b/Holiday.clip.mov", "-map",
                                    "0:v", "-map", "0:a?", "-map_metadata", "1", "-qscale", "0"}) +
                           media::h264QualityArguments(false) +
                           QStringList({"-c:a", "aac", rig.out + "/Holiday.clip.mp4"}));
    EXPECT_FALSE(QFile::exists(w + "/output.mp4"));
    ASSERT_EQ(rig.app.dialogs.alerts.size(), 1);
    EXPECT_EQ(rig.app.dialogs.alerts[0].message, "Success");
    EXPECT_EQ(recorder.urls, QList<QUrl>({QUrl::fromLocalFile(rig.out)}));
}

TEST(ExportSteps, ASoundExtractionThatFailsOrWritesNothingIsAnError)
{
    // A video with sound must not come out silent because its extraction failed.
    for (const char* fault : {"case \"$last\" in *audio.wav) exit 1;; esac",
                              "case \"$last\" in *audio.wav) exit 0;; esac"}) {
        SCOPED_TRACE(fault);
        Rig rig(fault);
        rig.save();
        ASSERT_TRUE(waitForExportEnd(rig.c()));
        ASSERT_EQ(rig.app.dialogs.alerts.size(), 1);
        EXPECT_EQ(rig.app.dialogs.alerts[0].message, "Error");
        EXPECT_EQ(rig.app.dialogs.alerts[0].informativeText,
                  "Export failed while extracting the sound.");
        EXPECT_EQ(rig.runs().size(), 1);
    }
}

TEST(ExportSteps, AnExistingFinalFileIsKeptAndTheNextFreeNameUsed)
{
    Rig rig;
    AppDelegate& c = rig.c();
    touch(rig.out + "/Holiday.clip.mp4", "mine");
    touch(rig.out + "/Holiday.clip (1).mp4", "mine too");
    c.f_Cut_Percent_Maior = 90.0f;
    rig.save();
    ASSERT_TRUE(waitForExportEnd(c));
    QFile mine(rig.out + "/Holiday.clip.mp4");
    ASSERT_TRUE(mine.open(QIODevice::ReadOnly));
    EXPECT_EQ(mine.readAll(), "mine");
    EXPECT_EQ(c.s_Dest_Video_Path, rig.out + "/Holiday.clip (2).mp4");
    EXPECT_TRUE(QFile::exists(rig.out + "/Holiday.clip (2).mp4"));
    ASSERT_EQ(rig.app.dialogs.alerts.size(), 1);
    EXPECT_EQ(rig.app.dialogs.alerts[0].message, "Success");
}

TEST(ExportSteps, FramesAreFilteredOnePerTickWithTheBarCountingThem)
{
    Rig rig;
    AppDelegate& c = rig.c();
    for (int n = 1; n <= 3; ++n)
        touch(rig.work() + QString::asprintf("/output_%08d.jpg", n), "frame");
    touch(rig.work() + "/audio.wav");
    c.m_b_Saving = 1;
    auto* sheet = new Window_Unique_Progress(rig.app.window.get());
    c.windowUniqueProgress = sheet;
    sheet->progressBar.setDoubleValue(99.0);

    c.TimerWatermarkVideoRoutineStep3();
    EXPECT_EQ(c.arrayImages.size(), 3);
    EXPECT_EQ(sheet->progressBar.minValue(), 0.0);
    EXPECT_EQ(sheet->progressBar.maxValue(), 3.0);
    EXPECT_EQ(sheet->progressBar.doubleValue(), 99.0);
    EXPECT_EQ(c.i_Current_Image_Index, 0);
    EXPECT_TRUE(c.timerWatermarkVideoStep4);

    c.TimerWatermarkVideoRoutineStep4();
    EXPECT_EQ(sheet->progressBar.doubleValue(), 0.0);
    c.TimerWatermarkVideoRoutineStep4();
    EXPECT_EQ(sheet->progressBar.doubleValue(), 1.0);
    EXPECT_FALSE(c.timerWatermarkVideoStep5);
    c.TimerWatermarkVideoRoutineStep4();
    EXPECT_EQ(c.i_Current_Image_Index, 3);
    EXPECT_EQ(sheet->progressBar.doubleValue(), 0.0);
    EXPECT_TRUE(c.timerWatermarkVideoStep5);
    EXPECT_EQ(namesStartingWith(rig.work(), "w_output_").size(), 3);
    c.CancelWatermarking();
}

TEST(Progress, TheLastWholePositionOfEachChunkAgainstTheStepsLength)
{
    Rig rig;
    AppDelegate& c = rig.c();
    auto* sheet = new Window_Unique_Progress(rig.app.window.get());
    c.windowUniqueProgress = sheet;
    const struct
    {
        std::uint64_t type;
        std::uint64_t seconds; // of the kept range, the whole video's when nothing is cut
        QByteArray chunk;
        double expected; // 7 = the bar was left as it was
    } rows[] = {
        {1, 40, "frame=   10 fps=0.0 q=2.0 size=N/A time=00:00:10.00 bitrate=N/A", 25.0},
        {1, 40, "time=00:00:10.00 bitrate=1\rframe=2 time=00:00:12.00 bitrate=2\r", 30.0},
        {3, 40, "time=00:00:10.00 x\rframe=2 time=00:0", 25.0},
        {3, 40, "frame=2 size=1kB time=00:0", 7.0},
        {0, 40, "Stream mapping: no status line here", 7.0},
        // The first marker must match case; later ones need not.
        {0, 40, "TIME=00:00:10.00 x", 7.0},
        {0, 40, "time=00:00:10.00 x TIME=00:00:20.00 y", 50.0},
        {2, 60, "time=00:00:30.00", 50.0},
        {4, 40, "time=00:01:00.00", 150.0},
        {2, 0, "time=00:00:01.00", 0.0},
        {5, 40, "time=00:00:10.00", 7.0},
        {1, 40, "time=00:00:10.00 \xff\xfe", 7.0},
    };
    for (const auto& row : rows) {
        c.u_Type_Progress = row.type;
        c.u_Duration_Segment_in_Seconds = row.seconds;
        sheet->progressBar.setDoubleValue(7.0);
        c.errData(row.chunk);
        EXPECT_FLOAT_EQ(sheet->progressBar.doubleValue(), row.expected) << row.chunk.constData();
    }
    c.windowUniqueProgress.clear();
    sheet->deleteLater();
}

TEST(Cancel, OnePressDuringARunLetsItFinishAndTheNextStepEndsTheExport)
{
    Rig rig("case \"$last\" in *audio.wav) sleep 0.4;; esac");
    AppDelegate& c = rig.c();
    auto pressed = onceWhen([&] { return bool(c.currentTranscoder); }, [&] { c.OnCancel(); });
    rig.save();
    ASSERT_TRUE(waitForExportEnd(c));
    EXPECT_TRUE(*pressed);
    EXPECT_EQ(rig.runs().size(), 1);
    EXPECT_TRUE(QFile::exists(rig.work() + "/audio.wav"));
    EXPECT_TRUE(namesStartingWith(rig.work(), "output_").isEmpty());
    EXPECT_FALSE(c.windowUniqueProgress);
    EXPECT_EQ(c.m_b_Cancel_Saving, 0);
    EXPECT_TRUE(rig.app.dialogs.alerts.isEmpty());
}

TEST(Cancel, TwoPressesDuringARunStopTheTranscoderAndArmNothing)
{
    Rig rig("case \"$last\" in *audio.wav) exec sleep 30;; esac");
    AppDelegate& c = rig.c();
    bool endedAtOnce = false;
    // Pressed once the fake has logged its run: a kill before that would race
    // the log, not test the cancel.
    auto pressed =
        onceWhen([&] { return bool(c.currentTranscoder) && rig.runs().size() == 1; },
                 [&] {
                     c.OnCancel();
                     c.OnCancel();
                     endedAtOnce = !c.m_b_Saving && !c.windowUniqueProgress && !c.currentTranscoder;
                 });
    rig.save();
    ASSERT_TRUE(waitForExportEnd(c, 20000));
    EXPECT_TRUE(*pressed);
    EXPECT_TRUE(endedAtOnce);
    ASSERT_TRUE(waitUntilNothingArmed(c));
    EXPECT_TRUE(noStepArmed(c));
    EXPECT_EQ(rig.runs().size(), 1);
    EXPECT_FALSE(QFile::exists(rig.work() + "/audio.wav"));
    EXPECT_TRUE(rig.app.dialogs.alerts.isEmpty());
}

TEST(Cancel, TwoPressesBetweenFramesEndAtOnceAndKeepTheFramesDone)
{
    Rig rig;
    AppDelegate& c = rig.c();
    qint64 doneWhenPressed = -1;
    auto pressed =
        onceWhen([&] { return c.i_Current_Image_Index >= 2 && bool(c.timerWatermarkVideoStep4); },
                 [&] {
                     doneWhenPressed = c.i_Current_Image_Index;
                     c.OnCancel();
                     c.OnCancel();
                 });
    rig.save();
    ASSERT_TRUE(waitForExportEnd(c));
    ASSERT_TRUE(*pressed);
    ASSERT_TRUE(waitUntilNothingArmed(c));
    // Exactly the frames filtered before the press have their twins: the
    // first ones of the listing, and not one more.
    QStringList filtered;
    for (qsizetype i = 0; i < doneWhenPressed; ++i)
        filtered << exporting::filteredFrameName(c.arrayImages.at(i));
    filtered.sort();
    EXPECT_EQ(namesStartingWith(rig.work(), "w_output_"), filtered);
    EXPECT_EQ(rig.runs().size(), 2);
    EXPECT_FALSE(c.windowUniqueProgress);
    EXPECT_TRUE(rig.app.dialogs.alerts.isEmpty());
}

TEST(Cancel, SaveDuringAnExportIsACancelPress)
{
    Rig rig("case \"$last\" in *output_%08d.jpg) sleep 0.4;; esac");
    AppDelegate& c = rig.c();
    auto pressed = onceWhen([&] { return c.u_Type_Progress == 1 && bool(c.currentTranscoder); },
                            [&] { c.OnSave(); });
    rig.save();
    ASSERT_TRUE(waitForExportEnd(c));
    EXPECT_TRUE(*pressed);
    EXPECT_EQ(rig.runs().size(), 2);
    EXPECT_EQ(namesStartingWith(rig.work(), "output_").size(), 5);
    EXPECT_TRUE(namesStartingWith(rig.work(), "w_output_").isEmpty());
    EXPECT_EQ(rig.app.dialogs.folderPanelMessages.size(), 1);
    EXPECT_FALSE(c.windowUniqueProgress);
    EXPECT_TRUE(rig.app.dialogs.alerts.isEmpty());
}

TEST(Failures, AFailedStepEndsTheExportWithItsMessageAndSaveWorksAgain)
{
    const struct
    {
        const char* extra;
        bool cut;
        const char* message;
        bool thenSaveAgain = false;
    } rows[] = {
        {"case \"$last\" in *audio.wav) printf x > \"$last\"; exit 1;; esac", false,
         "Export failed while extracting the sound."},
        {"case \"$last\" in *%08d*) exit 1;; esac", false,
         "Export failed while extracting the frames."},
        {"case \"$last\" in *%08d*) exit 0;; esac", false,
         "Export failed: no frames could be extracted from the video.", true},
        {"case \"$last\" in *outputnoaudio.avi) exit 1;; esac", false,
         "Export failed while encoding the filtered frames."},
        {"case \"$last\" in *output.avi) exit 0;; esac", false,
         "Export failed while adding the sound."},
        {"case \"$last\" in *.mp4) exit 1;; esac", false,
         "Export failed while encoding the MP4 file."},
        {"case \"$last\" in *Holiday.clip.mp4) : > \"$last\"; exit 0;; esac", true,
         "Export failed while encoding the MP4 file.", true},
    };
    for (const auto& row : rows) {
        Rig rig(row.extra);
        AppDelegate& c = rig.c();
        if (row.cut)
            c.f_Cut_Percent_Menor = 20.0f;
        bool clearedAtAlert = false;
        rig.app.dialogs.onAlert = [&](const ScriptedDialogs::Alert&) {
            clearedAtAlert = !c.windowUniqueProgress && !c.m_b_Saving && !c.m_b_Cancel_Saving;
        };
        rig.save();
        ASSERT_TRUE(waitForExportEnd(c)) << row.message;
        ASSERT_EQ(rig.app.dialogs.alerts.size(), 1) << row.message;
        EXPECT_EQ(alertTexts(rig.app.dialogs.alerts[0]),
                  QStringList({"Error", row.message, "Close"}));
        EXPECT_TRUE(clearedAtAlert) << row.message;
        EXPECT_TRUE(noStepArmed(c));
        if (!row.thenSaveAgain)
            continue;

        // With a working transcoder the next Save goes through.
        c.sffmpegPath = fakeTranscoder(rig.app.home.path());
        rig.save();
        ASSERT_TRUE(waitForExportEnd(c)) << row.message;
        ASSERT_EQ(rig.app.dialogs.alerts.size(), 2);
        EXPECT_EQ(rig.app.dialogs.alerts[1].message, "Success") << row.message;
    }
}

TEST(Failures, ATranscoderSilentPastTheLimitIsKilledAndTheExportFails)
{
    // The frame extraction reports its progress once, then hangs without a word.
    Rig rig("case \"$last\" in *%08d*) echo $$ > \"$last.pid\"; "
            "echo 'frame=1 time=00:00:40.00 bitrate=N/A' >&2; exec sleep 60;; esac");
    AppDelegate& c = rig.c();
    c.transcoderSilenceLimitMs = 1000;
    const auto reported = onceWhen(
        [&] {
            return c.windowUniqueProgress &&
                   c.windowUniqueProgress->progressBar.doubleValue() == 40.0;
        },
        [] {});
    rig.save();
    ASSERT_TRUE(waitForExportEnd(c, 30000));
    EXPECT_TRUE(*reported);
    ASSERT_EQ(rig.app.dialogs.alerts.size(), 1);
    EXPECT_EQ(alertTexts(rig.app.dialogs.alerts[0]),
              QStringList({"Error", "Export failed: the transcoder stopped responding.", "Close"}));
    EXPECT_EQ(rig.runs().size(), 2);
    QFile pid(rig.work() + "/output_%08d.jpg.pid");
    ASSERT_TRUE(pid.open(QIODevice::ReadOnly));
    EXPECT_FALSE(streamsupport::processExists(pid.readAll().trimmed().toInt()));
    EXPECT_FALSE(c.windowUniqueProgress);
}

TEST(Failures, ATranscoderThatCannotStartEndsTheWait)
{
    Rig rig;
    AppDelegate& c = rig.c();
    c.sffmpegPath = rig.app.home.path() + "/no-such-program";
    rig.save();
    ASSERT_TRUE(waitForExportEnd(c, 20000));
    ASSERT_EQ(rig.app.dialogs.alerts.size(), 1);
    // The first step already cannot run, and says so.
    EXPECT_EQ(rig.app.dialogs.alerts[0].informativeText,
              "Export failed while extracting the sound.");
    EXPECT_FALSE(c.windowUniqueProgress);
}

#include "test_export_driver.moc"
