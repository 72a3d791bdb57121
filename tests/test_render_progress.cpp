// What oldreel-render prints: a live bar on a terminal, plain lines elsewhere,
// only failures when quiet.
#include "render/ProgressOutput.h"
#include "support/QtPrinters.h"

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

TEST(RenderProgress, ATerminalGetsOneLiveBarLineThenOneLinePerVideo)
{
    Streams s;
    ProgressOutput output(true, false, 2, s.out, s.err);
    output.videoStarted(1, "clips/a.mov", "out/a.mp4");
    output.frameDone({3, 12});
    const QString bar = s.errors();
    EXPECT_TRUE(bar.startsWith("\r\033[K[1/2] a.mov [######------------------] 3/12 frames  "))
        << bar.toStdString();
    EXPECT_TRUE(bar.contains(" fps  ")) << bar.toStdString();
    EXPECT_TRUE(bar.endsWith(" left")) << bar.toStdString();
    output.frameDone({12, 12}); // the last frame is always drawn
    EXPECT_TRUE(s.errors().contains("[########################] 12/12 frames"));
    output.videoDone(12);
    EXPECT_TRUE(
        s.errors().section("\r\033[K", -1).startsWith("[1/2] done out/a.mp4: 12 frames in "));
    output.videoStarted(2, "clips/b.mov", "out/b.mp4");
    output.frameDone({1, 5});
    output.videoFailed("clips/b.mov", "has sound but no picture");
    EXPECT_TRUE(
        s.errors().endsWith("\r\033[Koldreel-render: clips/b.mov: has sound but no picture\n"));
    EXPECT_EQ(s.printed(), "");
}

TEST(RenderProgress, ElsewherePlainLinesAndWhenQuietOnlyFailures)
{
    Streams plain;
    ProgressOutput lines(false, false, 3, plain.out, plain.err);
    lines.videoStarted(2, "b.mov", "b.mp4");
    lines.frameDone({1, 5});
    lines.videoDone(5);
    const QStringList printed = plain.printed().split('\n');
    ASSERT_EQ(printed.size(), 3);
    EXPECT_EQ(printed[0], "[2/3] b.mov -> b.mp4");
    EXPECT_TRUE(printed[1].startsWith("[2/3] done b.mp4: 5 frames in "))
        << printed[1].toStdString();
    EXPECT_EQ(plain.errors(), "");

    Streams quiet;
    ProgressOutput nothing(true, true, 1, quiet.out, quiet.err);
    nothing.videoStarted(1, "a.mov", "a.mp4");
    nothing.frameDone({1, 5});
    nothing.videoDone(5);
    EXPECT_EQ(quiet.printed() + quiet.errors(), "");
    nothing.videoFailed("a.mov", "no such file");
    EXPECT_EQ(quiet.errors(), "oldreel-render: a.mov: no such file\n");
}

TEST(RenderProgress, VideosAtOnceKeepTheirOwnNamesAndSkippedOnesSaySo)
{
    Streams s;
    ProgressOutput output(true, false, 3, s.out, s.err);
    output.videoStarted(1, "a.mov", "out/a.mp4");
    output.videoStarted(2, "b.mov", "out/b.mp4");
    output.frameDone({2, 4}, 1);
    EXPECT_TRUE(s.errors().startsWith("\r\033[K[1/3] a.mov [############------------] 2/4 "));
    output.videoDone(4, 1);
    output.videoSkipped(3, "c.mov", "out/c.mp4");
    output.videoDone(5, 2);
    const QString lines = s.errors().section("\r\033[K", 2);
    EXPECT_TRUE(lines.startsWith("[1/3] done out/a.mp4: 4 frames in ")) << lines.toStdString();
    EXPECT_TRUE(lines.contains("\n[3/3] skipped: c.mov, already done as out/c.mp4\n[2/3] done "
                               "out/b.mp4: 5 frames in "))
        << lines.toStdString();
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
