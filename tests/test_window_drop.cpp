// Dropping files on the window, the alerts' keys, and the room an export's
// working files really take on a real clip.
#include "app/CommandLine.h"
#include "export/WorkingSpace.h"
#include "platform/Dialogs.h"
#include "support/Acceptance.h"
#include "support/TestApp.h"

#include <QDir>
#include <QDirIterator>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

struct Drops : ::testing::Test
{
    TestApp app;
    AppDelegate& c = *app.controller;

    void SetUp() override
    {
        ASSERT_FALSE(testsupport::ffmpeg().isEmpty());
        app.window->show();
    }

    QString clip(const QString& name)
    {
        const QString path = app.home.path() + "/" + name;
        EXPECT_TRUE(testsupport::makeClip(path, 2.0, 160, 120, "25", true));
        return path;
    }

    static std::unique_ptr<QMimeData> files(const QStringList& paths)
    {
        auto data = std::make_unique<QMimeData>();
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls.append(QUrl::fromLocalFile(path));
        data->setUrls(urls);
        return data;
    }

    // Drags `data` over the window and, when it is offered, drops it.
    // Returns whether the window offered to take it.
    bool drop(const QMimeData* data)
    {
        const QPoint at(200, 200);
        QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(app.window.get(), &enter);
        QDragMoveEvent move(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(app.window.get(), &move);
        QDropEvent dropped(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(app.window.get(), &dropped);
        QCoreApplication::processEvents(); // the open runs after the drop returns
        EXPECT_EQ(enter.isAccepted(), move.isAccepted());
        return enter.isAccepted();
    }
};

} // namespace

TEST_F(Drops, AVideoOpensAsFromTheOpenPanel)
{
    const QString path = clip("Holiday.MOV");
    EXPECT_TRUE(drop(files({path}).get()));
    ASSERT_TRUE(c.obj_Video);
    EXPECT_EQ(c.obj_Video->sPath(), path);
    EXPECT_EQ(c.obj_Video->i_Duration_In_Seconds(), 2);
    EXPECT_FLOAT_EQ(c.obj_Video->f_FPS(), 25.0f);
    EXPECT_EQ(c.f_Cut_Percent_Maior, 100.0f);
    EXPECT_EQ(app.window->windowTitle(), "Oldreel \u2014 Holiday.MOV");
    EXPECT_TRUE(app.dialogs.alerts.isEmpty());
    EXPECT_TRUE(app.dialogs.filePanelExtensions.isEmpty()); // no panel was shown
    // The first frame follows as after the panel.
    ASSERT_TRUE(acceptance::waitFor([&] { return !c.obj_Video->imgVideo().isNull(); }, 10));
    EXPECT_EQ(c.obj_Video->imgVideo().size(), QSize(160, 120));
}

TEST_F(Drops, TheWindowSaysWhatItKnowsOfTheOpenVideo)
{
    Ui::MainWindow& ui = app.window->ui;
    EXPECT_TRUE(ui.labelEmptyHint->isVisible());
    EXPECT_EQ(ui.labelEmptyHint->text(), "Open a video (Ctrl+O) or drop one here");
    // Shown as soon as the video opens, before its first frame.
    EXPECT_TRUE(drop(files({clip("clip.mp4")}).get()));
    ASSERT_TRUE(c.obj_Video);
    EXPECT_TRUE(c.obj_Video->imgVideo().isNull());
    EXPECT_FALSE(ui.labelEmptyHint->isVisible());
    EXPECT_TRUE(ui.labelTotalDuration->text().startsWith("/ 00:00:02."))
        << ui.labelTotalDuration->text().toStdString();
    EXPECT_EQ(ui.labelVideoProperties->text(), "160\u00d7120, 25 fps, h264, sound: aac, mono");
    EXPECT_EQ(ui.labelKeptStart->text(), "Start 00:00:00.000");
    EXPECT_EQ(ui.labelKeptEnd->text(), "End " + ui.labelTotalDuration->text().mid(2));
    EXPECT_EQ(ui.labelKeptLength->text(), "Kept " + ui.labelTotalDuration->text().mid(2));
}

TEST(CommandLine, TheFirstFileArgumentIsTheVideoToOpen)
{
    const QString here = QDir::currentPath();
    const struct
    {
        QStringList arguments;
        QString expected;
    } cases[] = {
        {{"oldreel"}, ""},
        {{"oldreel", "/videos/a.mp4"}, "/videos/a.mp4"},
        {{"oldreel", "a.mp4"}, here + "/a.mp4"},
        {{"oldreel", "--verbose", "/v/b.mov", "/v/c.mov"}, "/v/b.mov"},
        {{"oldreel", "file:///v/with%20space.mov"}, "/v/with space.mov"},
        {{"oldreel", ""}, ""},
    };
    for (const auto& k : cases)
        EXPECT_EQ(app::fileToOpen(k.arguments), k.expected) << k.arguments.join(' ').toStdString();
}

TEST_F(Drops, AFileThatCannotBeProbedGetsTheDurationAlert)
{
    const QString path = app.home.path() + "/notes.mp4";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("these are notes, not a video");
    file.close();
    EXPECT_TRUE(drop(files({path}).get()));
    ASSERT_EQ(app.dialogs.alerts.size(), 1);
    EXPECT_EQ(app.dialogs.alerts[0].message, "Error");
    EXPECT_EQ(app.dialogs.alerts[0].informativeText,
              "Could not get duration. Video will not open for edition.");
    EXPECT_FALSE(c.obj_Video);
    EXPECT_EQ(app.window->windowTitle(), "Oldreel");
}

TEST_F(Drops, EverythingElseIsRefusedWhileDragged)
{
    const QString video = clip("a.mp4");
    const QString other = clip("b.avi");
    const QString text = app.home.path() + "/readme.txt";
    QFile(text).open(QIODevice::WriteOnly);
    const QString folder = app.home.path() + "/folder.mov";
    QDir().mkpath(folder);

    EXPECT_FALSE(drop(files({text}).get()));
    EXPECT_FALSE(drop(files({video, other}).get()));
    EXPECT_FALSE(drop(files({folder}).get()));
    EXPECT_FALSE(drop(files({app.home.path() + "/missing.mov"}).get()));
    QMimeData words;
    words.setText(video);
    EXPECT_FALSE(drop(&words));
    EXPECT_FALSE(c.obj_Video);

    // While an export runs nothing can be dropped, not even a video.
    c.m_b_Saving = 1;
    EXPECT_FALSE(drop(files({video}).get()));
    EXPECT_FALSE(c.obj_Video);
    EXPECT_TRUE(app.dialogs.alerts.isEmpty());
}

TEST_F(Drops, TheSpaceEstimateCoversARealExportsWorkingFiles)
{
    EXPECT_TRUE(drop(files({clip("clip.mov")}).get()));
    ASSERT_TRUE(acceptance::waitFor([&] { return !c.obj_Video->imgVideo().isNull(); }, 10));
    // Grain makes the frames with the look far larger than the extracted ones.
    c.obj_Video->setB_Noise(true);
    const NodeImageInformation& video = *c.obj_Video;
    const qint64 estimate =
        exporting::estimatedWorkingBytes({.previewFrame = video.imgVideo(),
                                          .look = video,
                                          .durationSeconds = video.i_Duration_In_Seconds(),
                                          .fps = video.f_FPS()});
    ASSERT_GT(estimate, 0);

    const QString out = app.home.path() + "/out";
    QDir().mkpath(out);
    const ScriptedDialogs::Alert alert = acceptance::saveThroughMenu(app, out);
    ASSERT_EQ(alert.message, "Success") << alert.informativeText.toStdString();
    qint64 used = 0;
    for (QDirIterator it(c.s_Output_Folder, QDir::Files); it.hasNext();)
        used += QFileInfo(it.next()).size();
    EXPECT_GT(used, 0);
    EXPECT_GE(estimate, used);
    EXPECT_LE(estimate, 4 * used) << used; // an estimate, not a refusal of every export
}

namespace {

// Runs an alert of the application's own dialogs and presses `key` on it
// (or its close box when `key` is 0); returns the answer.
int answerAlert(const QStringList& buttons, int key)
{
    QtDialogs dialogs;
    QTimer press;
    press.setInterval(10);
    int ticksSincePress = -1;
    QObject::connect(&press, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible())
            return;
        if (ticksSincePress < 0) {
            ticksSincePress = 0;
            if (key == 0)
                box->close();
            else
                QTest::keyClick(box, Qt::Key(key));
        } else if (++ticksSincePress == 100) {
            // The key did nothing: the first button ends the alert, instead of a hang.
            box->buttons().first()->click();
        }
    });
    press.start();
    return dialogs.runAlert(QStringLiteral("Success"), QStringLiteral("Video was converted."),
                            buttons);
}

} // namespace

TEST(Alerts, EscapeAndTheCloseBoxAnswerCloseAndReturnTheFirstButton)
{
    const QStringList success{"Open Output Folder", "Close"};
    EXPECT_EQ(answerAlert(success, Qt::Key_Escape), 1);
    EXPECT_EQ(answerAlert(success, 0), 1);
    EXPECT_EQ(answerAlert(success, Qt::Key_Return), 0);
    EXPECT_EQ(answerAlert({"Close"}, Qt::Key_Escape), 0);
    EXPECT_EQ(answerAlert({"Close"}, Qt::Key_Return), 0);
}
