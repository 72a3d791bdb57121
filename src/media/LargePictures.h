#pragma once

#include <QStringList>

namespace media {

// A picture of more than four megapixels (beyond 1440p: 4K and up). The
// transcoders that read and write such frames trade a little speed for
// memory, so that a render of a 4K video stays within a gigabyte.
bool isLargePicture(int width, int height);

// How many RGBA frames of this size a queue between the transcoders and the
// look may hold: three, fewer when three would pass 64 MB, never under one.
int framesInFlightFor(int width, int height);

// The environment a transcoder handling large pictures runs with: its
// frame-sized buffers go back to the system when freed instead of staying
// in the allocator's heap, which held some 110 MB of a 4K decode.
QStringList largePictureEnvironment();

// Decoder options, given before the input: one decoding thread (at 4K the
// encoder is several times slower, so a second thread only adds frames held).
QStringList largePictureDecoderArguments();

} // namespace media
