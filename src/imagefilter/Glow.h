#pragma once

#include "imagefilter/Image.h"

#include <memory>
#include <vector>

namespace imagefilter {

// A coarse map of light to add over an image: `width` x `height` values in
// the library's coordinates (row 0 at the bottom), each covering `scale` x
// `scale` pixels of the image. Read bilinearly between the cells' centres.
struct GlowMap
{
    int width = 0;
    int height = 0;
    double scale = 1.0;
    std::vector<float> values;
};

// The image with the map's light added in linear light, tinted by (red,
// green, blue): out = in + tint x glow x alpha. A null map or a zero tint
// gives the image itself.
Image withGlow(const Image& image, std::shared_ptr<const GlowMap> map, float red, float green,
               float blue);

} // namespace imagefilter
