#pragma once

#include "app/NodeImageInformation.h"
#include "imagefilter/Bitmap.h"

#include <QImage>

namespace effects {

// The image's pixels as the filter library's bitmap (a null image gives a null bitmap).
imagefilter::Bitmap CGImageRefFromImage(const QImage& image);

// The bitmap's pixels as an image of the same size.
QImage imageFromCGImageRef(const imagefilter::Bitmap& bitmap);

// The old-film chain: the record's effects rendered onto the source, an image
// of the source's size (0 x 0 for a null source).
QImage imageVintage(const imagefilter::Bitmap& source, const NodeImageInformation& record);

} // namespace effects
