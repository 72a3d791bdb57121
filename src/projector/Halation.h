#pragma once

#include "imagefilter/Bitmap.h"
#include "imagefilter/Glow.h"
#include "projector/Motion.h"

#include <memory>

namespace projector {

// The light that halation spreads: the frame's highlights (linear luminance
// above a threshold), measured in cells of 4 x 4 pixels and blurred to
// `radius` (0 to 100; 100 spreads about 3 % of the picture's height), read
// where `weave` (when given, at `weaveStrength`) moved the frame. The
// picture's darker parts give nothing.
std::shared_ptr<imagefilter::GlowMap> halationGlow(const imagefilter::Bitmap& frame, float radius,
                                                   const Weave* weave = nullptr,
                                                   float weaveStrength = 0);

// Halation's red-orange, times strength (0 to 100), in linear light.
void halationTint(float strength, float (&tint)[3]);

} // namespace projector
