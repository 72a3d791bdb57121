#pragma once

#include <QString>
#include <QStringList>

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
