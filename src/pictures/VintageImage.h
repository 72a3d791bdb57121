#pragma once

#include "effects/Look.h"
#include "imagefilter/Bitmap.h"
#include "projector/FramePlace.h"

#include <QImage>

namespace pictures {

// The old-film chain (effects::renderVintage) as an image of the source's
// size (0 x 0 for a null source), in Qt's native premultiplied 32-bit format.
QImage vintageImage(const imagefilter::Bitmap& source, const effects::Look& record,
                    const projector::FramePlace& place = {});

} // namespace pictures
