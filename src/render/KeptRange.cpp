#include "render/KeptRange.h"

#include <algorithm>
#include <cmath>

namespace render {

namespace {

// The first frame number shown at or after `seconds`. A time a hair short of
// a frame's own time (as "--to 1.001" is, read as a double) still counts as it.
long long firstFrameAtOrAfter(double seconds, double rate)
{
    return (long long)std::ceil(seconds * rate - 1e-6);
}

QString clockText(double seconds)
{
    const long long hundredths = std::llround(seconds * 100.0);
    return QString::asprintf("%02lld:%02lld:%02lld.%02lld", hundredths / 360000,
                             hundredths / 6000 % 60, hundredths / 100 % 60, hundredths % 100);
}

} // namespace

std::optional<KeptRange> keptRange(double durationSeconds, long long rateNumerator,
                                   long long rateDenominator, const std::optional<TimePoint>& from,
                                   const std::optional<TimePoint>& to, QString& error)
{
    if (durationSeconds <= 0.0 || rateNumerator <= 0 || rateDenominator <= 0) {
        error = QStringLiteral("has no length or frame rate");
        return std::nullopt;
    }
    const double rate = double(rateNumerator) / double(rateDenominator);
    const double start = from ? from->seconds(durationSeconds) : 0.0;
    const double end =
        to ? std::min(to->seconds(durationSeconds), durationSeconds) : durationSeconds;
    if (start >= durationSeconds) {
        error =
            QStringLiteral("--from lies at or past its end (%1)").arg(clockText(durationSeconds));
        return std::nullopt;
    }
    if (start >= end) {
        error = QStringLiteral("--from must come before --to");
        return std::nullopt;
    }
    KeptRange range;
    range.firstFrame = firstFrameAtOrAfter(start, rate);
    const long long endFrame = firstFrameAtOrAfter(end, rate);
    range.expectedFrames = std::max(0LL, endFrame - range.firstFrame);
    if (range.expectedFrames == 0) {
        error = QStringLiteral("the kept range holds no frame");
        return std::nullopt;
    }
    if (to)
        range.frameCount = range.expectedFrames;
    range.readerStartSeconds = range.firstFrame > 0 ? (double(range.firstFrame) - 0.5) / rate : 0.0;
    range.soundStartSeconds = start;
    if (to)
        range.soundLengthSeconds = end - start;
    return range;
}

} // namespace render
