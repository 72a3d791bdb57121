#include "render/WholeResult.h"

#include <algorithm>

namespace render {

long long expectedPictureFrames(const media::VideoFacts& facts, const KeptRange& range)
{
    return facts.pictureFramesFrom(facts.rate(), range.firstFrame, range.frameCount);
}

double expectedSoundSeconds(const media::VideoFacts& facts, const KeptRange& range)
{
    if (!facts.hasSound || facts.soundSeconds <= 0.0)
        return -1.0;
    const double soundEnd = facts.soundStartSeconds + facts.soundSeconds;
    const double end = range.soundLengthSeconds >= 0.0
                           ? std::min(soundEnd, range.soundStartSeconds + range.soundLengthSeconds)
                           : soundEnd;
    return std::max(0.0, end - std::max(range.soundStartSeconds, facts.soundStartSeconds));
}

QString existingResultProblem(const QString& transcoder, const QString& path,
                              const media::VideoFacts& facts, const KeptRange& range)
{
    // The frames a render writes: the picture's in the range, or the range's
    // own count when the picture's length is not known. A render may end a
    // frame short of that; the check allows a frame either way.
    const long long picture = expectedPictureFrames(facts, range);
    const long long frames = picture > 0 ? picture : range.expectedFrames;
    media::ExpectedResult expected;
    expected.frameSeconds = double(facts.rateDenominator) / double(facts.rateNumerator);
    expected.pictureSeconds = double(frames) * expected.frameSeconds;
    expected.sound = !facts.soundChannels.isEmpty();
    expected.soundSeconds = expectedSoundSeconds(facts, range);
    const QString problem = media::resultProblem(transcoder, path, expected);
    return problem.isEmpty() ? media::packetsProblem(transcoder, path) : problem;
}

} // namespace render
