#pragma once

#include "imagefilter/Bitmap.h"

#include <QImage>

// Qt's images and the filter library's bitmaps, one into the other.
namespace pictures {

// The image's pixels as a bitmap (a null image gives a null bitmap).
imagefilter::Bitmap bitmapFromImage(const QImage& image);

// The bitmap's pixels as an image of the same size.
QImage imageFromBitmap(const imagefilter::Bitmap& bitmap);

} // namespace pictures
