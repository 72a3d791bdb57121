#pragma once

#include <chrono>
#include <optional>

namespace render {

// The rate one video renders at, steadied for a time-left estimate. The wait
// for the first frame (probing, the transcoders starting) is left out; for the
// first few seconds there is no estimate, then the average of those seconds
// starts a moving average that follows the recent rate over about five
// seconds, so one slow or fast stretch does not swing it.
class RateEstimate final
{
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    static constexpr double kWarmUpSeconds = 3.0;
    static constexpr long long kWarmUpFrames = 5;

    // `frames` done by `now`; calls closer together than a quarter second
    // are folded into the next one.
    void update(TimePoint now, long long frames);

    // Frames a second: the moving average once steady, the plain average
    // since the first frame before that, 0 before a quarter second has passed.
    double framesPerSecond() const;

    // Seconds for `framesLeft` more frames; none until steady.
    std::optional<double> secondsLeft(long long framesLeft) const;

private:
    bool started_ = false;
    bool steady_ = false;
    TimePoint firstAt_{};
    long long firstFrames_ = 0;
    TimePoint lastAt_{};
    long long lastFrames_ = 0;
    double average_ = 0.0;
};

} // namespace render
