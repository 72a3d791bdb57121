// PROVISIONAL: conversions only; the filter chain itself replaces imageVintage.
#include "effects/VintageChain.h"

#include <cstring>

namespace effects {

imagefilter::Bitmap CGImageRefFromImage(const QImage& image)
{
    imagefilter::Bitmap bitmap;
    if (image.isNull())
        return bitmap;
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    bitmap.width = rgba.width();
    bitmap.height = rgba.height();
    bitmap.pixels.resize(std::size_t(bitmap.width) * bitmap.height * 4);
    for (int y = 0; y < bitmap.height; ++y)
        std::memcpy(bitmap.pixels.data() + std::size_t(y) * bitmap.width * 4, rgba.constScanLine(y),
                    std::size_t(bitmap.width) * 4);
    return bitmap;
}

QImage imageFromCGImageRef(const imagefilter::Bitmap& bitmap)
{
    if (bitmap.isNull())
        return QImage();
    QImage image(bitmap.width, bitmap.height, QImage::Format_RGBA8888_Premultiplied);
    for (int y = 0; y < bitmap.height; ++y)
        std::memcpy(image.scanLine(y), bitmap.pixels.data() + std::size_t(y) * bitmap.width * 4,
                    std::size_t(bitmap.width) * 4);
    return image;
}

QImage imageVintage(const imagefilter::Bitmap& source, const NodeImageInformation&)
{
    return imageFromCGImageRef(source);
}

} // namespace effects
