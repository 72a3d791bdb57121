// Frames in a time range, rates as fractions, clock texts and the time-left
// estimate that playback, the window's export and the renderer share.
#include "export/ExportTexts.h"
#include "media/Clock.h"
#include "support/QtPrinters.h"

#include <chrono>
#include <gtest/gtest.h>

using media::Rate;

TEST(Clock, FramesBetweenTwoTimes)
{
    const struct
    {
        double start, end;
        Rate rate;
        long long first, last;
    } cases[] = {
        {0.0, 2.0, {10, 1}, 0, 19},        // the whole of a 2 s clip
        {0.5, 1.5, {10, 1}, 5, 14},        // a frame on the start belongs to the range
        {0.3, 0.3 + 1e-9, {10, 1}, 3, 2},  // no whole frame: empty
        {1.0, 2.0, {30000, 1001}, 30, 59}, // 29.97: frame 30 starts at 1.001 s
        {0.0, 1.0, {30000, 1001}, 0, 29},    {0.55, 0.65, {10, 1}, 6, 6},
        {1.001, 2.0, {30000, 1001}, 30, 59}, // 1.001 read as a double is a hair short of frame 30
        {1.0, 1.0, {10, 1}, 0, -1},          // no length
        {0.0, 2.0, {0, 1}, 0, -1},           // no rate
    };
    for (const auto& k : cases) {
        const media::FrameRange range = media::framesBetween(k.start, k.end, k.rate);
        EXPECT_EQ(range.first, k.first) << k.start << " " << k.end;
        EXPECT_EQ(range.last, k.last) << k.start << " " << k.end;
    }
}

// The export takes its rate from the six-decimal text it gives the
// transcoder: the fraction must be that text's, to the last digit and double.
TEST(Clock, RatesOfSixDecimalsAndTheirFrames)
{
    const struct
    {
        float framesPerSecond;
        long long millionths;
        long long firstAtOneSecond, lastBeforeTwo;
    } cases[] = {
        {float(30000.0 / 1001), 29970030, 30, 59}, // 29.97, 59.94 and 23.976 as probed
        {float(60000.0 / 1001), 59940060, 60, 119},
        {float(24000.0 / 1001), 23976025, 24, 47},
        {25.0f, 25000000, 25, 49},
        {0.0078125f, 7813, 1, 0}, // a tie: away from zero, as Qt's "%f" rounds
    };
    for (const auto& k : cases) {
        const Rate rate = Rate::ofSixDecimals(k.framesPerSecond);
        EXPECT_EQ(rate, (Rate{k.millionths, 1000000})) << k.framesPerSecond;
        EXPECT_EQ(rate.perSecond(), exporting::frameRateText(k.framesPerSecond).toDouble())
            << k.framesPerSecond;
        const media::FrameRange range = media::framesBetween(1.0, 2.0, rate);
        EXPECT_EQ(range.first, k.firstAtOneSecond) << k.framesPerSecond;
        EXPECT_EQ(range.last, k.lastBeforeTwo) << k.framesPerSecond;
    }
}

TEST(Clock, ClockTexts)
{
    const std::pair<double, const char*> cases[] = {{0.0, "00:00:00.00"},
                                                    {10.845, "00:00:10.85"},
                                                    {3723.456, "01:02:03.46"},
                                                    {59.999, "00:01:00.00"},
                                                    {360000.0, "100:00:00.00"}};
    for (const auto& [seconds, text] : cases)
        EXPECT_EQ(media::clockText(seconds), text) << seconds;
}

namespace {

struct FakeClock
{
    std::chrono::steady_clock::time_point now{};
    void advance(double seconds)
    {
        now += std::chrono::duration_cast<std::chrono::steady_clock::duration>(
            std::chrono::duration<double>(seconds));
    }
};

} // namespace

TEST(Clock, StreamedFramesWaitForASteadyRateAndStaySteady)
{
    media::RateEstimate rate;
    FakeClock clock;
    // The first frame comes late (probing, the transcoders starting), then
    // some quick ones from the decoder's head start: none of it is estimated.
    clock.advance(2.0);
    rate.update(clock.now, 1);
    for (int frame = 2; frame <= 20; ++frame) {
        clock.advance(0.01);
        rate.update(clock.now, frame);
    }
    long long frames = 20;
    for (int step = 0; step < 11; ++step) { // 2.75 s at 20 a second
        clock.advance(0.25);
        rate.update(clock.now, frames += 5);
        EXPECT_FALSE(rate.secondsLeft(1000)) << step;
    }
    clock.advance(0.25);
    rate.update(clock.now, frames += 5);
    ASSERT_TRUE(rate.secondsLeft(1000));
    for (int step = 0; step < 80; ++step) { // twenty seconds at 20 a second
        clock.advance(0.25);
        rate.update(clock.now, frames += 5);
    }
    EXPECT_NEAR(*rate.secondsLeft(1000), 50.0, 1.0);
    EXPECT_NEAR(rate.framesPerSecond(), 20.0, 0.4);
    // A one-second stall moves the estimate by a fifth or so, not to infinity.
    clock.advance(1.0);
    rate.update(clock.now, frames);
    EXPECT_GT(*rate.secondsLeft(1000), 55.0);
    EXPECT_LT(*rate.secondsLeft(1000), 65.0);
    // Calls closer than a quarter second wait for the next.
    clock.advance(0.1);
    rate.update(clock.now, frames + 100);
    EXPECT_LT(*rate.secondsLeft(1000), 65.0);
}

// The export's sheet: frames 0.1 s apart, an estimate from the second on.
TEST(Clock, TickedFramesAreEstimatedFromTheSecond)
{
    media::RateEstimate rate(media::RateEstimate::kTicked);
    FakeClock clock;
    rate.update(clock.now, 1);
    EXPECT_FALSE(rate.secondsLeft(299));
    for (long long done = 2; done <= 300; ++done) {
        clock.advance(0.1);
        rate.update(clock.now, done);
        ASSERT_TRUE(rate.secondsLeft(300 - done)) << done;
        EXPECT_NEAR(*rate.secondsLeft(300 - done), 0.1 * double(300 - done), 1e-6) << done;
    }
}
