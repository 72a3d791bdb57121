#include "render/RateEstimate.h"

#include <cmath>

namespace render {

namespace {

constexpr double kSampleSeconds = 0.25;
constexpr double kAveragingSeconds = 5.0;

double secondsBetween(RateEstimate::TimePoint from, RateEstimate::TimePoint to)
{
    return std::chrono::duration<double>(to - from).count();
}

} // namespace

void RateEstimate::update(TimePoint now, long long frames)
{
    if (!started_) {
        started_ = true;
        firstAt_ = lastAt_ = now;
        firstFrames_ = lastFrames_ = frames;
        return;
    }
    const double step = secondsBetween(lastAt_, now);
    if (step < kSampleSeconds)
        return;
    if (steady_) {
        // An exponential average: each second weighs as much as the next
        // whatever the calls' spacing.
        const double rate = double(frames - lastFrames_) / step;
        average_ += (1.0 - std::exp(-step / kAveragingSeconds)) * (rate - average_);
    } else if (secondsBetween(firstAt_, now) >= kWarmUpSeconds &&
               frames - firstFrames_ >= kWarmUpFrames) {
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

} // namespace render
