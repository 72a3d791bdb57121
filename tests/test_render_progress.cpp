// What oldreel-render prints: results' paths on standard output; on standard
// error a live bar on a terminal, plain lines elsewhere, JSON lines for
// wrappers, only failures when quiet.
#include "render/ProgressOutput.h"
#include "support/QtPrinters.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

using render::ProgressOutput;

// Two in-memory streams standing for standard output and standard error.
struct Streams
{
    char* outText = nullptr;
    char* errText = nullptr;
    std::size_t outSize = 0, errSize = 0;
    std::FILE* out = open_memstream(&outText, &outSize);
    std::FILE* err = open_memstream(&errText, &errSize);

    ~Streams()
    {
        std::fclose(out);
        std::fclose(err);
        std::free(outText);
        std::free(errText);
    }
    QString printed()
    {
        std::fflush(out);
        return QString::fromUtf8(outText, qsizetype(outSize));
    }
    QString errors()
    {
        std::fflush(err);
        return QString::fromUtf8(errText, qsizetype(errSize));
    }
};

// A clock the test moves by hand.
struct FakeClock
{
    std::chrono::steady_clock::time_point now{};
    void advance(double seconds)
    {
        now += std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::duration<double>(seconds));
    }
};

ProgressOutput::Setup setup(render::ProgressStyle style, bool quiet, int count, Streams& s,
                            FakeClock& clock, int columns = 80)
{
    ProgressOutput::Setup setup;
    setup.style = style;
    setup.quiet = quiet;
    setup.videoCount = count;
    setup.out = s.out;
    setup.err = s.err;
    setup.columns = [columns] { return columns; };
    setup.clock = [&clock] { return clock.now; };
    return setup;
}

TEST(RenderProgress, ATerminalGetsOneLiveBarLineThenOneLinePerVideo)
{
    Streams s;
    FakeClock clock;
    ProgressOutput output(setup(render::ProgressStyle::Bar, false, 2, s, clock));
    output.videoStarted(1, "clips/a.mov", "out/a.mp4");
    output.frameDone({3, 12});
    const QString bar = s.errors();
    // 79 columns of 80: the bar takes what the name and the numbers leave.
    EXPECT_EQ(bar, "\r\033[K[1/2] a.mov [" + QString(8, '#') + QString(25, '-') +
                       "] 3/12 frames  -- fps  --:-- left");
    output.frameDone({12, 12}); // the last frame is always drawn
    EXPECT_TRUE(s.errors().contains(QRegularExpression("\\[#+\\] 12/12 frames")));
    EXPECT_FALSE(s.errors().contains('\n'));
    clock.advance(0.5);
    output.videoDone(12);
    EXPECT_EQ(s.errors().section("\r\033[K", -1),
              "[1/2] done out/a.mp4: 12 frames in 0.5 s (24.0 fps)\n");
    output.videoStarted(2, "clips/b.mov", "out/b.mp4");
    output.frameDone({1, 5});
    output.videoFailed("clips/b.mov", "has sound but no picture");
    EXPECT_TRUE(
        s.errors().endsWith("\r\033[Koldreel-render: clips/b.mov: has sound but no picture\n"));
    output.finished();
    EXPECT_TRUE(s.errors().endsWith("\n1 of 2 videos rendered in 0:01, 1 failed\n"));
    // Standard output holds the results' paths and nothing else.
    EXPECT_EQ(s.printed(), "out/a.mp4\n");
}

TEST(RenderProgress, ElsewherePlainLinesAndWhenQuietOnlyFailures)
{
    Streams plain;
    FakeClock clock;
    ProgressOutput lines(setup(render::ProgressStyle::Plain, false, 3, plain, clock));
    lines.videoStarted(2, "b.mov", "b.mp4");
    // A line at each tenth done, none for the frames between; the rate once
    // a quarter second has passed since the first frame.
    for (int frame = 2; frame <= 20; ++frame) {
        lines.frameDone({frame, 20});
        clock.advance(0.5);
    }
    lines.videoDone(1);
    const QStringList printed = plain.errors().split('\n');
    ASSERT_EQ(printed.size(), 12) << plain.errors().toStdString();
    EXPECT_EQ(printed[0], "[2/3] b.mov -> b.mp4");
    EXPECT_EQ(printed[1], "[2/3] b.mov: 10% (2 of 20 frames)");
    EXPECT_EQ(printed[2], "[2/3] b.mov: 20% (4 of 20 frames, 2.0 fps)");
    EXPECT_EQ(printed[9], "[2/3] b.mov: 90% (18 of 20 frames, 2.0 fps, 0:01 left)");
    EXPECT_EQ(printed[10], "[2/3] done b.mp4: 1 frame in 9.5 s (0.1 fps)");
    EXPECT_EQ(plain.printed(), "b.mp4\n");

    Streams quiet;
    ProgressOutput nothing(setup(render::ProgressStyle::Bar, true, 2, quiet, clock));
    nothing.videoStarted(1, "a.mov", "a.mp4");
    nothing.frameDone({1, 5});
    nothing.videoDone(5);
    nothing.finished();
    EXPECT_EQ(quiet.printed() + quiet.errors(), "");
    nothing.videoFailed("a.mov", "no such file");
    EXPECT_EQ(quiet.errors(), "oldreel-render: a.mov: no such file\n");
}

TEST(RenderProgress, VideosAtOnceKeepTheirOwnCountsAndTheBarFollowsTheFirst)
{
    Streams s;
    FakeClock clock;
    ProgressOutput lines(setup(render::ProgressStyle::Plain, false, 3, s, clock));
    lines.videoStarted(1, "a.mov", "out/a.mp4");
    lines.videoStarted(2, "b.mov", "out/b.mp4");
    lines.frameDone({2, 4}, 1);
    lines.frameDone({1, 10}, 2);
    lines.videoSkipped(3, "c.mov", "out/c.mp4");
    lines.videoDone(4, 1);
    lines.videoFailed("b.mov", "cannot write out/b.mp4", 2);
    EXPECT_EQ(s.errors().section('\n', 2), "[1/3] a.mov: 50% (2 of 4 frames)\n"
                                           "[2/3] b.mov: 10% (1 of 10 frames)\n"
                                           "[3/3] skipped c.mov: its result out/c.mp4 is there\n"
                                           "[1/3] done out/a.mp4: 4 frames in 0.0 s (0.0 fps)\n"
                                           "oldreel-render: b.mov: cannot write out/b.mp4\n");
    EXPECT_EQ(s.printed(), "out/c.mp4\nout/a.mp4\n");

    Streams t;
    ProgressOutput bar(setup(render::ProgressStyle::Bar, false, 2, t, clock));
    bar.videoStarted(1, "a.mov", "out/a.mp4");
    bar.videoStarted(2, "b.mov", "out/b.mp4");
    bar.frameDone({1, 9}, 2);
    EXPECT_EQ(t.errors(), "");
    bar.frameDone({2, 4}, 1);
    EXPECT_TRUE(t.errors().startsWith("\r\033[K[1/2] a.mov [")) << t.errors().toStdString();
    bar.videoDone(4, 1);
    bar.frameDone({5, 9}, 2);
    EXPECT_TRUE(t.errors().section("\r\033[K", -1).startsWith("[2/2] b.mov ["))
        << t.errors().toStdString();
}

TEST(RenderProgress, TheBarFitsTheTerminalAndRedrawsInPlace)
{
    const QString longName = "a holiday by the sea in the summer of nineteen sixty-four.mov";
    for (const int columns : {40, 80, 200}) {
        for (const QString& name : {QString("a.mov"), longName}) {
            SCOPED_TRACE(columns);
            SCOPED_TRACE(name.toStdString());
            Streams s;
            FakeClock clock;
            ProgressOutput output(setup(render::ProgressStyle::Bar, false, 12, s, clock, columns));
            output.videoStarted(10, "clips/" + name, "out/x.mp4");
            for (int frame = 1; frame <= 14400; frame += 7) {
                clock.advance(0.25);
                output.frameDone({frame, 14400});
            }
            const QString text = s.errors();
            EXPECT_FALSE(text.contains('\n'));
            const QStringList draws = text.split("\r\033[K", Qt::SkipEmptyParts);
            ASSERT_GE(draws.size(), 2000);
            EXPECT_TRUE(text.startsWith("\r\033[K[10/12] "));
            for (const QString& draw : draws)
                ASSERT_LT(draw.size(), columns) << draw.toStdString();
            // Wide enough, everything shows; narrower, the name is cut in the middle.
            const QString last = draws.last();
            EXPECT_TRUE(last.endsWith(" left")) << last.toStdString();
            EXPECT_EQ(last.contains(" fps"), columns >= 80) << last.toStdString();
            EXPECT_EQ(last.contains(name), columns == 200 || name.size() < 10)
                << last.toStdString();
            if (!last.contains(name)) {
                EXPECT_TRUE(last.contains(QRegularExpression("a h.*….*mov"))) << last.toStdString();
            }
        }
    }
}

TEST(RenderProgress, JsonLinesForWrappers)
{
    Streams s;
    FakeClock clock;
    ProgressOutput output(setup(render::ProgressStyle::Json, false, 2, s, clock));
    output.videoStarted(1, "clips/a \"1\".mov", "out/a \"1\".mp4");
    clock.advance(1.0);
    // 400 frames at 40 a second: ten seconds, at most four lines a second.
    for (int frame = 1; frame <= 400; ++frame) {
        clock.advance(0.025);
        output.frameDone({frame, 400});
    }
    output.videoDone(400);
    output.videoFailed("b.mov", "no such file");
    output.videoSkipped(2, "c.mov", "out/c.mp4");
    output.finished();
    QList<QJsonObject> objects;
    for (const QString& line : s.errors().split('\n', Qt::SkipEmptyParts)) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(line.toUtf8(), &error);
        ASSERT_EQ(error.error, QJsonParseError::NoError) << line.toStdString();
        objects << document.object();
        for (const char* key : {"file", "frame", "frames", "fps", "eta", "state"})
            EXPECT_TRUE(objects.last().contains(key)) << key << " " << line.toStdString();
    }
    ASSERT_GE(objects.size(), 5);
    // Started, four running lines a second over ten seconds, done, failed, skipped.
    EXPECT_LE(objects.size(), 1 + 4 * 10 + 3);
    auto text = [](const QJsonObject& object, const char* key) { return object[key].toString(); };
    EXPECT_EQ(text(objects.first(), "state"), "started");
    EXPECT_EQ(text(objects.first(), "file"), "clips/a \"1\".mov");
    EXPECT_EQ(text(objects.first(), "result"), "out/a \"1\".mp4");
    const QJsonObject& early = objects[1];
    EXPECT_EQ(text(early, "state"), "running");
    EXPECT_TRUE(early["eta"].isNull());
    const QJsonObject& late = objects[objects.size() - 4];
    EXPECT_EQ(text(late, "state"), "running");
    EXPECT_NEAR(late["fps"].toDouble(), 40.0, 0.5);
    EXPECT_NEAR(late["eta"].toDouble(), (400 - late["frame"].toDouble()) / 40.0, 0.1);
    const QJsonObject& done = objects[objects.size() - 3];
    EXPECT_EQ(text(done, "state"), "done");
    EXPECT_EQ(done["frame"].toDouble(), 400);
    EXPECT_EQ(done["frames"].toDouble(), 400);
    EXPECT_EQ(done["eta"].toDouble(-1), 0);
    EXPECT_EQ(text(objects[objects.size() - 2], "state"), "failed");
    EXPECT_EQ(text(objects[objects.size() - 2], "error"), "no such file");
    EXPECT_EQ(objects[objects.size() - 2]["frames"].toDouble(-1), 0);
    EXPECT_EQ(text(objects.last(), "state"), "skipped");
    EXPECT_EQ(s.printed(), "out/a \"1\".mp4\nout/c.mp4\n");
}

TEST(RenderProgress, TimeLeftTexts)
{
    EXPECT_EQ(ProgressOutput::durationText(0), "0:00");
    EXPECT_EQ(ProgressOutput::durationText(4.2), "0:05");
    EXPECT_EQ(ProgressOutput::durationText(59.5), "1:00");
    EXPECT_EQ(ProgressOutput::durationText(3723), "1:02:03");
    EXPECT_EQ(ProgressOutput::durationText(-3), "0:00");
}

} // namespace
