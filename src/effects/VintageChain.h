#pragma once

#include "effects/Look.h"
#include "imagefilter/Bitmap.h"
#include "imagefilter/Filter.h"

#include <QImage>
#include <string>
#include <vector>

namespace effects {

// The image's pixels as the filter library's bitmap (a null image gives a null bitmap).
imagefilter::Bitmap CGImageRefFromImage(const QImage& image);

// The bitmap's pixels as an image of the same size.
QImage imageFromCGImageRef(const imagefilter::Bitmap& bitmap);

// The old-film chain: the record's effects rendered onto the source, an image
// of the source's size (0 x 0 for a null source).
QImage imageVintage(const imagefilter::Bitmap& source, const effects::Look& record);

// The same chain over a source that is a reduced copy of the full frame,
// `grainScale` times its size (playback renders at the size it shows): the
// grain and the scratches are drawn scaled by it, so they lie where, and are
// as large as, they would on the full frame. The vignette follows the
// picture's own size already.
QImage imageVintage(const imagefilter::Bitmap& source, const effects::Look& record,
                    double grainScale);

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

// The graph the record builds over a source of the given size, without
// rendering it. With noise on it draws from std::rand as a real call does.
std::vector<VintageStep> vintageGraph(const effects::Look& record, int width = 64, int height = 48);
// The same as text, one step a line.
std::string describeVintageGraph(const effects::Look& record, int width = 64, int height = 48);

} // namespace effects
