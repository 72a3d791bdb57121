// The window during an export: what the sheet says at each step, closing and
// Quit with the sheet up, room on the disk, and a disk that fills.
#include "app/widgets/Window_Unique_Progress.h"
#include "export/Window_Unique_ProgressTexts.h"
#include "export/WorkingSpace.h"
#include "support/ExportHarness.h"
#include "support/TestApp.h"
#include "support/ViewsSupport.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>
#include <cerrno>
#include <csignal>
#include <gtest/gtest.h>

using namespace exportharness;

namespace {

// The harness's rig with plenty of room on the disk and the window shown.
struct Rig : ExportRig
{
    explicit Rig(const QString& extra = QString()) : ExportRig(extra)
    {
        app.controller->freeBytes = [](const QString&) { return qint64(1) << 40; };
        app.window->show();
    }
    QString pidFile() const { return app.home.path() + "/pid"; }
    // The fake transcoder's process id, once its first run has written it.
    qint64 pid() const
    {
        QFile file(pidFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed().toLongLong() : 0;
    }
};

// A transcoder that writes its process id and then runs for half a minute.
const QString kLongRun = QStringLiteral("echo $$ > \"$(dirname \"$0\")/pid\"\nexec sleep 30");

bool processGone(qint64 pid)
{
    return pid > 0 && ::kill(pid_t(pid), 0) == -1 && errno == ESRCH;
}

} // namespace

TEST(Sheet, SaysWhichStepRunsAndTheTimeLeftWhileFiltering)
{
    Rig rig(QStringLiteral("sleep 0.2"));
    QStringList texts;
    QStringList timesLeft;
    QTimer watch;
    watch.setInterval(5);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        Window_Unique_Progress* sheet = rig.c().windowUniqueProgress;
        if (!sheet)
            return;
        const QString text = sheet->ui.messageLabel->text();
        if (texts.isEmpty() || texts.last() != text)
            texts.append(text);
        if (text.startsWith("Applying") &&
            (timesLeft.isEmpty() || !timesLeft.last().startsWith(text)))
            timesLeft.append(text + " | " + sheet->ui.timeLeftLabel->text());
    });
    watch.start();
    rig.save();
    ASSERT_TRUE(waitForExportEnd(rig.c()));

    const QStringList expected{"Preparing\u2026",
                               "Extracting the sound\u2026",
                               "Extracting the frames\u2026",
                               "Applying the look: frame 1 of 5",
                               "Applying the look: frame 2 of 5",
                               "Applying the look: frame 3 of 5",
                               "Applying the look: frame 4 of 5",
                               "Applying the look: frame 5 of 5",
                               "Encoding the video\u2026",
                               "Adding the sound\u2026",
                               "Encoding MP4\u2026"};
    EXPECT_EQ(texts, expected);
    // No time left after one frame (nothing measured yet); an estimate from the second on.
    ASSERT_EQ(timesLeft.size(), 5);
    EXPECT_EQ(timesLeft[0], "Applying the look: frame 1 of 5 | ");
    const QRegularExpression estimate(
        " \\| (About (\\d+ min )?\\d+ s left|Less than a second left)$");
    for (int i = 1; i < 4; ++i)
        EXPECT_TRUE(estimate.match(timesLeft[i]).hasMatch()) << timesLeft[i].toStdString();
    EXPECT_EQ(timesLeft[4], "Applying the look: frame 5 of 5 | Less than a second left");
}

TEST(Sheet, TimeLeftTexts)
{
    using exporting::timeLeftText;
    const struct
    {
        double seconds;
        const char* text;
    } cases[] = {{-1.0, ""},
                 {0.4, "Less than a second left"},
                 {12.4, "About 12 s left"},
                 {125.0, "About 2 min 5 s left"},
                 {3900.0, "About 1 h 5 min left"}};
    for (const auto& c : cases)
        EXPECT_EQ(timeLeftText(c.seconds), QString::fromUtf8(c.text)) << c.seconds;
}

TEST(Closing, DuringAnExportExitsWithZeroAndStopsTheTranscoder)
{
    Rig rig(kLongRun);
    rig.save();
    const auto closed = onceWhen([&] { return rig.pid() > 0; }, [&] { rig.app.window->close(); });
    ASSERT_TRUE(waitForExportEnd(rig.c(), 20000));
    ASSERT_TRUE(*closed);
    EXPECT_EQ(rig.app.exitStatus, 0);
    EXPECT_TRUE(processGone(rig.pid())) << rig.pid();
    EXPECT_FALSE(rig.c().windowUniqueProgress);
    EXPECT_EQ(loggedRuns(rig.app.home.path()).size(), 1); // no step ran after it
}

TEST(Closing, CtrlQWorksWithTheSheetUp)
{
    Rig rig(kLongRun);
    rig.save();
    Window_Unique_Progress* sheet = rig.c().windowUniqueProgress;
    ASSERT_TRUE(sheet);
    sheet->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(sheet));
    const auto quit = onceWhen([&] { return rig.pid() > 0; },
                               [&] { QTest::keyClick(sheet, Qt::Key_Q, Qt::ControlModifier); });
    ASSERT_TRUE(waitForExportEnd(rig.c(), 20000));
    ASSERT_TRUE(*quit);
    EXPECT_EQ(rig.app.exitStatus, 0);
    EXPECT_TRUE(processGone(rig.pid()));
}

TEST(DiskSpace, TooLittleRoomStopsBeforeTheFirstStep)
{
    Rig rig;
    rig.c().obj_Video->setImgVideo(viewstest::quadrantFrame(640, 360));
    rig.c().freeBytes = [](const QString&) { return qint64(1500000); };
    rig.save();
    ASSERT_EQ(rig.app.dialogs.alerts.size(), 1);
    const ScriptedDialogs::Alert alert = rig.app.dialogs.alerts[0];
    EXPECT_EQ(alert.message, "Error");
    EXPECT_EQ(alert.buttons, QStringList{"Close"});
    const QRegularExpression text("^Exporting this video needs about [0-9.]+ [MG]B of free space "
                                  "for its working files in \u201c.*/Documents/Oldreel\u201d, but "
                                  "only 1.5 MB is free there\\.");
    EXPECT_TRUE(text.match(alert.informativeText).hasMatch())
        << alert.informativeText.toStdString();
    EXPECT_FALSE(rig.c().windowUniqueProgress);
    EXPECT_EQ(rig.c().m_b_Saving, 0);
    EXPECT_TRUE(noStepArmed(rig.c()));
    EXPECT_TRUE(loggedRuns(rig.app.home.path()).isEmpty());
    EXPECT_TRUE(rig.app.window->ui.centralwidget->isEnabled());

    // Only the kept range's files are written: a second of the video fits.
    rig.c().f_Cut_Percent_Maior = 1.0f;
    rig.save();
    EXPECT_TRUE(rig.c().windowUniqueProgress);
    rig.c().CancelWatermarking();
    EXPECT_EQ(rig.app.dialogs.alerts.size(), 1);

    // With room enough the same export begins.
    rig.c().freeBytes = [](const QString&) { return qint64(1) << 40; };
    rig.save();
    EXPECT_TRUE(rig.c().windowUniqueProgress);
    EXPECT_TRUE(rig.c().timerWatermarkVideoStep1);
    rig.c().CancelWatermarking();
}

TEST(DiskSpace, AStepThatFillsTheDiskSaysSo)
{
    Rig full(
        QStringLiteral("case \"$last\" in *%08d*) "
                       "echo 'output_00000007.jpg: No space left on device' >&2; exit 1;; esac"));
    full.save();
    ASSERT_TRUE(waitForExportEnd(full.c()));
    ASSERT_EQ(full.app.dialogs.alerts.size(), 1);
    EXPECT_EQ(full.app.dialogs.alerts[0].informativeText,
              "Export failed while extracting the frames. The disk is full: please free some "
              "space and try again.");

    // Another failure of the same step says only which step failed.
    Rig broken(QStringLiteral("case \"$last\" in *%08d*) echo 'Invalid data' >&2; exit 1;; esac"));
    broken.save();
    ASSERT_TRUE(waitForExportEnd(broken.c()));
    ASSERT_EQ(broken.app.dialogs.alerts.size(), 1);
    EXPECT_EQ(broken.app.dialogs.alerts[0].informativeText,
              "Export failed while extracting the frames.");
}
