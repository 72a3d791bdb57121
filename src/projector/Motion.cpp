#include "projector/Motion.h"

#include "projector/Seeds.h"

#include <algorithm>

namespace projector {

namespace {

enum Stream : std::uint64_t { WeaveX = 1, WeaveY, WeaveTurn, FlickerBreath, FlickerJump };

double secondsOf(const FramePlace& place)
{
    return place.rate > 0 ? double(place.number) / place.rate : 0.0;
}

// Two octaves of drift, two seconds and half a second, in [-1, 1].
double weaveDrift(std::uint32_t seed, std::uint64_t stream, double seconds)
{
    return 0.65 * smoothDrift(seed, stream, seconds, 2.0) +
           0.35 * smoothDrift(seed, stream + 100, seconds, 0.5);
}

double share(float strength)
{
    return std::clamp(double(strength), 0.0, 100.0) / 100.0;
}

} // namespace

Weave weaveAt(float strength, std::uint32_t lookSeed, const FramePlace& place)
{
    const double s = share(strength), t = secondsOf(place);
    // Film weaves more across the gate than along it.
    return {s * 0.006 * weaveDrift(lookSeed, WeaveX, t),
            s * 0.010 * weaveDrift(lookSeed, WeaveY, t),
            s * 0.3 * smoothDrift(lookSeed, WeaveTurn, t, 1.5)};
}

double flickerStops(float strength, std::uint32_t lookSeed, const FramePlace& place)
{
    const double breath = smoothDrift(lookSeed, FlickerBreath, secondsOf(place), 0.7);
    const double jump = 2.0 * uniformDraw(frameSeed(lookSeed, place.number), FlickerJump) - 1.0;
    return share(strength) * (0.5 * breath + 0.5 * jump);
}

} // namespace projector
