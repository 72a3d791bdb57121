#pragma once

#include <QString>
#include <chrono>
#include <optional>

// Time as frames count it: a frame rate as an exact fraction, which frames a
// stretch of time holds, times as clock texts, and the time left of a job
// that counts frames. Frame n of a video at rate r is shown at n / r seconds,
// frame 0 at its start.
namespace media {

// Frames a second as an exact fraction: 30000/1001 for NTSC's 29.97, and
// 29970030/1000000 for the same rate once written as "29.970030". Unknown
// unless both parts are positive.
struct Rate
{
    long long numerator = 0;
    long long denominator = 1;

    bool isKnown() const { return numerator > 0 && denominator > 0; }
    // numerator / denominator; 0 when unknown.
    double perSecond() const;
    // When frame `frame` is shown: frame × denominator / numerator.
    double secondsOf(long long frame) const;

    // The rate the transcoder is given for `framesPerSecond` (Qt's "%f": six
    // decimals, ties away from zero), as that text's exact fraction.
    static Rate ofSixDecimals(float framesPerSecond);

    bool operator==(const Rate&) const = default;
};

// Frames `first` to `last` (counted from 0, both included).
struct FrameRange
{
    long long first = 0;
    long long last = -1;
    bool isEmpty() const { return last < first; }
    long long count() const { return isEmpty() ? 0 : last - first + 1; }
};

// The first frame shown at or after `seconds` (0 for an unknown rate). A
// time a hair short of a frame's own time, as 1.001 read as a double is for
// frame 30 at 30000/1001, or 0.1 × 10 for frame 1 at 10, still counts as it.
long long firstFrameAtOrAfter(double seconds, Rate rate);

// The frames whose times lie in [startSeconds, endSeconds): a frame exactly
// on a boundary belongs to the range it starts. Empty for an unknown rate or
// an end not after the start.
FrameRange framesBetween(double startSeconds, double endSeconds, Rate rate);

// "hh:mm:ss.hh", rounded to hundredths; hours are not wrapped at 24.
QString clockText(double seconds);

// The rate of a job that counts frames, steadied for a time-left estimate.
// The wait before the first update (probing, transcoders starting) is left
// out. Until a warm-up has passed there is no estimate; then the warm-up's
// average starts a moving average that follows the recent rate over about
// five seconds, so one slow or fast stretch does not swing it.
class RateEstimate final
{
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    // When the estimate starts: `seconds` and `frames` after the first
    // update. Updates closer than `sampleSeconds` to the last one counted
    // are folded into the next.
    struct WarmUp
    {
        double seconds;
        long long frames;
        double sampleSeconds;
    };
    // Frames that stream (the renderer): the decoder's head start makes the
    // first ones come fast, and updates may come many times a second.
    static constexpr WarmUp kStreamed{3.0, 5, 0.25};
    // Frames done one per timer tick (the window's export), evenly paced:
    // an estimate from the second frame on.
    static constexpr WarmUp kTicked{0.0, 1, 0.0};

    explicit RateEstimate(WarmUp warmUp = kStreamed) : warmUp_(warmUp) {}

    // `frames` done by `now`.
    void update(TimePoint now, long long frames);

    // Frames a second: the moving average once steady, the plain average
    // since the first update before that, 0 before a sample has been counted.
    double framesPerSecond() const;

    // Seconds for `framesLeft` more frames; none until steady.
    std::optional<double> secondsLeft(long long framesLeft) const;

private:
    WarmUp warmUp_;
    bool started_ = false;
    bool steady_ = false;
    TimePoint firstAt_{};
    long long firstFrames_ = 0;
    TimePoint lastAt_{};
    long long lastFrames_ = 0;
    double average_ = 0.0;
};

} // namespace media
