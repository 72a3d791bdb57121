#pragma once

#include "imagefilter/Bitmap.h"
#include "projector/Motion.h"

namespace projector {

// The frame as the gate weave places it: shifted and turned by `weave`
// about its centre, and zoomed just enough that at the largest weave of
// `strength` no edge shows. Sampled bilinearly from the source's bytes.
imagefilter::Bitmap weaved(const imagefilter::Bitmap& source, const Weave& weave, float strength);
// The same into `out`, whose storage is reused when it has the size already.
void weaveInto(const imagefilter::Bitmap& source, const Weave& weave, float strength,
               imagefilter::Bitmap& out);

// The zoom that hides every edge of a w x h frame at the weave's largest
// shift and turn for `strength`.
double weaveZoom(int width, int height, float strength);

} // namespace projector
