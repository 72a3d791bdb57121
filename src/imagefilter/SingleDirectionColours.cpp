// The colour run's directions: after sepia at full intensity (or any affine
// map of rank one) every colour is a multiple s k of one direction k, and it
// stays one through the vignette, exposure, balance and any map without bias.
// A kernel with a faster version for such colours (gamma: one power for all
// three channels) gets it as its step's `fused` kernel.

#include "imagefilter/Nodes.h"

#include <algorithm>
#include <cmath>

namespace imagefilter::detail {

namespace {

// The direction every output colour of an affine map lies along, whatever
// its input, when the map has one: no bias, no alpha term and rank one (as
// sepia at full intensity: every output is Y times its tone). False if not.
bool directionOf(const AffineMap& map, double (&k)[3])
{
    for (int r = 0; r < 3; ++r)
        if (map.bias[r] != 0.0 || map.m[r][3] != 0.0)
            return false;
    int best = 0;
    double bestNorm = 0;
    for (int c = 0; c < 3; ++c) {
        const double norm = std::abs(map.m[0][c]) + std::abs(map.m[1][c]) + std::abs(map.m[2][c]);
        if (norm > bestNorm) {
            bestNorm = norm;
            best = c;
        }
    }
    if (bestNorm == 0.0)
        return false;
    // every column a multiple of the largest one
    for (int c = 0; c < 3; ++c)
        for (int r = 0; r < 3; ++r)
            for (int q = 0; q < 3; ++q)
                if (std::abs(map.m[r][c] * map.m[q][best] - map.m[q][c] * map.m[r][best]) >
                    1e-12 * bestNorm * bestNorm)
                    return false;
    for (int r = 0; r < 3; ++r)
        k[r] = map.m[r][best];
    return true;
}

// A direction with no negative part (k or -k) as k; false if mixed or zero.
bool nonNegative(double (&k)[3])
{
    const bool negative = k[0] <= 0 && k[1] <= 0 && k[2] <= 0;
    if (negative)
        for (double& v : k)
            v = -v;
    return k[0] >= 0 && k[1] >= 0 && k[2] >= 0 && (k[0] > 0 || k[1] > 0 || k[2] > 0);
}

} // namespace

// Follows, step by step, whether every colour is a multiple of one direction
// (from sepia on, through the vignette, exposure and balance) and gives a
// kernel with a faster version for such colours (gamma: one power, not three)
// that version, as the step's `fused` kernel. Where some alpha of a segment
// is below the unpremultiply floor the kernels run one by one as ever.
void ColourNode::planDirections()
{
    bool along = false; // whether k holds the colours' direction
    double k[3] = {};
    for (Step& step : steps_) {
        const Kernel& first = *kernels_[step.begin];
        const Kernel& kernel = step.fused ? *step.fused : first;
        AffineMap map;
        if (first.space() != Space::Straight) {
            along = false;
        } else if (kernel.keepsAlpha() && kernel.affineForm(map)) {
            // A map of rank one sets the direction; one without bias or
            // alpha term carries it (s k becomes s (M k)).
            double mapped[3] = {};
            if (directionOf(map, mapped)) {
                along = true;
            } else {
                for (int r = 0; r < 3; ++r) {
                    along = along && map.bias[r] == 0.0 && map.m[r][3] == 0.0;
                    for (int c = 0; c < 3; ++c)
                        mapped[r] += map.m[r][c] * k[c];
                }
            }
            along = along && nonNegative(mapped);
            std::copy(mapped, mapped + 3, k);
        } else if (kernel.scalesColour()) {
            // stays along k
        } else if (along && !step.fused) {
            double after[3];
            if (KernelPtr faster = kernel.alongDirection(k, after)) {
                step.fused = std::move(faster);
                std::copy(after, after + 3, k);
                along = nonNegative(k);
            } else {
                along = false;
            }
        } else {
            along = false;
        }
    }
}

} // namespace imagefilter::detail
