#pragma once

#include <cstdint>
#include <vector>

namespace imagefilter {

// An 8-bit RGBA bitmap: sRGB-encoded colour, premultiplied alpha, rows stored
// from the top row down with a stride of width * 4 bytes (the layout of
// QImage::Format_RGBA8888_Premultiplied). Its extent in the library's
// lower-left coordinates is (0, 0, width, height): stored row r is y = height - 1 - r.
struct Bitmap
{
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;

    bool isNull() const { return width <= 0 || height <= 0; }
};

// A bitmap whose rows are made when read (a resampled frame, say): the bytes
// of stored row `row`, columns x0 .. x0 + n - 1, in the Bitmap's layout.
// Called from any render thread at once.
class BitmapRows
{
public:
    virtual ~BitmapRows() = default;
    virtual int width() const = 0;
    virtual int height() const = 0;
    virtual void fill(int row, int x0, int n, std::uint8_t* out) const = 0;
};

} // namespace imagefilter
