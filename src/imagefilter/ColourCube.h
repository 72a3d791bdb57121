#pragma once

#include "imagefilter/Image.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

namespace imagefilter {

// A colour look-up table as grading tools exchange them: a 3-D table of
// size³ RGB entries (red's index changing fastest) or three 1-D curves of
// size entries, both over a domain per channel. Inputs outside the domain
// are clamped to it.
struct ColourCube
{
    bool threeD = true;
    int size = 0; // entries per axis (3-D) or per curve (1-D), at least 2
    float domainMin[3] = {0.0f, 0.0f, 0.0f};
    float domainMax[3] = {1.0f, 1.0f, 1.0f};
    // RGB triples: entry (r, g, b) of a 3-D table at r + size * (g + size * b),
    // entry i of the curves at i.
    std::vector<float> values;

    // The narrowest domain a table may span in a channel.
    static constexpr float kMinDomainWidth = 1e-6f;

    // Whether the sizes, domain (finite, at least kMinDomainWidth wide) and
    // values fit together.
    bool isUsable() const;
    bool domainUsable(int channel) const
    {
        // A width that overflows is no more usable than one that is too narrow.
        const float width = domainMax[channel] - domainMin[channel];
        return width >= kMinDomainWidth && std::isfinite(width);
    }
    // The table's colour for an input: tetrahedral interpolation between the
    // 3-D table's entries, linear between a curve's.
    void lookUp(const float in[3], float out[3]) const;

    // A 64-bit hash of the kind, size, domain and every value's bits: what a
    // colour run baked with this table is known by (ColourLut.h). Two tables
    // that differ anywhere differ here but for a collision, which at 64 bits
    // is left to chance (about 2^-64 for a pair).
    std::uint64_t contentHash() const;
};

// The image with the table applied to its straight sRGB-encoded colour,
// mixed with the colour it had: out = in + strength x (table(in) - in).
// Strength 0, a null or unusable table give the image itself.
Image withColourCube(const Image& image, std::shared_ptr<const ColourCube> cube, float strength);

} // namespace imagefilter
