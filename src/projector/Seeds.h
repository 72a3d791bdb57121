#pragma once

#include <cstdint>

namespace projector {

// A frame's random effects draw from a seed made of the look's seed and the
// frame's number, never from shared state, so a frame renders the same at
// every call, on any thread.
std::uint64_t frameSeed(std::uint32_t lookSeed, long long frame);

// The n-th draw of a seed's stream: a uniform number in [0, 1).
double uniformDraw(std::uint64_t seed, std::uint64_t n);

// A smooth random curve of time: value noise with knots `period` seconds
// apart, joined by a smoothstep, in [-1, 1]. Each stream (weave x, weave y,
// rotation, flicker) is its own curve of the look's seed.
double smoothDrift(std::uint32_t lookSeed, std::uint64_t stream, double seconds, double period);

} // namespace projector
