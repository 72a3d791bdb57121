#include "media/Clock.h"

#include <algorithm>
#include <cmath>

namespace media {

namespace {

constexpr double kAveragingSeconds = 5.0;

double secondsBetween(RateEstimate::TimePoint from, RateEstimate::TimePoint to)
{
    return std::chrono::duration<double>(to - from).count();
}

} // namespace

double Rate::perSecond() const
{
    return isKnown() ? double(numerator) / double(denominator) : 0.0;
}

double Rate::secondsOf(long long frame) const
{
    return double(frame) * double(denominator) / double(numerator);
}

Rate Rate::ofSixDecimals(float framesPerSecond)
{
    // A float times a million is exact in a double, so rounding it to the
    // nearest, ties away from zero as Qt's "%f" does, gives the text's digits.
    return {std::llround(double(framesPerSecond) * 1e6), 1000000};
}

long long firstFrameAtOrAfter(double seconds, Rate rate)
{
    if (!rate.isKnown())
        return 0;
    constexpr double kTolerance = 1e-6;
    return std::max(0LL, (long long)std::ceil(seconds * rate.perSecond() - kTolerance));
}

FrameRange framesBetween(double startSeconds, double endSeconds, Rate rate)
{
    if (!rate.isKnown() || !(endSeconds > startSeconds))
        return {};
    return {firstFrameAtOrAfter(startSeconds, rate), firstFrameAtOrAfter(endSeconds, rate) - 1};
}

QString clockText(double seconds)
{
    const long long hundredths = std::llround(seconds * 100.0);
    return QString::asprintf("%02lld:%02lld:%02lld.%02lld", hundredths / 360000,
                             hundredths / 6000 % 60, hundredths / 100 % 60, hundredths % 100);
}

void RateEstimate::update(TimePoint now, long long frames)
{
    if (!started_) {
        started_ = true;
        firstAt_ = lastAt_ = now;
        firstFrames_ = lastFrames_ = frames;
        return;
    }
    const double step = secondsBetween(lastAt_, now);
    if (step < warmUp_.sampleSeconds || !(step > 0.0))
        return;
    if (steady_) {
        // An exponential average: each second weighs as much as the next
        // whatever the updates' spacing.
        const double rate = double(frames - lastFrames_) / step;
        average_ += (1.0 - std::exp(-step / kAveragingSeconds)) * (rate - average_);
    } else if (secondsBetween(firstAt_, now) >= warmUp_.seconds &&
               frames - firstFrames_ >= warmUp_.frames) {
        average_ = double(frames - firstFrames_) / secondsBetween(firstAt_, now);
        steady_ = true;
    }
    lastAt_ = now;
    lastFrames_ = frames;
}

double RateEstimate::framesPerSecond() const
{
    if (steady_)
        return average_;
    const double seconds = secondsBetween(firstAt_, lastAt_);
    return seconds > 0.0 ? double(lastFrames_ - firstFrames_) / seconds : 0.0;
}

std::optional<double> RateEstimate::secondsLeft(long long framesLeft) const
{
    if (!steady_ || average_ <= 0.0)
        return std::nullopt;
    return double(framesLeft) / average_;
}

} // namespace media
