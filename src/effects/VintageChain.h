#pragma once

#include "effects/Look.h"
#include "imagefilter/Bitmap.h"
#include "imagefilter/Context.h"
#include "imagefilter/Filter.h"
#include "projector/FramePlace.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace effects {

// The old-film chain: the record's effects rendered onto the source, into
// `pixels` (the source's size, rows `rowBytes` apart, premultiplied, four
// bytes a pixel in `order`, alpha last). Nothing is written for a null
// source. The frame's place (its number and its video's rate) decides its
// random and moving effects, so a frame gives the same bytes at every call;
// without one it is frame 0.
void renderVintage(const imagefilter::Bitmap& source, const effects::Look& record,
                   const projector::FramePlace& place, std::uint8_t* pixels, std::size_t rowBytes,
                   imagefilter::Context::ByteOrder order = imagefilter::Context::ByteOrder::Rgba);

// One operation of the chain's graph, in build order: a filter (its name and
// the inputs it was given, in order), or "croppedTo" (rect as x, y, w, h),
// "translate" (tx, ty) or "scale" (sx, sy).
struct VintageStep
{
    std::string op;
    std::vector<imagefilter::Filter::Input> inputs;
    bool keyByKey = false; // inputs set one at a time rather than all at once

    std::string describe() const;
};

// The graph the record builds over a source of the given size for frame 0,
// without rendering it.
std::vector<VintageStep> vintageGraph(const effects::Look& record, int width = 64, int height = 48);
// The same as text, one step a line.
std::string describeVintageGraph(const effects::Look& record, int width = 64, int height = 48);

} // namespace effects
