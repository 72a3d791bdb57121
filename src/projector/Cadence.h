#pragma once

#include "imagefilter/Bitmap.h"

#include <vector>

namespace projector {

// The rates a hand-cranked camera is offered at, in frames a second.
const std::vector<int>& crankRates();

// The source frame shown at frame `number` of a video of `rate` frames a
// second when its motion steps at `crankedAt` frames a second: the first
// frame of the step that `number` falls in. Frames are held, never dropped,
// so the result keeps the source's rate and length. 0 (or a crank at or
// above the rate) shows every frame.
long long heldFrame(long long number, double rate, int crankedAt);

// Holds the pictures of a stream of frames in order for a cadence: a frame
// that starts a step is kept and shown until the next step starts. The
// first frame given starts a step whatever its number, since a kept range
// may begin inside one.
class CadenceHold final
{
public:
    CadenceHold(double rate, int crankedAt) : rate_(rate), crankedAt_(crankedAt) {}

    struct Shown
    {
        const imagefilter::Bitmap* picture; // the frame itself or the held one
        long long number;                   // the number its random effects take
    };
    Shown show(long long number, const imagefilter::Bitmap& frame);

private:
    double rate_;
    int crankedAt_;
    bool holding_ = false;
    long long heldNumber_ = 0;
    imagefilter::Bitmap held_;
};

} // namespace projector
