// The built oldreel-render run as a user runs it, on clips made at test time,
// its results checked by ffprobe and by their pixels.
#include "effects/PresetTable.h"
#include "media/FrameReader.h"
#include "media/VideoFacts.h"
#include "pictures/VintageImage.h"
#include "projector/Cadence.h"
#include "render/RenderOptions.h"
#include "support/Acceptance.h"
#include "support/QtPrinters.h"
#include "support/StreamSupport.h"
#include "support/TestApp.h"
#include "support/ViewsSupport.h"
#include "views/DoubleSlider.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct ProgramRun
{
    int status = -1; // the exit status, or -signal when a signal ended it
    QString out;
    QString err;
};

ProgramRun runRender(const QStringList& arguments, const QString& folder = QString())
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.start(QStringLiteral(OLDREEL_RENDER_PROGRAM), arguments);
    process.waitForFinished(300000);
    ProgramRun run;
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

// Names, sizes and change times of everything in a folder.
QStringList snapshot(const QString& folder)
{
    QStringList entries;
    for (const QFileInfo& info : QDir(folder).entryInfoList(
             QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name))
        entries << QString("%1 %2 %3")
                       .arg(info.fileName())
                       .arg(info.size())
                       .arg(info.lastModified().toMSecsSinceEpoch());
    return entries;
}

class RenderProgram : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        dir_ = new QTemporaryDir;
        // 29.97 fps, 4:3 pixels, sound 0.5 s longer than the picture.
        ASSERT_TRUE(
            streamsupport::makeUserClip(clip("ntsc.mov"), 2.0, 160, 120, "30000/1001", "4:3", 2.5));
        ASSERT_TRUE(
            streamsupport::makeUserClip(clip("plain.mp4"), 1.0, 160, 120, "25", "1:1", 1.0));
        ASSERT_TRUE(
            streamsupport::makeUserClip(clip("long.mp4"), 12.0, 320, 240, "25", "1:1", 12.0));
        ASSERT_TRUE(streamsupport::makeUserClip(clip("reel.mp4"), 2.0, 320, 240, "30", "1:1", 0));
        QProcess audio;
        audio.setStandardInputFile(QProcess::nullDevice());
        audio.start(testsupport::ffmpeg(), {"-y", "-loglevel", "error", "-f", "lavfi", "-i",
                                            "sine=duration=1", "-c:a", "aac", clip("song.m4a")});
        audio.waitForFinished(60000);
        QFile text(clip("notes.mov"));
        ASSERT_TRUE(text.open(QIODevice::WriteOnly));
        text.write("these are not moving pictures\n");
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }
    static QString clip(const QString& name) { return dir_->path() + "/" + name; }
    // A copy of a clip in this test's own folder.
    QString copied(const QString& name, const QString& as = QString())
    {
        const QString path = work_.path() + "/" + (as.isEmpty() ? name : as);
        EXPECT_TRUE(QFile::copy(clip(name), path));
        return path;
    }

    static inline QTemporaryDir* dir_ = nullptr;
    QTemporaryDir work_;
};

TEST_F(RenderProgram, ACutRenderWithAPresetKeepsTheRangeRateShapeSoundAndLook)
{
    const QString source = copied("ntsc.mov");
    // The output folder is made, with the one above it.
    const QString out = work_.path() + "/out/cut";
    const QStringList arguments{"-p",   "27",         "--set", "grain=off", "--from", "25%",
                                "--to", "00:00:01.5", "-o",    out + "/",   source};
    const ProgramRun run = runRender(arguments);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    const QString result = out + "/ntsc.mp4";
    // The result's path alone on standard output; the progress on standard error.
    EXPECT_EQ(run.out, result + "\n");
    EXPECT_TRUE(run.err.startsWith(QString("[1/1] %1 -> %2\n").arg(source, result)))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("\n[1/1] done " + result + ": 26 frames in "))
        << run.err.toStdString();
    EXPECT_EQ(QDir(out).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"ntsc.mp4"});

    // 25% of the 2.5 s file is 0.625 s: frames 19 (0.634 s) to 44 (1.468 s).
    EXPECT_EQ(testsupport::probe(result, "v:0", "stream=nb_frames"), "26");
    EXPECT_EQ(testsupport::probe(result, "v:0", "stream=r_frame_rate"), "30000/1001");
    const auto facts = media::probeVideoFacts(testsupport::ffmpeg(), source);
    ASSERT_TRUE(facts);
    EXPECT_EQ(testsupport::probe(result, "v:0", "stream=width,height"),
              QString("%1\n%2").arg(facts->displayWidth()).arg(facts->displayHeight()));
    EXPECT_NEAR(double(facts->displayWidth()) / facts->displayHeight(), 160.0 * 4 / 3 / 120, 0.02);
    EXPECT_EQ(testsupport::probe(result, "a:0", "stream=codec_name"), "aac");
    EXPECT_NEAR(testsupport::probe(result, "a:0", "stream=duration").toDouble(), 1.5 - 0.625, 0.05);
    EXPECT_NEAR(testsupport::probe(result, "v:0", "stream=duration").toDouble(),
                26 * 1001.0 / 30000, 0.01);

    // Frame 10 of the result is the chain's picture of the source's frame 29.
    render::Options options;
    options.preset = 27;
    options.settings = {"grain=off"};
    const effects::Look look = render::lookFromOptions(options);
    media::FrameReader reader({.transcoder = testsupport::ffmpeg(),
                               .videoPath = source,
                               .width = facts->displayWidth(),
                               .height = facts->displayHeight(),
                               .startSeconds = 28.5 * 1001 / 30000,
                               .frameCount = 1});
    ASSERT_TRUE(reader.start());
    imagefilter::Bitmap frame;
    ASSERT_TRUE(reader.next(frame));
    const QString want = work_.path() + "/want.png", got = work_.path() + "/got.png";
    ASSERT_TRUE(pictures::vintageImage(frame, look).save(want));
    ASSERT_TRUE(streamsupport::extractFrame(result, 10, facts->displayWidth(),
                                            facts->displayHeight(), got));
    EXPECT_GE(streamsupport::psnr(got, want), 35.0);
    // ...and not the picture of its neighbour.
    media::FrameReader neighbour({.transcoder = testsupport::ffmpeg(),
                                  .videoPath = source,
                                  .width = facts->displayWidth(),
                                  .height = facts->displayHeight(),
                                  .startSeconds = 29.5 * 1001 / 30000,
                                  .frameCount = 1});
    ASSERT_TRUE(neighbour.start());
    ASSERT_TRUE(neighbour.next(frame));
    ASSERT_TRUE(pictures::vintageImage(frame, look).save(want));
    EXPECT_LT(streamsupport::psnr(got, want), 35.0);
}

// The PSNR in dB of each decoded frame of `video` against the one before it
// (from frame 1 on), by ffmpeg's psnr filter; equal frames ("inf") give 100.
QList<double> psnrToPrevious(const QString& video, const QString& statsFile)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(testsupport::ffmpeg(),
                  {"-v", "error", "-i", video, "-i", video, "-lavfi",
                   "[0:v]trim=start_frame=1,setpts=PTS-STARTPTS[x];[1:v]setpts=PTS-STARTPTS[y];"
                   "[x][y]psnr=shortest=1:stats_file=" +
                       statsFile,
                   "-f", "null", "-"});
    process.waitForFinished(120000);
    QFile stats(statsFile);
    QList<double> values;
    if (!stats.open(QIODevice::ReadOnly))
        return values;
    static const QRegularExpression average("psnr_avg:(inf|[0-9.]+)");
    for (const QString& line : QString::fromUtf8(stats.readAll()).split('\n'))
        if (const QRegularExpressionMatch m = average.match(line); m.hasMatch())
            values << (m.captured(1) == "inf" ? 100.0 : m.captured(1).toDouble());
    return values;
}

// Grain, weave, flicker, halation and a gate: every random and moving effect.
const QStringList kProjectorLook{"--set",      "grain=200", "--set",       "weave=60", "--set",
                                 "flicker=60", "--set",     "halation=70", "--set",    "gate=4:3"};

TEST_F(RenderProgram, TheProjectorsEffectsGiveEachFrameOneLookAtEveryRunAndStart)
{
    const QString source = copied("reel.mp4");
    QStringList results;
    for (const QStringList& more : {QStringList{}, QStringList{}, QStringList{"--from", "0.5"}}) {
        const QString out = work_.path() + "/out" + QString::number(results.size());
        ASSERT_TRUE(QDir().mkpath(out));
        ASSERT_EQ(
            runRender(QStringList{"-q", "-o", out} + kProjectorLook + more + QStringList{source})
                .status,
            0);
        results << out + "/reel.mp4";
    }
    // Two runs write the same file, byte for byte.
    EXPECT_EQ(acceptance::checksum(results[0]), acceptance::checksum(results[1]));

    // Frame k of a render from 0.5 s is frame 15 + k of the whole render:
    // each frame's grain, weave and flicker follow its place in the source.
    // Two encodes of one grainy picture differ by some 38 dB; numbered from
    // the range's start instead, by 17 to 19 dB.
    EXPECT_EQ(testsupport::probe(results[2], "v:0", "stream=nb_frames"), "45");
    const QString part = work_.path() + "/part.png", whole = work_.path() + "/whole.png";
    for (const int k : {0, 1, 29}) {
        ASSERT_TRUE(streamsupport::extractFrame(results[2], k, 320, 240, part));
        ASSERT_TRUE(streamsupport::extractFrame(results[0], 15 + k, 320, 240, whole));
        EXPECT_GE(streamsupport::psnr(part, whole), 34.0) << k;
    }
}

TEST_F(RenderProgram, ALookFileGoesFromTheWindowToTheRendererAndBackUnchanged)
{
    auto bytes = [](const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
    };
    // The window's controls set what kProjectorLook and two more --sets say.
    TestApp app;
    AppDelegate& c = *app.controller;
    viewstest::openByHand(app, 10, 25.0f, viewstest::quadrantFrame(64, 48));
    for (QCheckBox* check :
         {c.checkChrome.data(), c.checkSepia.data(), c.checkNoise.data(),
          control<QCheckBox>(c, "checkWeave"), control<QCheckBox>(c, "checkFlicker"),
          control<QCheckBox>(c, "checkHalation")})
        check->click();
    for (const auto& [slider, value] : {std::pair{c.sliderNoise.data(), 200},
                                        {control<DoubleSlider>(c, "sliderWeave"), 60},
                                        {control<DoubleSlider>(c, "sliderFlicker"), 60},
                                        {control<DoubleSlider>(c, "sliderHalation"), 70}})
        slider->setValue(int(std::lround(value * slider->scale())));
    control<QComboBox>(c, "comboGate")->setCurrentIndex(0);
    QTest::keyClick(control<QComboBox>(c, "comboGate"), Qt::Key_Down); // 4:3
    const QStringList sets =
        kProjectorLook + QStringList{"--set", "chrome=on", "--set", "sepia=off"};

    const QString fromWindow = work_.path() + "/window.oldreel-look.json";
    app.dialogs.savePanelAnswers << fromWindow;
    app.window->ui.actionExportLook->trigger();
    EXPECT_EQ(app.dialogs.savePanelSuggestions,
              QStringList{app.home.path() + "/clip.oldreel-look.json"});
    const QString fromSets = work_.path() + "/sets.json", again = work_.path() + "/again.json";
    EXPECT_EQ(runRender(sets + QStringList{"--save-look", fromSets}).status, 0);
    EXPECT_EQ(runRender({"--look", fromWindow, "--save-look", again}).status, 0);
    EXPECT_EQ(bytes(fromWindow), bytes(fromSets));
    EXPECT_EQ(bytes(again), bytes(fromWindow));

    // Rendered with the window's file or with the --sets: the same video.
    const QString source = copied("plain.mp4");
    for (const char* out : {"/byFile", "/bySets"})
        ASSERT_TRUE(QDir().mkpath(work_.path() + out));
    ASSERT_EQ(
        runRender({"-q", "--look", fromWindow, "-o", work_.path() + "/byFile", source}).status, 0);
    ASSERT_EQ(
        runRender(QStringList{"-q", "-o", work_.path() + "/bySets"} + sets + QStringList{source})
            .status,
        0);
    EXPECT_EQ(acceptance::checksum(work_.path() + "/byFile/plain.mp4"),
              acceptance::checksum(work_.path() + "/bySets/plain.mp4"));

    // The renderer's file imported in the window: its look, as one undo step.
    const QString preset = work_.path() + "/p23.json", bad = work_.path() + "/bad.json";
    ASSERT_EQ(runRender({"-p", "23", "--set", "seed=9", "--save-look", preset}).status, 0);
    const int steps = c.undoLook->index();
    app.dialogs.filePanelAnswers << preset;
    app.window->ui.actionImportLook->trigger();
    effects::Look want = effects::presetLooks()[22];
    want.setU_Seed(9);
    EXPECT_TRUE(static_cast<const effects::Look&>(*c.obj_Video) == want);
    EXPECT_TRUE(c.checkVignette->isChecked() && !c.checkChrome->isChecked());
    EXPECT_EQ(c.undoLook->index(), steps + 1);
    // A bad file is named with its line and key, and changes nothing.
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\"oldreel-look\": 1,\n  \"gamma\": 400\n}\n");
    file.close();
    app.dialogs.filePanelAnswers << bad;
    app.window->ui.actionImportLook->trigger();
    ASSERT_EQ(app.dialogs.alerts.size(), 1);
    EXPECT_EQ(app.dialogs.alerts[0].informativeText,
              "The look was not imported.\n" + bad +
                  ":2: gamma: \"400\" is not a number from 25 to 300");
    EXPECT_TRUE(static_cast<const effects::Look&>(*c.obj_Video) == want);
    EXPECT_EQ(c.undoLook->index(), steps + 1);
    c.undoLook->undo();
    EXPECT_TRUE(c.checkChrome->isChecked());
}

TEST_F(RenderProgram, ACrankedCadenceHoldsEachStepsFrameAndKeepsTheLength)
{
    const QString source = copied("reel.mp4");
    const QString out = work_.path() + "/out";
    ASSERT_TRUE(QDir().mkpath(out));
    ASSERT_EQ(runRender(QStringList{"-q", "-o", out} + kProjectorLook +
                        QStringList{"--set", "cadence=18", source})
                  .status,
              0);
    const QString result = out + "/reel.mp4";
    EXPECT_EQ(testsupport::probe(result, "v:0", "stream=nb_frames"), "60");
    EXPECT_NEAR(testsupport::probe(result, "v:0", "stream=duration").toDouble(), 2.0, 0.01);
    // 30 frames a second cranked at 18: steps of two frames and of one, in
    // turn, as projector::heldFrame counts them. A held frame is its step's
    // first picture, grain and all; each step shows a new one. (The encoder
    // codes a held frame with a small residue, not as an exact copy, so the
    // decoded frames are compared by PSNR: about 60 dB within a step, about
    // 22 between steps or with a held frame's grain drawn anew.)
    const QList<double> psnr = psnrToPrevious(result, work_.path() + "/psnr.txt");
    ASSERT_EQ(psnr.size(), 59);
    int steps = 0;
    for (int n = 1; n < 60; ++n) {
        const bool held = projector::heldFrame(n, 30.0, 18) != n;
        steps += held ? 0 : 1;
        if (held)
            EXPECT_GE(psnr[n - 1], 50.0) << n;
        else
            EXPECT_LT(psnr[n - 1], 35.0) << n;
    }
    EXPECT_EQ(steps + 1, 36); // 18 pictures a second for 2 s
}

TEST_F(RenderProgram, ManyVideosOneFailingTheOthersStillRender)
{
    const QString a = copied("plain.mp4", "a.mp4"), broken = copied("notes.mov"),
                  b = copied("ntsc.mov", "b.mov");
    // The unfinished result of a run that died goes; a running one's (this
    // test's pid), a link and look-alike names stay.
    QProcess gone;
    gone.start("true");
    ASSERT_TRUE(gone.waitForStarted());
    const QString dead = QString::number(gone.processId()), live = QString::number(::getpid());
    gone.waitForFinished();
    const QString deadPart = ".a.mp4." + dead + "-0.part";
    const QStringList kept{".a.mp4." + live + "-0.part", "a.mp4." + dead + "-0.part",
                           ".a.mp4." + dead + "-0.part~", ".a.mov." + dead + "-0.part",
                           ".a.mp4." + dead + ".part"};
    for (const QString& name : kept + QStringList{deadPart}) {
        QFile file(work_.path() + "/" + name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QString link = work_.path() + "/.b.mp4." + dead + "-1.part";
    ASSERT_TRUE(QFile::link(broken, link));
    const ProgramRun run = runRender({"-q", a, broken, b});
    EXPECT_FALSE(QFile::exists(work_.path() + "/" + deadPart));
    for (const QString& name : kept)
        EXPECT_TRUE(QFile::exists(work_.path() + "/" + name)) << name.toStdString();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "oldreel-render: " + broken + ": not a video ffmpeg can read\n");
    // a.mp4 is the first video itself, so its result takes the next free name.
    EXPECT_EQ(testsupport::probe(work_.path() + "/a (1).mp4", "v:0", "stream=nb_frames"), "25");
    EXPECT_EQ(testsupport::probe(work_.path() + "/b.mp4", "v:0", "stream=nb_frames"),
              testsupport::probe(b, "v:0", "stream=nb_frames"));
    // The whole file keeps all of its sound, longer than the picture as it was.
    EXPECT_NEAR(testsupport::probe(work_.path() + "/b.mp4", "a:0", "stream=duration").toDouble(),
                2.5, 0.05);
    EXPECT_FALSE(QFile::exists(work_.path() + "/notes.mp4"));
}

TEST_F(RenderProgram, AnExistingResultIsKeptUnlessOverwriteIsAsked)
{
    const QString source = copied("plain.mp4", "clip.mov");
    QFile mine(work_.path() + "/clip.mp4");
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.write("mine");
    mine.close();
    ASSERT_EQ(runRender({"-q", source}).status, 0);
    EXPECT_EQ(QFileInfo(work_.path() + "/clip.mp4").size(), 4);
    EXPECT_EQ(testsupport::probe(work_.path() + "/clip (1).mp4", "v:0", "stream=nb_frames"), "25");

    ASSERT_EQ(runRender({"-q", "--overwrite", "--to", "50%", source}).status, 0);
    EXPECT_EQ(testsupport::probe(work_.path() + "/clip.mp4", "v:0", "stream=nb_frames"), "13");

    // Beside itself, x.mp4's result is "x (1).mp4": a plain run again takes
    // "x (2).mp4", --overwrite replaces "x (1).mp4" and nothing else.
    const QString video = copied("plain.mp4", "x.mp4");
    ASSERT_EQ(runRender({"-q", video}).status, 0);
    ASSERT_EQ(runRender({"-q", video}).status, 0);
    const QByteArray second = acceptance::checksum(work_.path() + "/x (2).mp4");
    ASSERT_EQ(runRender({"-q", "--overwrite", "--to", "50%", video}).status, 0);
    EXPECT_EQ(testsupport::probe(work_.path() + "/x (1).mp4", "v:0", "stream=nb_frames"), "13");
    EXPECT_EQ(testsupport::probe(video, "v:0", "stream=nb_frames"), "25");
    EXPECT_EQ(acceptance::checksum(work_.path() + "/x (2).mp4"), second);
    EXPECT_FALSE(QFile::exists(work_.path() + "/x (3).mp4"));
}

TEST_F(RenderProgram, ABatchOnTwoJobsRunAgainSkipsWholeResultsAndRedoesTheOthers)
{
    const QStringList videos{copied("plain.mp4", "a.mp4"), copied("ntsc.mov", "b.mov"),
                             copied("notes.mov"), copied("plain.mp4", "c.mov")};
    const QString out = work_.path() + "/out";
    ASSERT_TRUE(QDir().mkpath(out));
    // The failing video makes the status 1; the others render all the same.
    const QStringList batch = QStringList{"-j", "2", "--skip-existing", "-o", out} + videos;
    ProgramRun run = runRender(batch);
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(
        run.err.contains("\noldreel-render: " + videos[2] + ": not a video ffmpeg can read\n"))
        << run.err.toStdString();
    // Standard output: the results' paths, in the order they were finished.
    QStringList results = run.out.split('\n', Qt::SkipEmptyParts);
    results.sort();
    EXPECT_EQ(results, QStringList({out + "/a.mp4", out + "/b.mp4", out + "/c.mp4"}));
    const QStringList rendered = snapshot(out);
    EXPECT_EQ(rendered.size(), 3);

    run = runRender(batch);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(snapshot(out), rendered);
    for (const int i : {0, 1, 3}) {
        EXPECT_TRUE(run.err.contains(
            QString("[%1/4] skipped %2: its result %3 is there\n")
                .arg(i + 1)
                .arg(videos[i], out + "/" + QFileInfo(videos[i]).baseName() + ".mp4")))
            << run.err.toStdString();
        EXPECT_FALSE(run.err.contains(videos[i] + " -> ")) << "told as started";
    }
    EXPECT_EQ(run.out.count('\n'), 3);

    // A result cut short is rendered again in its place, and said so; one
    // that is gone is rendered; a whole one stays as it was.
    QFile cut(out + "/b.mp4");
    ASSERT_TRUE(cut.open(QIODevice::ReadWrite));
    ASSERT_TRUE(cut.resize(cut.size() / 2));
    cut.close();
    ASSERT_TRUE(QFile::remove(out + "/c.mp4"));
    run = runRender(
        QStringList{"-j", "2", "--skip-existing", "-o", out, videos[0], videos[1], videos[3]});
    EXPECT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("oldreel-render: " + videos[1] + ": rendered again: " + out +
                                 "/b.mp4 was no whole result (the written file is cut short or "
                                 "damaged)\n"))
        << run.err.toStdString();
    EXPECT_EQ(snapshot(out).first(), rendered.first());
    EXPECT_EQ(testsupport::probe(out + "/b.mp4", "v:0", "stream=nb_frames"),
              testsupport::probe(videos[1], "v:0", "stream=nb_frames"));
    EXPECT_EQ(testsupport::probe(out + "/c.mp4", "v:0", "stream=nb_frames"), "25");
}

TEST_F(RenderProgram, AStockAtSixtyPercentMovesThePixelsByItsTable)
{
    // A tint: red lifted halfway to full, blue halved, green kept.
    QFile table(work_.path() + "/Tint.cube");
    ASSERT_TRUE(table.open(QIODevice::WriteOnly));
    table.write("LUT_3D_SIZE 2\n");
    for (int i = 0; i < 8; ++i)
        table.write(QString("%1 %2 %3\n")
                        .arg(0.5 + 0.5 * (i & 1))
                        .arg((i >> 1) & 1)
                        .arg(0.5 * (i >> 2))
                        .toUtf8());
    table.close();
    const QString source = copied("plain.mp4");
    const QStringList look{"-q", "--set", "instant=off", "--set", "sepia=off"};
    QList<QImage> frames;
    for (const QString& name : {QString("plain"), QString("stock")}) {
        const QString out = work_.path() + "/" + name;
        ASSERT_TRUE(QDir().mkpath(out));
        const QStringList stock =
            name == "stock" ? QStringList{"--set", "stock=Tint.cube", "--set", "stockstrength=60"}
                            : QStringList{};
        const ProgramRun run =
            runRender(look + stock + QStringList{"-o", out, source}, work_.path());
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        ASSERT_TRUE(streamsupport::extractFrame(out + "/plain.mp4", 10, 160, 120, out + ".png"));
        frames << QImage(out + ".png").convertToFormat(QImage::Format_RGB32);
    }
    // Means of each channel, and what the table predicts from the plain frame.
    double got[3] = {}, want[3] = {}, plain[3] = {};
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 160; ++x) {
            const QColor in = frames[0].pixelColor(x, y), out = frames[1].pixelColor(x, y);
            want[0] += in.red() + 0.6 * (127.5 + 0.5 * in.red() - in.red());
            want[1] += in.green();
            want[2] += in.blue() - 0.6 * 0.5 * in.blue();
            got[0] += out.red();
            got[1] += out.green();
            got[2] += out.blue();
            plain[0] += in.red();
            plain[2] += in.blue();
        }
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(got[c] / (160 * 120), want[c] / (160 * 120), 3.0) << c;
    // Far more than the encoder's noise: red up, blue down.
    EXPECT_GT((got[0] - plain[0]) / (160 * 120), 20.0);
    EXPECT_LT((got[2] - plain[2]) / (160 * 120), -10.0);
}

// What a script reads: the version; with --progress=json, the results' paths
// alone on standard output (one a line, for xargs) and one JSON object a line
// on standard error.
TEST_F(RenderProgram, ScriptsReadPathsOnStandardOutputAndJsonOnStandardError)
{
    const ProgramRun version = runRender({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.contains(QRegularExpression("^oldreel-render \\d+\\.\\d+\\S*\\n$")))
        << version.out.toStdString();

    const QString a = copied("plain.mp4", "a.mp4"), b = copied("plain.mp4", "b.mov");
    const ProgramRun run =
        runRender({"--progress=json", "-o", "new", "a.mp4", "b.mov"}, work_.path());
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, "new/a.mp4\nnew/b.mp4\n");
    QStringList states;
    for (const QString& line : run.err.split('\n', Qt::SkipEmptyParts)) {
        const QJsonObject object = QJsonDocument::fromJson(line.toUtf8()).object();
        ASSERT_FALSE(object.isEmpty()) << line.toStdString();
        if (object["state"].toString() != "running")
            states << object["file"].toString() + " " + object["state"].toString();
    }
    EXPECT_EQ(states, QStringList({"a.mp4 started", "a.mp4 done", "b.mov started", "b.mov done"}));
}

TEST_F(RenderProgram, EachCodecWritesATaggedMp4OfTheAskedHeight)
{
    const QString source = copied("plain.mp4"), out = work_.path() + "/out";
    ASSERT_TRUE(QDir().mkpath(out));
    const struct
    {
        QStringList options;
        const char* codec;
        const char* tag;
        const char* size;
    } rows[] = {
        {{"-p", "8"}, "h264", "avc1", "160\n120"},
        {{"-p", "8", "--codec", "hevc", "--height", "60", "--speed", "ultrafast"},
         "hevc",
         "hvc1",
         "80\n60"},
        {{"-p", "8", "--codec", "av1", "--speed", "12", "--height", "96"},
         "av1",
         "av01",
         "128\n96"},
    };
    for (const auto& row : rows) {
        const QString what = row.options.join(' ');
        const ProgramRun run =
            runRender(QStringList{"-q", "--overwrite", "-o", out} + row.options << source);
        ASSERT_EQ(run.status, 0) << what.toStdString() << run.err.toStdString();
        const QString result = out + "/plain.mp4";
        const auto entry = [&](const char* name) {
            return testsupport::probe(result, "v:0", QString("stream=") + name);
        };
        EXPECT_EQ(entry("codec_name"), row.codec) << what.toStdString();
        EXPECT_EQ(entry("codec_tag_string"), row.tag) << what.toStdString();
        EXPECT_EQ(entry("width,height"), row.size) << what.toStdString();
        // Square pixels: none stated, or 1:1.
        EXPECT_TRUE(QStringList({"N/A", "1:1"}).contains(entry("sample_aspect_ratio")))
            << what.toStdString();
        EXPECT_EQ(entry("color_range,color_space,color_transfer,color_primaries"),
                  "tv\nsmpte170m\nsmpte170m\nsmpte170m")
            << what.toStdString();
        EXPECT_EQ(entry("nb_frames"), "25") << what.toStdString();
        EXPECT_EQ(testsupport::probe(result, "a:0", "stream=codec_name"), "aac");
    }
    // A video is never enlarged: it fails with the sizes.
    const ProgramRun larger = runRender({"-q", "--height", "240", "-o", out, source});
    EXPECT_EQ(larger.status, 1);
    EXPECT_EQ(larger.err, "oldreel-render: " + source +
                              ": is 160x120: --height 240 would enlarge it (the renderer only "
                              "scales down)\n");
}

TEST_F(RenderProgram, EveryBadInputHasItsOwnMessageAndTouchesNothing)
{
    const QString source = copied("plain.mp4", "clip.mp4");
    const QString song = copied("song.m4a"), notes = copied("notes.mov");
    const QString missing = work_.path() + "/gone.mov";
    QFile file(work_.path() + "/file.txt");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const QStringList before = snapshot(work_.path());
    const QString usage = "Usage: oldreel-render [options] VIDEO...\n"
                          "Try 'oldreel-render --help' for more.\n";
    const struct
    {
        QStringList arguments;
        int status;
        QString message;
    } cases[] = {
        {{missing}, 1, missing + ": no such file"},
        {{notes}, 1, notes + ": not a video ffmpeg can read"},
        {{song}, 1, song + ": has sound but no picture"},
        {{work_.path()}, 1, work_.path() + ": not a file"},
        {{"-j", "0", source}, 2, "--jobs 0: expected a number of videos at once, 1 or more"},
        {{"--from", "50%", "--to", "0.2", source}, 1, source + ": --from must come before --to"},
        {{"--from", "00:00:05", source},
         1,
         source + ": --from lies at or past its end (00:00:01.00)"},
        {{"-p", "43", source}, 2, "--preset 43: presets are numbered 1 to 42"},
        {{"--era", "talkie", source},
         2,
         "--era talkie: eras are 1910s-hand-cranked, 1920s-silent, 1940s-newsreel, "
         "1960s-home-movie, 1970s-super-8"},
        {{"--set", "sparkle=on", source},
         2,
         "--set: unknown effect \"sparkle\" (known: chrome, "
         "instant, process, sepia, brightness, contrast, saturation, gamma, exposure, red, green, "
         "blue, grain, vignette, light, weave, flicker, halation, halationradius, soundstrength, "
         "stockstrength, cadence, gate, grainsize, seed, sound, stock)"},
        {{"--set", "gate=wide", source},
         2,
         "--set gate: \"wide\" is not one of full, 4:3, 1.37, 1.66, 1.85"},
        {{"--set", "vignette=31", source},
         2,
         "--set vignette: \"31\" is not a number from 0 to 30"},
        {{"--from", "75%", "--to", "25%", source}, 2, "--from must come before --to"},
        {{"-o", work_.path() + "/file.txt/sub", source},
         2,
         "output folder " + work_.path() + "/file.txt/sub cannot be made: " + work_.path() +
             "/file.txt is not a folder"},
        {{"-qx", source}, 2, "unknown option -x"},
        {{"-o", work_.path() + "/file.txt", source},
         2,
         "output " + work_.path() + "/file.txt is not a folder"},
        {{source, "./clip.mp4"}, 2, "clip.mp4 is named twice"},
        {{}, 2, "no video given"},
    };
    for (const auto& c : cases) {
        const ProgramRun run = runRender(c.arguments, work_.path());
        EXPECT_EQ(run.status, c.status) << c.arguments.join(' ').toStdString();
        // Beside the video's start line (plain progress), the message alone.
        EXPECT_EQ(QString(run.err).remove(QRegularExpression("^\\[1/1\\] .* -> .*\n")),
                  "oldreel-render: " + c.message + "\n" + (c.status == 2 ? usage : QString()))
            << c.arguments.join(' ').toStdString();
        EXPECT_EQ(snapshot(work_.path()), before) << c.arguments.join(' ').toStdString();
    }

    if (::geteuid() != 0) { // the superuser writes anywhere
        const QString locked = work_.path() + "/locked";
        ASSERT_TRUE(QDir().mkpath(locked));
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
        EXPECT_EQ(runRender({"-o", locked, source}).status, 2);
        EXPECT_EQ(runRender({"-o", locked + "/sub", source}).err.section('\n', 0, 0),
                  "oldreel-render: output folder " + locked + "/sub cannot be made: " + locked +
                      " cannot be written");
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}

TEST_F(RenderProgram, InterruptedHalfWayLeavesNoResultAndNoChild)
{
    // Two jobs at once are stopped alike, each with its transcoders.
    const QString second = copied("long.mp4", "second.mp4");
    for (const auto& [signal, jobs] : {std::pair{SIGINT, 1}, {SIGTERM, 1}, {SIGINT, 2}}) {
        SCOPED_TRACE(jobs);
        QTemporaryDir out;
        QProcess process;
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(QStringLiteral(OLDREEL_RENDER_PROGRAM),
                      {"-j", QString::number(jobs), "-o", out.path(), clip("long.mp4"), second});
        ASSERT_TRUE(process.waitForStarted());
        // Under way: each encoder has begun its MP4 (after its first few dozen frames).
        int parts = 0;
        for (int i = 0; i < 3000 && parts < jobs; ++i) {
            QTest::qWait(10);
            parts = 0;
            for (const QFileInfo& info : QDir(out.path()).entryInfoList(QDir::Files | QDir::Hidden))
                parts += info.fileName().endsWith(".part") && info.size() > 0 ? 1 : 0;
        }
        ASSERT_EQ(parts, jobs);
        // Their transcoders, found through the program's threads' children.
        const QList<int> children = streamsupport::childPids(process.processId());
        EXPECT_EQ(children.size(), 2 * jobs); // a decoder and an encoder each
        ::kill(pid_t(process.processId()), signal);
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitStatus(), QProcess::CrashExit);
        // Reaped by the program before it ended, not left to die on their own.
        for (const int child : children)
            EXPECT_FALSE(streamsupport::processExists(child)) << child;
        EXPECT_TRUE(QDir(out.path())
                        .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                        .isEmpty());
    }
}

// Started with SIGHUP ignored, as nohup starts it: a hang-up does not stop it.
TEST_F(RenderProgram, AHangUpIgnoredAtStartStaysIgnored)
{
    QTemporaryDir out;
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setChildProcessModifier([] { ::signal(SIGHUP, SIG_IGN); });
    process.start(QStringLiteral(OLDREEL_RENDER_PROGRAM),
                  {"-q", "-o", out.path(), clip("long.mp4")});
    ASSERT_TRUE(process.waitForStarted());
    bool underWay = false;
    for (int i = 0; i < 3000 && !underWay; ++i) {
        QTest::qWait(10);
        for (const QFileInfo& info : QDir(out.path()).entryInfoList(QDir::Files | QDir::Hidden))
            underWay = underWay || (info.fileName().endsWith(".part") && info.size() > 0);
    }
    ASSERT_TRUE(underWay);
    ::kill(pid_t(process.processId()), SIGHUP);
    ASSERT_TRUE(process.waitForFinished(120000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_EQ(testsupport::probe(out.path() + "/long.mp4", "v:0", "stream=nb_frames"), "300");
}

TEST_F(RenderProgram, InterruptedWhileProbingEndsAtOnceAndLeavesNoChild)
{
    // A copy of the program whose bundled transcoder and prober are a fake that writes its
    // pid and then keeps printing without end, so the probe ends only when
    // the program ends it (never by the silence limit), and a closed pipe
    // does not end it either.
    const QString bin = work_.path() + "/bin";
    ASSERT_TRUE(QDir().mkpath(bin + "/resources"));
    ASSERT_TRUE(QFile::copy(OLDREEL_RENDER_PROGRAM, bin + "/oldreel-render"));
    const QString pidFile = work_.path() + "/pid";
    // The prober beside it is the one the probe runs.
    for (const char* name : {"ffmpeg", "ffprobe"})
        testsupport::writeScript(
            bin + "/resources/" + name,
            QString("trap '' PIPE\necho $$ > '%1'\nwhile :; do echo probing; sleep 0.2; done")
                .arg(pidFile));
    const QString source = copied("plain.mp4");
    // SIGKILL leaves the program no say: the child dies with it all the same.
    for (const int signal : {SIGINT, SIGTERM, SIGKILL}) {
        SCOPED_TRACE(signal);
        QFile::remove(pidFile);
        QProcess process;
        process.setStandardInputFile(QProcess::nullDevice());
        process.start(bin + "/oldreel-render", {"-q", source});
        ASSERT_TRUE(process.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFile(pidFile).size() > 0, 30000);
        QFile file(pidFile);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const int fake = file.readAll().trimmed().toInt();
        ::kill(pid_t(process.processId()), signal);
        ASSERT_TRUE(process.waitForFinished(30000));
        EXPECT_EQ(process.exitStatus(), QProcess::CrashExit);
        EXPECT_EQ(process.readAllStandardError(), "");
        // The program reaps its child before it ends; one it could not wait
        // for is killed by the system (it may stay a zombie of the init process).
        const bool ended =
            signal == SIGKILL
                ? QTest::qWaitFor([&] { return !streamsupport::processRuns(fake); }, 10000)
                : !streamsupport::processRuns(fake);
        EXPECT_TRUE(ended) << fake;
        if (streamsupport::processRuns(fake))
            ::kill(fake, SIGKILL);
    }
}

} // namespace

namespace {

bool ffmpegMakes(const QStringList& arguments)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(testsupport::ffmpeg(), QStringList{"-y", "-v", "error"} + arguments);
    return process.waitForFinished(120000) && process.exitCode() == 0;
}

// What ffmpeg prints on standard error for `video`'s sound through `filters`.
QString soundReport(const QString& video, const QString& filters)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(testsupport::ffmpeg(),
                  {"-nostats", "-i", video, "-map", "0:a:0", "-af", filters, "-f", "null", "-"});
    process.waitForFinished(120000);
    return QString::fromLocal8Bit(process.readAllStandardError());
}

// The mean level in dB of `video`'s sound through `filters` (four two-pole
// sections a side set the measured band apart).
double bandLevel(const QString& video, const QString& filters)
{
    static const QRegularExpression mean("mean_volume: (-?[0-9.]+) dB");
    const QRegularExpressionMatch m = mean.match(soundReport(video, filters + ",volumedetect"));
    return m.hasMatch() ? m.captured(1).toDouble() : 0.0;
}

QString sections(const char* filter, int hertz)
{
    return QStringList(4, QString("%1=f=%2").arg(filter).arg(hertz)).join(',');
}

} // namespace

// Old sound on broadband noise: what is left lies in the optical track's band.
// Off, whatever its strength, the sound decodes to the very samples of a render
// without it.
TEST_F(RenderProgram, OldSoundKeepsToItsBandAndOffLeavesTheSoundAsItWas)
{
    const QString source = work_.path() + "/noise.mp4";
    ASSERT_TRUE(ffmpegMakes({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=2", "-f",
                             "lavfi", "-i", "anoisesrc=color=white:amplitude=0.3:duration=2",
                             "-pix_fmt", "yuv420p", "-c:a", "aac", "-b:a", "192k", source}));
    QStringList results;
    for (const QStringList& more :
         {QStringList{}, QStringList{"--set", "soundstrength=80", "--set", "sound=off"},
          QStringList{"--set", "sound=old"}}) {
        const QString out = work_.path() + "/sound" + QString::number(results.size());
        ASSERT_TRUE(QDir().mkpath(out));
        const ProgramRun run = runRender(QStringList{"-q", "-o", out} + more + QStringList{source});
        ASSERT_EQ(run.status, 0) << run.err.toStdString();
        results << out + "/noise.mp4";
    }
    // The decoded samples' digest (ffmpeg's md5 muxer, 16-bit PCM).
    QStringList digests;
    for (const QString& result : {results[0], results[1]}) {
        QProcess sums;
        sums.setStandardInputFile(QProcess::nullDevice());
        sums.start(testsupport::ffmpeg(), {"-v", "error", "-i", result, "-map", "0:a:0", "-c:a",
                                           "pcm_s16le", "-f", "md5", "-"});
        sums.waitForFinished(120000);
        digests << QString::fromLatin1(sums.readAllStandardOutput()).trimmed();
    }
    EXPECT_TRUE(digests[0].startsWith("MD5="));
    EXPECT_EQ(digests[0], digests[1]);

    const QString old = results[2];
    const double band = bandLevel(old, sections("highpass", 300) + "," + sections("lowpass", 3500));
    const double below = bandLevel(old, sections("lowpass", 200));
    const double above = bandLevel(old, sections("highpass", 5000));
    EXPECT_LT(band, 0.0);
    EXPECT_GE(band - below, 20.0) << band << " " << below;
    EXPECT_GE(band - above, 20.0) << band << " " << above;
}

// Names a protocol could claim, names too long or not UTF-8, forged reports,
// sizes beyond the cap, cut-short sources, a full disk, a run's own results:
// each gives the true result or a clear failure, and no child is left.
TEST_F(RenderProgram, HostileNamesAndFilesGiveTheTrueResultOrAClearFailure)
{
    const QString w = work_.path();
    copied("plain.mp4", "concat:clip.mp4");
    copied("plain.mp4", "10:30.mov");
    const QString longName = QString(236, 'n') + ".mov"; // 240 bytes
    copied("plain.mp4", longName);
    copied("plain.mp4", "own.mov");
    ASSERT_TRUE(
        ffmpegMakes({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=1", "-pix_fmt",
                     "yuv420p", "-movflags", "use_metadata_tags", "-metadata",
                     "x\n  Stream #0:0: Video: h264, yuv420p, 2x2, 1 fps=y", w + "/forged.mp4"}));
    ASSERT_TRUE(ffmpegMakes({"-f", "lavfi", "-i", "color=size=1000x4000:rate=1", "-frames:v", "1",
                             "-vf", "setsar=64/1", "-pix_fmt", "yuv420p", w + "/wide.mp4"}));
    ASSERT_TRUE(ffmpegMakes({"-f", "lavfi", "-i", "testsrc=size=160x120:rate=25:duration=4", "-f",
                             "lavfi", "-i", "sine=duration=4", "-pix_fmt", "yuv420p", "-movflags",
                             "+faststart", w + "/whole.mp4"}));
    QFile whole(w + "/whole.mp4");
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    QFile half(w + "/half.mp4");
    ASSERT_TRUE(half.open(QIODevice::WriteOnly));
    half.write(whole.read(whole.size() / 2));
    half.close();
    ASSERT_EQ(mkfifo(QFile::encodeName(w + "/pipe").constData(), 0600), 0);
    QFile playlist(w + "/playlist.mp4");
    ASSERT_TRUE(playlist.open(QIODevice::WriteOnly));
    playlist.write("ffconcat version 1.0\nfile pipe\n");
    playlist.close();
    // A transcoder that writes the whole result, then tells of a full disk and exits 0.
    const QString bin = w + "/bin";
    ASSERT_TRUE(QDir().mkpath(bin + "/resources"));
    ASSERT_TRUE(QFile::copy(OLDREEL_RENDER_PROGRAM, bin + "/oldreel-render"));
    testsupport::writeScript(bin + "/resources/ffmpeg",
                             QString("'%1' \"$@\"; status=$?\ncase \"$*\" in *.part*) echo 'Error "
                                     "writing trailer of x: No space left on device' >&2; exit 0 "
                                     ";; esac\nexit $status")
                                 .arg(testsupport::ffmpeg()));
    testsupport::writeScript(bin + "/resources/ffprobe",
                             QString("exec '%1' \"$@\"").arg(testsupport::ffprobe()));

    const struct
    {
        QStringList arguments;
        int status;
        QString error;  // stderr starts so (after "oldreel-render: ")
        QString result; // written, with 25 frames of 160x120
        QString program = OLDREEL_RENDER_PROGRAM;
    } cases[] = {
        // Relative names that ffmpeg would read as a protocol are files.
        {{"concat:clip.mp4"}, 0, "", "concat:clip (1).mp4"},
        {{"10:30.mov"}, 0, "", "10:30.mp4"},
        // The hidden temporary name stays within 255 bytes.
        {{longName}, 0, "", QString(236, 'n') + ".mp4"},
        {{"forged.mp4"}, 0, "", "forged (1).mp4"},
        {{"wide.mp4"},
         1,
         "wide.mp4: picture too large: 64000x4000 (at most 8192 on a side and 36 megapixels)",
         ""},
        {{"half.mp4"}, 1, "half.mp4: damaged: ", ""},
        // A playlist naming a pipe nobody writes is refused, never waited on.
        {{"playlist.mp4"}, 1, "playlist.mp4: not a video ffmpeg can read", ""},
        // own.mp4 is this run's own result, not a video to render again.
        {{"own.mov", "own.mp4"}, 1, "own.mp4: is a result of this run", "own.mp4"},
        {{"-o", "", "own.mov"}, 2, "-o needs a folder, not an empty name", ""},
        {{"--overwrite", "10:30.mov"},
         1,
         "10:30.mov: writing 10:30.mp4: ffmpeg could not write it: Error writing trailer",
         "",
         bin + "/oldreel-render"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments.join(' ').toStdString());
        const QByteArray before = acceptance::checksum(w + "/10:30.mp4");
        QProcess process;
        process.setStandardInputFile(QProcess::nullDevice());
        process.setWorkingDirectory(w);
        process.start(c.program, QStringList{"-q"} + c.arguments);
        ASSERT_TRUE(process.waitForFinished(120000));
        EXPECT_EQ(process.exitCode(), c.status);
        const QString error = QString::fromUtf8(process.readAllStandardError());
        if (c.error.isEmpty()) {
            EXPECT_EQ(error, "");
        } else {
            EXPECT_TRUE(error.startsWith("oldreel-render: " + c.error)) << error.toStdString();
        }
        if (!c.result.isEmpty()) {
            EXPECT_EQ(testsupport::probe(w + "/" + c.result, "v:0", "stream=nb_frames,width"),
                      "160\n25");
        }
        // A full disk never replaces the good result that was there.
        if (c.program != OLDREEL_RENDER_PROGRAM) {
            EXPECT_EQ(acceptance::checksum(w + "/10:30.mp4"), before);
        }
        EXPECT_TRUE(QDir(w).entryList({".*.part"}, QDir::Files | QDir::Hidden).isEmpty());
    }
    // A name whose bytes are not UTF-8 gets a message that says so.
    QProcess shell;
    shell.setWorkingDirectory(w);
    shell.start("/bin/sh", {"-c", QString("n=$(printf 'caf\\351.mov'); cp 10:30.mov \"$n\"; "
                                          "exec '%1' -q \"$n\"")
                                      .arg(OLDREEL_RENDER_PROGRAM)});
    ASSERT_TRUE(shell.waitForFinished(60000));
    EXPECT_EQ(shell.exitCode(), 1);
    EXPECT_TRUE(shell.readAllStandardError().contains(
        ": the name is not valid UTF-8 (rename the file to render it)"));
}
