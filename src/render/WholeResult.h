#pragma once

#include "media/ResultCheck.h"
#include "media/VideoFacts.h"
#include "render/KeptRange.h"

// What a whole result of one video's render holds, and whether a file already
// at the result's name is one.
namespace render {

// The picture's frames in the kept range: those before the picture's end,
// which may come before the range's end; 0 when the picture's length is not known.
long long expectedPictureFrames(const media::VideoFacts& facts, const KeptRange& range);

// How long the result's sound lasts: the kept range's part of the sound
// stream; negative when the stream's length is not known.
double expectedSoundSeconds(const media::VideoFacts& facts, const KeptRange& range);

// Why the file at `path` is not a whole result of rendering `facts` over
// `range`: it cannot be read, lasts other than the render would, or some of
// its packets are missing (media::resultProblem's and packetsProblem's words);
// empty when it is one.
QString existingResultProblem(const QString& transcoder, const QString& path,
                              const media::VideoFacts& facts, const KeptRange& range);

} // namespace render
