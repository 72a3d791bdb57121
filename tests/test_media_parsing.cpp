#include "app/AppDelegate.h"
#include "media/ReportParsing.h"

#include <gtest/gtest.h>
#include <limits>
#include <optional>

TEST(ReportNumbers, ConvertLikeThePlatformsIntegerAndFloatValues)
{
    constexpr auto max = std::numeric_limits<std::int64_t>::max();
    const std::pair<QString, std::int64_t> integers[] = {{"  07", 7},
                                                         {"\t-12abc", -12},
                                                         {"+5:", 5},
                                                         {"1 2", 1},
                                                         {"", 0},
                                                         {"ab", 0},
                                                         {"-", 0},
                                                         {"99999999999999999999", max},
                                                         {"-99999999999999999999", -max - 1}};
    for (const auto& [text, value] : integers)
        EXPECT_EQ(media::integerValue(text), value) << text.toStdString();
    const std::pair<QString, double> floats[] = {
        {"  105 ", 105.0}, {"10.88,", 10.88}, {"-3.5x", -3.5}, {".5", 0.5}, {"fps", 0.0}};
    for (const auto& [text, value] : floats)
        EXPECT_DOUBLE_EQ(media::floatValue(text), value) << text.toStdString();
}

TEST(ClockParsers, ReadThreeFieldsAndTruncate)
{
    using P = std::int64_t (*)(const QString&);
    const P duration = &AppDelegate::Return_Seconds_From_Duration_Str;
    const P vob = &AppDelegate::Return_Seconds_From_VOB_Duration_Str;
    const struct
    {
        P parser;
        QString text;
        std::int64_t seconds;
    } cases[] = {
        {duration, " 00:01:23.4", 83},
        {duration, " 01:00:00.9", 3600},
        {duration, " 00:00:00.5", 0},
        {duration, "x99:59:59.0", 99 * 3600 + 59 * 60 + 59},
        {duration, "12:34:56", 2 * 3600 + 4 * 60 + 6},
        {vob, "12:34:56", 12 * 3600 + 34 * 60 + 56},
        {vob, "00:01:23.45", 83},
        // Fields without digits or past the end count 0; a sign belongs to its field.
        {vob, "N/A", 0},
        {vob, "01:02", 3720},
        {vob, "ab:02:xx", 120},
        {vob, " 1: 2: 3", 3723},
        {vob, "-1:00:00", -3600},
        {duration, " 00", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.parser(c.text), c.seconds) << c.text.toStdString();
}

TEST(DurationScan, OnlyAClockOpeningAReportLineCounts)
{
    const struct
    {
        QString report;
        std::optional<QString> text;
        double exact;
    } cases[] = {
        {"  Duration: 00:01:23.45, start: 0.0\n", " 00:01:23.4", 83.45},
        {"Duration: 00:00:10.88, start: 0\n", " 00:00:10.8", 10.88},
        {"Duration: 01:02:03", " 01:02:03", 3723.0},
        // A quoted path and a metadata value come first but are not the duration line.
        {"Input #0, mov, from '/v/Duration: 00:09:59.00 trap.mp4':\n"
         "    comment         : Duration: 00:07:00.00\n"
         "  Duration: 00:00:02.00, start: 0.000000\n",
         " 00:00:02.0", 2.0},
        {"Duration: N/A\nDuration: 00:00:04.00\nDuration: 00:00:09.00\n", " 00:00:04.0", 4.0},
        {"  Duration: N/A, bitrate: N/A\n", std::nullopt, 0},
        {"  Duration: 00:00\n", std::nullopt, 0},
        {"  duration: 00:00:02.00\n", std::nullopt, 0},
        {"x Duration: 00:00:02.00\n", std::nullopt, 0},
        {"/tmp/a.mp4: Invalid data found when processing input\n", std::nullopt, 0},
    };
    for (const auto& c : cases) {
        const auto line = media::findDurationLine(c.report);
        ASSERT_EQ(line.has_value(), c.text.has_value()) << c.report.toStdString();
        if (line) {
            EXPECT_EQ(line->text, *c.text);
            EXPECT_DOUBLE_EQ(line->exactSeconds, c.exact);
        }
    }
}

TEST(FrameScan, TakesTheLastReportsWholeCount)
{
    const struct
    {
        QString report;
        std::optional<double> frames;
    } cases[] = {
        // ffmpeg 5.1's running reports: the first counts one frame of 105.
        {"  Duration: 00:00:03.50, start: 0.000000\n"
         "frame=    1 fps=0.0 q=-1.0 size=N/A time=-00:00:00.06 bitrate=N/A\r"
         "frame=  105 fps=0.0 q=-1.0 Lsize=N/A time=00:00:03.40 bitrate=N/A\n"
         "video:16kB audio:0kB subtitle:0kB\n",
         105.0},
        // Padded to five places, a larger count follows "=" at once.
        {"frame= 9999 fps=500\rframe=12345 fps=498 q=-1.0\n", 12345.0},
        {"frame=1234567 fps=9\n", 1234567.0},
        // A malformed last line leaves the earlier report in force.
        {"frame=   50 fps=0.0\rframe=   51\n", 50.0},
        // An audio-only input prints no frame reports.
        {"size=N/A time=00:00:03.00 bitrate=N/A\n", std::nullopt},
        {"Input #0, from '/v/frame= 99 fps.mp4':\n", std::nullopt},
        {"frame=  105 q=-1.0 fps=0\n", std::nullopt},
        {"frame= N/A fps=0\n", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(media::findLastFrameCount(c.report), c.frames) << c.report.toStdString();
}
