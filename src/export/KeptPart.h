#pragma once

#include <QStringList>

// What the export's first two steps take of a video of which only a part is
// kept: the source is sought, not decoded from its start, and only the kept
// frames and the sound of their times are written.
namespace exporting {

// Frames written before the first kept one and then removed. The transcoder
// makes the picture constant at the export's rate, filling a slot that has
// no frame of its own from the frames around it; a run that starts a few
// slots early fills the first kept slot as a run from the video's start
// does, where a variable-rate source lacks a frame right there. At most 3,
// so that the first kept file's number (4 at most) lies where a reader of
// numbered images looks for a sequence's start.
inline constexpr long long kLeadFrames = 3;

// The options around "-i" that take a part of the source.
struct PartArguments
{
    QStringList beforeInput; // the seek
    QStringList afterInput;  // the length
};

// Step 1: the sound of frames [firstFrame, firstFrame + frameCount) at
// `rate` frames per second, from firstFrame / rate for frameCount / rate.
PartArguments keptSoundArguments(long long firstFrame, long long frameCount, double rate);

// How many frames Step 2 writes before frame `firstFrame`.
long long leadFrames(long long firstFrame);

// Step 2: a seek to leadFrames() frames before `firstFrame`, and that many
// frames more than `frameCount` written.
PartArguments keptFrameArguments(long long firstFrame, long long frameCount, double rate);

} // namespace exporting
