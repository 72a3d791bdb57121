#pragma once

#include <cstddef>
#include <cstdint>

class QImage;

// Rendered frames turned into what the encoder takes: 8-bit YUV 4:2:0,
// limited range, so that the encoding child only encodes.
namespace media {

enum class YuvMatrix {
    Bt601,
    Bt709,
};

// The matrix every MP4 of this size is written with (encodingMatrix's).
YuvMatrix encodingYuvMatrix(int width, int height);

// The bytes of one frame of `width` x `height` (both even): the Y plane, then
// the U and the V plane at half the size each way, rows without padding.
std::size_t yuv420Bytes(int width, int height);

// Writes `frame` (Format_ARGB32_Premultiplied or Format_RGB32) into
// `planes` as yuv420Bytes of its size rounded down to even: an odd width or
// height loses its last column or row. The bytes are taken as stored, so a
// translucent pixel gives its premultiplied colour. Each Y is its pixel's
// value rounded to the nearest level, each U and V that of the mean of its
// 2x2 block (coefficients with 20 fraction bits: off only where the exact
// value lies within a thousandth of a level of a half).
// Rows are shared out over the filter library's worker pool.
void toYuv420(const QImage& frame, YuvMatrix matrix, std::uint8_t* planes);

} // namespace media
