#pragma once

#include "render/RenderOptions.h"

#include <QString>
#include <optional>

// Which frames and which stretch of sound a render keeps.
namespace render {

struct KeptRange
{
    // The picture: frames k with from <= k / rate < to, by their number.
    long long firstFrame = 0;
    long long frameCount = -1;     // -1: every frame to the picture's end
    long long expectedFrames = 0;  // for progress: the count, or its estimate to the end
    double readerStartSeconds = 0; // half a frame before the first, so rounding never skips it
    // The sound: the same stretch of time.
    double soundStartSeconds = 0;
    double soundLengthSeconds = -1; // -1: to the end
};

// The range of a video of `durationSeconds` at `rateNumerator`/`rateDenominator`
// frames per second. A `to` past the end means the end. None, with `error`,
// when the range is empty or starts at or after the end.
std::optional<KeptRange> keptRange(double durationSeconds, long long rateNumerator,
                                   long long rateDenominator, const std::optional<TimePoint>& from,
                                   const std::optional<TimePoint>& to, QString& error);

} // namespace render
