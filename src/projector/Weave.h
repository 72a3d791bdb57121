#pragma once

#include "imagefilter/Bitmap.h"
#include "projector/Motion.h"

#include <memory>

namespace projector {

// The frame as the gate weave places it: shifted and turned by `weave`
// about its centre, and zoomed just enough that at the largest weave of
// `strength` no edge shows. Sampled bilinearly from the source's bytes as
// the chain reads each row, so no second frame is written. The source must
// outlive the rows.
std::shared_ptr<const imagefilter::BitmapRows> weavedRows(const imagefilter::Bitmap& source,
                                                          const Weave& weave, float strength);

// The zoom that hides every edge of a w x h frame at the weave's largest
// shift and turn for `strength`.
double weaveZoom(int width, int height, float strength);

} // namespace projector
