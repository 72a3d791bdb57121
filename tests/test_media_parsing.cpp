#include "app/AppDelegate.h"
#include "media/ReportParsing.h"

#include <limits>

#include <gtest/gtest.h>

namespace {

// What ffmpeg 5.1 prints for a 3.5-s clip at 30 fps copied to the null
// output: the header, the input's duration line, and the running reports
// joined by carriage returns, the first of them counting one frame.
const QString kFrameReport = QStringLiteral(
    "Input #0, mov,mp4,m4a,3gp,3g2,mj2, from '/tmp/clip.mp4':\n"
    "  Metadata:\n"
    "    encoder         : Lavf59.27.100\n"
    "  Duration: 00:00:03.50, start: 0.000000, bitrate: 41 kb/s\n"
    "  Stream #0:0[0x1](und): Video: h264 (High), yuv420p, 160x120, 30 fps\n"
    "Output #0, null, to '/dev/null':\n"
    "Press [q] to stop, [?] for help\n"
    "frame=    1 fps=0.0 q=-1.0 size=N/A time=-00:00:00.06 bitrate=N/A speed=N/A    \r"
    "frame=  105 fps=0.0 q=-1.0 Lsize=N/A time=00:00:03.40 bitrate=N/A speed=9.09e+03x    \n"
    "video:16kB audio:0kB subtitle:0kB other streams:0kB global headers:0kB\n");

} // namespace

TEST(IntegerValue, ReadsLeadingBlanksSignAndDigitsOnly)
{
    EXPECT_EQ(media::integerValue(u"42"), 42);
    EXPECT_EQ(media::integerValue(u"  07"), 7);
    EXPECT_EQ(media::integerValue(u"\t-12abc"), -12);
    EXPECT_EQ(media::integerValue(u"+5:"), 5);
    EXPECT_EQ(media::integerValue(u"1 2"), 1);
    EXPECT_EQ(media::integerValue(u""), 0);
    EXPECT_EQ(media::integerValue(u"ab"), 0);
    EXPECT_EQ(media::integerValue(u"-"), 0);
    EXPECT_EQ(media::integerValue(u"N/"), 0);
    EXPECT_EQ(media::integerValue(u"99999999999999999999"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(media::integerValue(u"-99999999999999999999"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(media::integerValue(u"9223372036854775807"), std::numeric_limits<std::int64_t>::max());
}

TEST(FloatValue, ReadsAnOptionalFraction)
{
    EXPECT_DOUBLE_EQ(media::floatValue(u"  105 "), 105.0);
    EXPECT_DOUBLE_EQ(media::floatValue(u"10.88,"), 10.88);
    EXPECT_DOUBLE_EQ(media::floatValue(u"-3.5x"), -3.5);
    EXPECT_DOUBLE_EQ(media::floatValue(u".5"), 0.5);
    EXPECT_DOUBLE_EQ(media::floatValue(u"fps"), 0.0);
    EXPECT_DOUBLE_EQ(media::floatValue(u""), 0.0);
}

TEST(ClockParsers, DurationTextHasOneLeadingCharacterAndTruncates)
{
    EXPECT_EQ(AppDelegate::Return_Seconds_From_Duration_Str(" 00:01:23.4"), 83);
    EXPECT_EQ(AppDelegate::Return_Seconds_From_Duration_Str(" 01:00:00.9"), 3600);
    EXPECT_EQ(AppDelegate::Return_Seconds_From_Duration_Str(" 00:00:00.5"), 0);
    EXPECT_EQ(AppDelegate::Return_Seconds_From_Duration_Str(" 00:00:59.9"), 59);
    // Hours are not wrapped.
    EXPECT_EQ(AppDelegate::Return_Seconds_From_Duration_Str(" 99:59:59.0"), 99 * 3600 + 59 * 60 + 59);
    // The leading character is skipped whatever it is.
    EXPECT_EQ(AppDelegate::Return_Seconds_From_Duration_Str("x00:02:00"), 120);
}

TEST(ClockParsers, VobTextStartsAtTheFirstCharacter)
{
    EXPECT_EQ(AppDelegate::Return_Seconds_From_VOB_Duration_Str("12:34:56"), 12 * 3600 + 34 * 60 + 56);
    EXPECT_EQ(AppDelegate::Return_Seconds_From_VOB_Duration_Str("00:01:23.45"), 83);
    EXPECT_EQ(AppDelegate::Return_Seconds_From_VOB_Duration_Str("01:00:00"), 3600);
    // Read with a one-character offset, the same text gives other fields.
    EXPECT_EQ(AppDelegate::Return_Seconds_From_Duration_Str("12:34:56"), 2 * 3600 + 4 * 60 + 6);
}

TEST(ClockParsers, MalformedOrShortTextGivesZeroFields)
{
    // Fields that hold no digits, or lie beyond the end, count 0.
    EXPECT_EQ(AppDelegate::Return_Seconds_From_VOB_Duration_Str("N/A"), 0);
    EXPECT_EQ(AppDelegate::Return_Seconds_From_VOB_Duration_Str(""), 0);
    EXPECT_EQ(AppDelegate::Return_Seconds_From_VOB_Duration_Str("01:02"), 3600 + 120);
    EXPECT_EQ(AppDelegate::Return_Seconds_From_VOB_Duration_Str("01:02:3"), 3600 + 120 + 3);
    EXPECT_EQ(AppDelegate::Return_Seconds_From_VOB_Duration_Str("ab:02:xx"), 120);
    // A one-digit field followed by a blank still reads its digit.
    EXPECT_EQ(AppDelegate::Return_Seconds_From_VOB_Duration_Str(" 1: 2: 3"), 3600 + 120 + 3);
    EXPECT_EQ(AppDelegate::Return_Seconds_From_Duration_Str(" 00"), 0);
    // A sign belongs to its field.
    EXPECT_EQ(AppDelegate::Return_Seconds_From_VOB_Duration_Str("-1:00:00"), -3600);
}

TEST(DurationScan, TakesTheElevenCharactersAfterTheMarkerAndTheHundredths)
{
    const auto line = media::findDurationLine(kFrameReport);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->text, " 00:00:03.5");
    EXPECT_DOUBLE_EQ(line->exactSeconds, 3.5);

    const auto other = media::findDurationLine(u"  Duration: 00:01:23.45, start: 0.0\n");
    ASSERT_TRUE(other);
    EXPECT_EQ(other->text, " 00:01:23.4");
    EXPECT_DOUBLE_EQ(other->exactSeconds, 83.45);
    EXPECT_EQ(AppDelegate::Return_Seconds_From_Duration_Str(other->text), 83);

    const auto exact = media::findDurationLine(u"Duration: 00:00:10.88, start: 0\n");
    ASSERT_TRUE(exact);
    EXPECT_DOUBLE_EQ(exact->exactSeconds, 10.88);

    const auto whole = media::findDurationLine(u"Duration: 01:02:03");
    ASSERT_TRUE(whole);
    EXPECT_EQ(whole->text, " 01:02:03");
    EXPECT_DOUBLE_EQ(whole->exactSeconds, 3723.0);
}

TEST(DurationScan, CountsOnlyAClockAtTheStartOfALine)
{
    // The report quotes the file's path, and prints metadata tags; a
    // "Duration:" in either comes first but is not the input's duration.
    const QString report = QStringLiteral(
        "Input #0, mov, from '/v/Duration: 00:09:59.00 trap.mp4':\n"
        "  Metadata:\n"
        "    comment         : Duration: 00:07:00.00\n"
        "  Duration: 00:00:02.00, start: 0.000000, bitrate: 40 kb/s\n");
    const auto line = media::findDurationLine(report);
    ASSERT_TRUE(line);
    EXPECT_EQ(line->text, " 00:00:02.0");
    EXPECT_DOUBLE_EQ(line->exactSeconds, 2.0);

    EXPECT_FALSE(media::findDurationLine(u"  Duration: N/A, bitrate: N/A\n"));
    EXPECT_FALSE(media::findDurationLine(u"  Duration: 00:00\n"));
    EXPECT_FALSE(media::findDurationLine(u"  duration: 00:00:02.00\n"));
    EXPECT_FALSE(media::findDurationLine(u"  Duration:00:00:02.00\n"));
    EXPECT_FALSE(media::findDurationLine(u"x Duration: 00:00:02.00\n"));
    EXPECT_FALSE(media::findDurationLine(u"/tmp/a.mp4: Invalid data found when processing input\n"));
    EXPECT_FALSE(media::findDurationLine(u""));
    // The first qualifying line counts.
    const auto first = media::findDurationLine(u"Duration: N/A\nDuration: 00:00:04.00\nDuration: 00:00:09.00\n");
    ASSERT_TRUE(first);
    EXPECT_DOUBLE_EQ(first->exactSeconds, 4.0);
}

TEST(FrameScan, TakesTheLastReport)
{
    const auto frames = media::findLastFrameCount(kFrameReport);
    ASSERT_TRUE(frames);
    EXPECT_DOUBLE_EQ(*frames, 105.0);
}

TEST(FrameScan, ReadsFiveDigitCountsWholly)
{
    // ffmpeg pads the count to five places, so a large count follows "=" at once.
    const auto frames = media::findLastFrameCount(
        u"frame= 9999 fps=500 q=-1.0 size=N/A time=00:06:39.96\r"
        u"frame=12345 fps=498 q=-1.0 Lsize=N/A time=00:08:13.80 bitrate=N/A\n");
    ASSERT_TRUE(frames);
    EXPECT_DOUBLE_EQ(*frames, 12345.0);
    const auto large = media::findLastFrameCount(u"frame=1234567 fps=9\n");
    ASSERT_TRUE(large);
    EXPECT_DOUBLE_EQ(*large, 1234567.0);
}

TEST(FrameScan, NeedsAReportLineWithFpsInItsWindow)
{
    // An audio-only input prints no frame reports.
    EXPECT_FALSE(media::findLastFrameCount(
        u"size=N/A time=00:00:03.00 bitrate=N/A speed=1.2e+03x\n"));
    // The marker must begin a line: here it is inside a quoted file name.
    EXPECT_FALSE(media::findLastFrameCount(u"Input #0, from '/v/frame= 99 fps.mp4':\n"));
    // Something other than "fps" follows the count.
    EXPECT_FALSE(media::findLastFrameCount(u"frame=  105 q=-1.0 fps=0\n"));
    EXPECT_FALSE(media::findLastFrameCount(u"frame=\n"));
    EXPECT_FALSE(media::findLastFrameCount(u"frame= N/A fps=0\n"));
    // A malformed last line leaves the earlier report in force.
    const auto frames = media::findLastFrameCount(u"frame=   50 fps=0.0\rframe=   51\n");
    ASSERT_TRUE(frames);
    EXPECT_DOUBLE_EQ(*frames, 50.0);
}
