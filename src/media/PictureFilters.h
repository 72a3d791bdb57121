#pragma once

#include "media/YuvFrames.h"

#include <QString>
#include <QStringList>
#include <optional>

// The filters that make every picture we decode look as a player shows its
// source, and every MP4 we write carry the colours it was meant to.
namespace media {

struct VideoFacts;

// The filter chain that turns a decoded frame of this source into a
// progressive SDR picture of square pixels, converted to RGB with the
// source's YUV matrix: interlaced pictures deinterlaced (one frame per frame),
// PQ and HLG tone-mapped to BT.709, then scaled to `width` x `height` (the
// stored size when 0). Empty when no size is asked and the source needs
// nothing of this (progressive SDR of square pixels with the BT.601 matrix).
QString sourcePictureFilter(const VideoFacts& facts, int width = 0, int height = 0);

// How a reader that takes YUV decodes this source: the filters of
// sourcePictureFilter without the conversion to RGB, ending in 8-bit 4:2:0,
// limited range, and the matrix that picture is in (BT.709 after tone
// mapping). None where 4:2:0 would lose what the source has or the reader
// cannot convert it: full range, 4:2:2 or 4:4:4 chroma, an unknown pixel
// format, a matrix other than BT.601, BT.709 and BT.2020.
struct YuvDecoding
{
    QString filter;
    YuvMatrix matrix;
};
std::optional<YuvDecoding> sourceYuvDecoding(const VideoFacts& facts, int width, int height);

// The options of a still or frame-file extraction ("-vf" and the chain at the
// display size, ending in RGB so that a JPEG writer converts with its own
// matrix); nothing for a source that needs none, whose lists stay as they are.
QStringList sourcePictureOptions(const VideoFacts& facts);

// The matrix we encode a picture of this size with: BT.709 for HD, BT.601 for SD.
QString encodingMatrix(int width, int height);

// The filter that turns RGB frames into YUV of the encoding matrix, limited range.
QString rgbToEncodingFilter(int width, int height);

// The filter that turns a BT.601 YUV picture into the encoding matrix; empty
// when that is BT.601 already.
QString bt601ToEncodingFilter(int width, int height);

// The colour tags (primaries, transfer, matrix, range) of every MP4 we write.
QStringList colourTagArguments(int width, int height);

} // namespace media
