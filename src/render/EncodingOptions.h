#pragma once

#include "media/VideoCodecs.h"

#include <QString>
#include <optional>

// The renderer's choices of the result's encoding, as given on the command
// line, and their checks.
namespace render {

struct EncodingTexts
{
    std::optional<QString> codec, quality, speed, height;
};

// Reads the texts into `encoding` and `height` (0 when not given); a usage
// error in one line, naming the option and what it takes, or empty.
QString readEncodingOptions(const EncodingTexts& texts, media::VideoEncoding& encoding,
                            int& height);

// The usage text's lines of these options, each codec's ranges and defaults
// from its table.
QString encodingUsage();

// The result's size for a video shown at `width` x `height` when `lines` are
// asked (0: the video's own size): `lines` high, the width keeping the aspect,
// rounded to even. Empty, with `why`, when that would enlarge the video.
std::optional<std::pair<int, int>> scaledSize(int width, int height, int lines, QString& why);

} // namespace render
