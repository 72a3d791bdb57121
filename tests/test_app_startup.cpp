#include "platform/Log.h"
#include "support/TestApp.h"
#include "views/DoubleSlider.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

void touch(const QString& path, const QByteArray& content = "x")
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(content);
}

// Every path under `folder` (links not followed) with its size or link target.
QStringList tree(const QString& folder)
{
    QStringList entries;
    for (QDirIterator it(folder,
                         QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QFileInfo info(it.next());
        entries << info.filePath() + " " +
                       (info.isSymLink() ? info.symLinkTarget() : QString::number(info.size()));
    }
    entries.sort();
    return entries;
}

QList<QWidget*> effectControls(AppDelegate& c)
{
    return {c.checkChrome,
            c.checkInstant,
            c.checkProgress,
            c.checkSepia,
            c.sliderBrightness,
            c.sliderContrast,
            c.checkGamma,
            c.sliderGamma,
            c.checkExposure,
            c.sliderExposure,
            c.sliderSaturation,
            c.checkNoise,
            c.sliderNoise,
            c.checkVignette,
            c.sliderVignette,
            c.sliderRedBalance,
            c.sliderGreenBalance,
            c.sliderBlueBalance,
            c.checkLight,
            c.sliderLight,
            control<QCheckBox>(c, "checkWeave"),
            control<DoubleSlider>(c, "sliderWeave"),
            control<QCheckBox>(c, "checkFlicker"),
            control<DoubleSlider>(c, "sliderFlicker"),
            control<QComboBox>(c, "comboCadence"),
            control<QComboBox>(c, "comboGate"),
            control<QCheckBox>(c, "checkHalation"),
            control<DoubleSlider>(c, "sliderHalation"),
            control<DoubleSlider>(c, "sliderHalationRadius"),
            control<QComboBox>(c, "comboGrainSize"),
            control<QCheckBox>(c, "checkOldSound"),
            control<DoubleSlider>(c, "sliderOldSound"),
            c.btnStock,
            control<QPushButton>(c, "btnStockNone"),
            control<DoubleSlider>(c, "sliderStock"),
            c.btnReset};
}

} // namespace

TEST(StartUp, FreshHomeCreatesBothFoldersAndDisablesTheControls)
{
    TestApp app;
    AppDelegate& c = *app.controller;
    EXPECT_FALSE(app.exitStatus.has_value());
    EXPECT_EQ(c.s_Output_Folder, app.home.documents() + "/Oldreel");
    EXPECT_EQ(c.s_Thumbnails_Folder, app.home.documents() + "/OldreelThumbnails");
    // Each marked as Oldreel's own, so later starts may empty it.
    EXPECT_TRUE(QFileInfo(c.s_Output_Folder + "/.oldreel-working-folder").isFile());
    EXPECT_TRUE(QFileInfo(c.s_Thumbnails_Folder + "/.oldreel-working-folder").isFile());
    EXPECT_EQ(app.window->windowTitle(), "Oldreel");
    EXPECT_TRUE(app.window->isVisible());
    for (QWidget* control : effectControls(c)) {
        ASSERT_NE(control, nullptr);
        EXPECT_FALSE(control->isEnabled()) << control->objectName().toStdString();
    }
    EXPECT_EQ(c.array_Presets.size(), 42);
    EXPECT_FALSE(c.obj_Video);
    EXPECT_EQ(c.f_Cut_Percent_Menor, 0.0f);
    EXPECT_EQ(c.f_Cut_Percent_Maior, 0.0f);
    EXPECT_EQ(c.m_b_Saving, 0);
    EXPECT_EQ(c.m_b_Cancel_Saving, 0);
    EXPECT_TRUE(c.arrayImages.isEmpty());
    EXPECT_FALSE(c.sffmpegPath.isEmpty());
    EXPECT_TRUE(app.dialogs.alerts.isEmpty());
}

TEST(StartUp, OnlyWorkingFoldersOfOursAreEmptiedAnyOtherIsLeftWithAnAlert)
{
    const QString mark = ".oldreel-working-folder";
    const QString link = "\"%1/Oldreel\" is a link to another place, not a folder Oldreel made.";
    const QString foreign = "The folder \"%1/%2\" holds files that Oldreel did not write.";
    const struct
    {
        const char* what;
        QStringList out, thumbs; // files made in each: "x/" a folder, "@x" a link to the user's
        QString alert; // its first sentence (%1 the documents folder); empty: both are emptied
    } cases[] = {
        {"marked", {mark, ".hidden", "sub/deeper/frame.jpg", "@link"}, {mark, "a.mov.bmp"}, ""},
        {"from before the marker: only Oldreel's own names",
         {"audio.wav", "output.avi", "outputnoaudio.avi", "output.mp4", "output_00000001.jpg",
          "w_output_00000001.jpg"},
         {"a.mov.bmp", ".b.mp4.bmp"},
         ""},
        {"a link to a folder of the user's", {"@"}, {}, link},
        {"a folder of the user's", {"audio.wav", "notes.txt"}, {}, foreign.arg("%1", "Oldreel")},
        {"an own name that is a folder", {"output.mp4/"}, {}, foreign.arg("%1", "Oldreel")},
        {"frames named by a shorter pattern", {"output_001.jpg"}, {}, foreign.arg("%1", "Oldreel")},
        {"a foreign thumbnails folder: neither is emptied",
         {mark, "audio.wav"},
         {"a.mov.bmp", "photo.jpg"},
         foreign.arg("%1", "OldreelThumbnails")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TestApp app(false);
        const QString keep = app.home.path() + "/keep";
        ASSERT_TRUE(QDir().mkpath(keep) && QDir().mkpath(app.home.documents()));
        touch(keep + "/precious.txt");
        for (const auto& [folder, names] : {std::pair{QString("/Oldreel"), c.out},
                                            std::pair{QString("/OldreelThumbnails"), c.thumbs}}) {
            const QString path = app.home.documents() + folder;
            ASSERT_TRUE(names == QStringList{"@"} ? QFile::link(keep, path) : QDir().mkpath(path));
            for (const QString& name : names) {
                // "x/" ends up a folder by the mkpath alone.
                const QString file = path + "/" + name.mid(name.startsWith('@') ? 1 : 0);
                if (name == "@" || !QDir().mkpath(QFileInfo(file).path()) || name.endsWith('/'))
                    continue;
                if (name.startsWith('@'))
                    ASSERT_TRUE(QFile::link(keep, file));
                else
                    touch(file);
            }
        }
        const QStringList before = tree(app.home.path());

        app.launch();

        EXPECT_EQ(tree(keep).size(), 1);
        if (c.alert.isEmpty()) {
            EXPECT_TRUE(app.dialogs.alerts.isEmpty());
            for (const char* folder : {"/Oldreel", "/OldreelThumbnails"})
                EXPECT_EQ(QDir(app.home.documents() + folder)
                              .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                          QStringList{mark});
            continue;
        }
        ASSERT_EQ(app.dialogs.alerts.size(), 1);
        EXPECT_EQ(app.dialogs.alerts[0].informativeText,
                  c.alert.arg(app.home.documents()) +
                      " Oldreel empties its working folders when it starts, so it leaves this "
                      "one as it is. Please move it elsewhere or rename it. Application will "
                      "exit.");
        EXPECT_EQ(app.exitStatus, 0);
        EXPECT_EQ(tree(app.home.path()), before);
    }
}

TEST(StartUp, AFileThatCannotBeRemovedIsLoggedAndStartUpGoesOn)
{
    TestApp app(false);
    const QString out = app.home.documents() + "/Oldreel";
    ASSERT_TRUE(QDir().mkpath(out));
    touch(out + "/.oldreel-working-folder");
    touch(out + "/stuck");
    touch(out + "/loose");
    // Root may delete anything; an immutable file is the one thing it cannot.
    if (QProcess::execute("chattr", {"+i", out + "/stuck"}) != 0)
        GTEST_SKIP() << "no immutable files on this file system";
    QStringList lines;
    platform::setLogObserver([&](const QString& line) { lines << line; });
    app.launch();
    platform::setLogObserver({});
    QProcess::execute("chattr", {"-i", out + "/stuck"});

    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].startsWith("oops: ")) << lines[0].toStdString();
    EXPECT_FALSE(QFile::exists(out + "/loose"));
    EXPECT_FALSE(app.exitStatus.has_value());
    EXPECT_EQ(app.controller->array_Presets.size(), 42);
}

TEST(StartUp, DocumentsFolderTakenByAFileIsFatal)
{
    TestApp app(false);
    touch(app.home.documents());
    app.launch();
    ASSERT_EQ(app.dialogs.alerts.size(), 1);
    EXPECT_EQ(app.dialogs.alerts[0].message, "Error");
    EXPECT_EQ(app.dialogs.alerts[0].informativeText, "Error #0008. Application will exit.");
    EXPECT_EQ(app.dialogs.alerts[0].buttons, QStringList{"Close"});
    ASSERT_TRUE(app.exitStatus.has_value());
    EXPECT_EQ(*app.exitStatus, 0);
}

TEST(StartUp, WorkingFolderPathHeldByAPlainFileCountsAsPresent)
{
    TestApp app(false);
    ASSERT_TRUE(QDir().mkpath(app.home.documents()));
    touch(app.home.documents() + "/Oldreel", "user data");
    app.launch();
    EXPECT_TRUE(app.dialogs.alerts.isEmpty());
    EXPECT_FALSE(app.exitStatus.has_value());
    QFile file(app.home.documents() + "/Oldreel");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "user data");
}

TEST(Window, ResizeKeepsEachAxisAtLeast800By600)
{
    EXPECT_EQ(AppDelegate::windowWillResize({700, 900}), QSizeF(800, 900));
    EXPECT_EQ(AppDelegate::windowWillResize({1000, 500}), QSizeF(1000, 600));
    EXPECT_EQ(AppDelegate::windowWillResize({1200, 700}), QSizeF(1200, 700));
    EXPECT_TRUE(AppDelegate::applicationShouldTerminateAfterLastWindowClosed());

    TestApp app;
    app.window->resize(700, 900);
    EXPECT_EQ(app.window->size(), QSize(800, 900));
    app.window->resize(1000, 500);
    EXPECT_EQ(app.window->size(), QSize(1000, 600));
}

TEST(Window, CloseAndQuitEndTheProcessWithStatusZero)
{
    {
        TestApp app;
        app.window->close();
        ASSERT_TRUE(app.exitStatus.has_value());
        EXPECT_EQ(*app.exitStatus, 0);
    }
    {
        TestApp app;
        app.window->ui.actionQuit->trigger();
        ASSERT_TRUE(app.exitStatus.has_value());
        EXPECT_EQ(*app.exitStatus, 0);
    }
}

class UrlRecorder : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

TEST(Window, HelpCommandsOpenFourDistinctPages)
{
    TestApp app;
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler("https", &recorder, "open");
    app.window->ui.actionAppHomePage->trigger();
    app.window->ui.actionCompanyHomePage->trigger();
    app.window->ui.actionPrivacyPolicy->trigger();
    app.window->ui.actionSupportTicket->trigger();
    QDesktopServices::unsetUrlHandler("https");
    ASSERT_EQ(recorder.urls.size(), 4);
    for (const QUrl& url : recorder.urls)
        EXPECT_EQ(url.host(), "oldreel.example");
    EXPECT_EQ(QSet<QUrl>(recorder.urls.begin(), recorder.urls.end()).size(), 4);
    EXPECT_FALSE(app.exitStatus.has_value());
}

TEST(Window, AboutGivesTheVersionAndAPageWithoutABrowserGivesItsAddress)
{
    TestApp app;
    app.window->ui.actionAbout->trigger();
    ASSERT_EQ(app.dialogs.alerts.size(), 1);
    EXPECT_TRUE(QRegularExpression("^Oldreel \\d+(\\.\\d+)+$")
                    .match(app.dialogs.alerts[0].message)
                    .hasMatch())
        << app.dialogs.alerts[0].message.toStdString();

    // A handler without the slot named fails to open, as a missing browser does.
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler("https", &recorder, "noSuchSlot");
    app.window->ui.actionSupportTicket->trigger();
    QDesktopServices::unsetUrlHandler("https");
    ASSERT_EQ(app.dialogs.alerts.size(), 2);
    EXPECT_EQ(app.dialogs.alerts[1].message, "Error");
    EXPECT_TRUE(app.dialogs.alerts[1].informativeText.contains("https://oldreel.example/support"));
}

TEST(Window, TheOpenPanelStartsAtTheLastVideoElseVideosElseHome)
{
    TestApp app;
    AppDelegate& c = *app.controller;
    const QString home = app.home.path();
    const QString videos = QStandardPaths::writableLocation(QStandardPaths::MoviesLocation);
    ASSERT_TRUE(videos.startsWith(home));
    EXPECT_EQ(c.Open_Panel_Folder(), QDir::homePath());
    ASSERT_TRUE(QDir().mkpath(videos));
    EXPECT_EQ(c.Open_Panel_Folder(), videos);
    ASSERT_TRUE(QDir().mkpath(home + "/films"));
    c.obj_Video = std::make_shared<NodeImageInformation>();
    c.obj_Video->setSPath(home + "/films/reel.mov");
    EXPECT_EQ(c.Open_Panel_Folder(), home + "/films");
    EXPECT_NE(c.Open_Panel_Folder(), QDir::currentPath());
}

TEST(Window, MenusCarryTheirShortcuts)
{
    MainWindow window;
    EXPECT_EQ(window.ui.actionOpen->shortcut(), QKeySequence("Ctrl+O"));
    EXPECT_EQ(window.ui.actionSave->shortcut(), QKeySequence("Ctrl+S"));
    EXPECT_EQ(window.ui.actionQuit->shortcut(), QKeySequence("Ctrl+Q"));
    EXPECT_GE(window.minimumSize().width(), 800);
    EXPECT_GE(window.minimumSize().height(), 600);
}

TEST(Window, SlidersHoldEveryDefaultAndPresetValue)
{
    MainWindow window;
    const struct
    {
        DoubleSlider* slider;
        std::initializer_list<double> values;
    } cases[] = {
        {window.ui.sliderBrightness, {0}},
        {window.ui.sliderContrast, {100}},
        {window.ui.sliderSaturation, {0, 100, 200}},
        {window.ui.sliderGamma, {75}},
        {window.ui.sliderExposure, {50}},
        {window.ui.sliderRedBalance, {100}},
        {window.ui.sliderGreenBalance, {100}},
        {window.ui.sliderBlueBalance, {100}},
        {window.ui.sliderNoise, {50}},
        {window.ui.sliderVignette, {10}},
        {window.ui.sliderLight, {50}},
        {window.ui.sliderPos, {0, 10, 100}},
    };
    for (const auto& entry : cases) {
        for (double value : entry.values) {
            entry.slider->setDoubleValue(value);
            EXPECT_EQ(entry.slider->doubleValue(), value)
                << entry.slider->objectName().toStdString();
        }
    }
}

#include "test_app_startup.moc"
