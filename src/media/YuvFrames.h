#pragma once

#include <cstddef>
#include <cstdint>

class QImage;

// Frames between RGB and 8-bit YUV 4:2:0, limited range: rendered frames
// turned into what the encoder takes, so that the encoding child only
// encodes, and decoded frames turned into RGBA, so that the decoding child
// only decodes and the pipe carries half as many bytes.
namespace media {

enum class YuvMatrix {
    Bt601,
    Bt709,
    Bt2020, // non-constant luminance
};

// The matrix every MP4 of this size is written with (encodingMatrix's).
YuvMatrix encodingYuvMatrix(int width, int height);

// The bytes of one frame of `width` x `height`: the Y plane, then the U and
// the V plane of (width + 1) / 2 x (height + 1) / 2, rows without padding, as
// the transcoder reads and writes them.
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

// Writes the RGBA8888 bytes (opaque) of the limited-range `planes`
// (yuv420Bytes of `width` x `height`) into `rgba`. Chroma is sited as
// H.264 and MPEG-2 site it, level with the left pixel of its pair and midway
// between its two rows, and interpolated linearly between the samples around
// each pixel, as players do; levels outside 16-235 (240 for chroma) give
// colours outside the range and are clipped to it per channel.
// Rows are shared out over the filter library's worker pool.
void fromYuv420(const std::uint8_t* planes, int width, int height, YuvMatrix matrix,
                std::uint8_t* rgba);

} // namespace media
