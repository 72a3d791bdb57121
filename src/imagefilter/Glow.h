#pragma once

#include "imagefilter/Image.h"

#include <memory>
#include <vector>

namespace imagefilter {

// A coarse map of light to add over an image: `width` x `height` values in
// the library's coordinates (row 0 at the bottom). The image's pixel centred
// at (x, y) reads the map at (x * stepX + startX, y * stepY + startY) in
// cells (cell centres at whole numbers), bilinearly, clamped to the map.
struct GlowMap
{
    int width = 0;
    int height = 0;
    double stepX = 1.0, startX = 0.0;
    double stepY = 1.0, startY = 0.0;
    std::vector<float> values;
};

// The image with the map's light added in linear light, tinted by (red,
// green, blue): out = in + tint x glow x alpha. A null map or a zero tint
// gives the image itself.
Image withGlow(const Image& image, std::shared_ptr<const GlowMap> map, float red, float green,
               float blue);

} // namespace imagefilter
