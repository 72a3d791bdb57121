#include "render/KeptRange.h"

#include "media/Clock.h"

#include <algorithm>

namespace render {

std::optional<KeptRange> keptRange(double durationSeconds, long long rateNumerator,
                                   long long rateDenominator, const std::optional<TimePoint>& from,
                                   const std::optional<TimePoint>& to, QString& error)
{
    if (durationSeconds <= 0.0 || rateNumerator <= 0 || rateDenominator <= 0) {
        error = QStringLiteral("has no length or frame rate");
        return std::nullopt;
    }
    const media::Rate rate{rateNumerator, rateDenominator};
    const double start = from ? from->seconds(durationSeconds) : 0.0;
    const double end =
        to ? std::min(to->seconds(durationSeconds), durationSeconds) : durationSeconds;
    if (start >= durationSeconds) {
        error = QStringLiteral("--from lies at or past its end (%1)")
                    .arg(media::clockText(durationSeconds));
        return std::nullopt;
    }
    if (start >= end) {
        error = QStringLiteral("--from must come before --to");
        return std::nullopt;
    }
    const media::FrameRange frames = media::framesBetween(start, end, rate);
    KeptRange range;
    range.firstFrame = frames.first;
    range.expectedFrames = frames.count();
    if (range.expectedFrames == 0) {
        error = QStringLiteral("the kept range holds no frame");
        return std::nullopt;
    }
    if (to)
        range.frameCount = range.expectedFrames;
    range.readerStartSeconds =
        range.firstFrame > 0 ? (double(range.firstFrame) - 0.5) / rate.perSecond() : 0.0;
    range.soundStartSeconds = start;
    if (to)
        range.soundLengthSeconds = end - start;
    return range;
}

} // namespace render
