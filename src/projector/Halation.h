#pragma once

#include "imagefilter/Bitmap.h"
#include "imagefilter/Glow.h"
#include "projector/Motion.h"

#include <memory>

namespace projector {

// The light that halation spreads: the frame's highlights (linear luminance
// above a threshold), taken at a quarter of its size and blurred to
// `radius` (0 to 100; 100 spreads about 3 % of the picture's height).
// The picture's darker parts give nothing.
std::shared_ptr<imagefilter::GlowMap> halationGlow(const imagefilter::Bitmap& frame, float radius);

// The map read where the weave moved the frame: shifted and zoomed with it
// (its turn of at most 0.3 degree moves a glow this blurred too little to see).
void followWeave(imagefilter::GlowMap& map, const Weave& weave, float strength, int width,
                 int height);

// Halation's red-orange, times strength (0 to 100), in linear light.
void halationTint(float strength, float (&tint)[3]);

} // namespace projector
