#pragma once

#include "projector/FramePlace.h"

#include <cstdint>

namespace projector {

// Where the gate weave puts a frame: a shift in x and y as fractions of the
// picture's height, and a rotation in degrees (at most 0.3).
struct Weave
{
    double dx = 0, dy = 0, degrees = 0;
};

// The weave of frame `place` at strength `strength` (0 to 100; 100 drifts up
// to 1 % of the height), smooth over half a second to two seconds.
Weave weaveAt(float strength, std::uint32_t lookSeed, const FramePlace& place);

// The flicker of frame `place` in stops, within +- strength / 100: a slow
// breathing of the exposure plus a jump from frame to frame.
double flickerStops(float strength, std::uint32_t lookSeed, const FramePlace& place);

} // namespace projector
