#include "projector/Seeds.h"

#include <cmath>

namespace projector {

namespace {

constexpr std::uint64_t kGolden = 0x9e3779b97f4a7c15ull;

// splitmix64's finaliser: every input bit stirs every output bit.
std::uint64_t mix(std::uint64_t z)
{
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return z ^ (z >> 31);
}

} // namespace

std::uint64_t frameSeed(std::uint32_t lookSeed, long long frame)
{
    return mix(mix(std::uint64_t(lookSeed) + kGolden) ^ (std::uint64_t(frame) * kGolden));
}

double uniformDraw(std::uint64_t seed, std::uint64_t n)
{
    return double(mix(seed + (n + 1) * kGolden) >> 11) * 0x1.0p-53;
}

double smoothDrift(std::uint32_t lookSeed, std::uint64_t stream, double seconds, double period)
{
    const std::uint64_t curve = mix((std::uint64_t(lookSeed) << 32) ^ mix(stream + 1));
    const double position = seconds / period;
    const double knot = std::floor(position);
    const double f = position - knot;
    const auto valueAt = [&](double k) {
        return 2.0 * uniformDraw(curve, std::uint64_t(static_cast<long long>(k))) - 1.0;
    };
    const double v0 = valueAt(knot), v1 = valueAt(knot + 1);
    return v0 + (v1 - v0) * f * f * (3.0 - 2.0 * f);
}

} // namespace projector
