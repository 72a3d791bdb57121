#pragma once

#include "effects/Look.h"

#include <QString>
#include <QStringList>

// The frame work of the export: which files are frames, what each filtered
// frame is called, and filtering one frame file into another.
namespace exporting {

// The filtered frames' JPEG quality. Measured on a textured 720p photograph:
// at Qt's default, 75, a frame keeps 43.6 dB Y of its source, against 46.4 dB
// for the frame file it was read from; at 95 it keeps 46.3, and higher
// qualities add nothing (46.4 at 98) while the files grow (+28 % at 98).
inline constexpr int kFilteredFrameJpegQuality = 95;

// Names of the entries of `folder` (one level, in listing order) that end in
// ".jpg", matching case.
QStringList listFrameNames(const QString& folder);

// "w_" + the frame's name without its extension + ".jpg":
// output_00000042.jpg gives w_output_00000042.jpg.
QString filteredFrameName(const QString& frameName);

enum class FrameResult {
    Filtered,   // decoded, run through the chain, written as JPEG
    CopiedAsIs, // not decodable: its bytes written through unchanged
    Failed,     // nothing could be written
};

// Decodes the JPEG at `framePath`, renders `look` onto it and
// writes the result atomically to `outputPath` as JPEG at high quality.
// A frame that cannot be decoded is copied through, so that the re-encoding
// still finds one filtered file for every frame number.
FrameResult filterFrameFile(const QString& framePath, const QString& outputPath,
                            const effects::Look& look);

} // namespace exporting
