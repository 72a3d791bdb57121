#include "pictures/ImageBitmaps.h"

#include <cstdint>
#include <cstring>

namespace pictures {

imagefilter::Bitmap bitmapFromImage(const QImage& image)
{
    imagefilter::Bitmap bitmap;
    if (image.isNull())
        return bitmap;
    bitmap.width = image.width();
    bitmap.height = image.height();
    bitmap.pixels.resize(std::size_t(bitmap.width) * bitmap.height * 4);
    const std::size_t rowBytes = std::size_t(bitmap.width) * 4;
    const QImage::Format format = image.format();
    if (format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied) {
        // Decoded JPEG frames and drawn images come as 0xAARRGGBB words: one
        // pass swaps them into R, G, B, A bytes (alpha 255 for RGB32).
        const std::uint32_t opaque = format == QImage::Format_RGB32 ? 0xff000000u : 0u;
        for (int y = 0; y < bitmap.height; ++y) {
            const auto* in = reinterpret_cast<const std::uint32_t*>(image.constScanLine(y));
            std::uint8_t* out = bitmap.pixels.data() + std::size_t(y) * rowBytes;
            for (int x = 0; x < bitmap.width; ++x) {
                const std::uint32_t argb = in[x] | opaque;
                out[4 * x + 0] = std::uint8_t(argb >> 16);
                out[4 * x + 1] = std::uint8_t(argb >> 8);
                out[4 * x + 2] = std::uint8_t(argb);
                out[4 * x + 3] = std::uint8_t(argb >> 24);
            }
        }
        return bitmap;
    }
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    for (int y = 0; y < bitmap.height; ++y)
        std::memcpy(bitmap.pixels.data() + std::size_t(y) * rowBytes, rgba.constScanLine(y),
                    rowBytes);
    return bitmap;
}

QImage imageFromBitmap(const imagefilter::Bitmap& bitmap)
{
    if (bitmap.isNull())
        return QImage();
    QImage image(bitmap.width, bitmap.height, QImage::Format_RGBA8888_Premultiplied);
    for (int y = 0; y < bitmap.height; ++y)
        std::memcpy(image.scanLine(y), bitmap.pixels.data() + std::size_t(y) * bitmap.width * 4,
                    std::size_t(bitmap.width) * 4);
    return image;
}
} // namespace pictures
