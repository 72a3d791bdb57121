#pragma once

// Internal: the sRGB curve over the colour planes of a row buffer, both ways,
// on float values of any range (negative values by symmetry, values above 1
// by the same formula), for the colour run's switches between linear and
// encoded values.

#include "imagefilter/Node.h"

namespace imagefilter::detail {

// r, g and b from encoded to linear light.
void decodePlanes(const Planar& p, int n);
// r, g and b from linear light to encoded values.
void encodePlanes(const Planar& p, int n);

} // namespace imagefilter::detail
