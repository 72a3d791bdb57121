#pragma once

#include "effects/Look.h"
#include "projector/FramePlace.h"

#include <QString>
#include <QStringList>
#include <optional>

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

// The number in a frame file's name, counted from 1 as Step 2 writes them:
// 42 for output_00000042.jpg; none for any other name.
std::optional<long long> frameFileNumber(const QString& frameName);

// Which source frames the working folder's files hold: file number k is
// frame first - lead + k - 1 of the source, numbered at `rate`.
struct FrameFiles
{
    long long first = 0; // the kept range's first frame; 0 for the whole video
    long long lead = 0;  // the files written before it (and removed)
    double rate = 0.0;   // the export's frames a second
};

// What is filtered into the output of frame file `frameName`: the file of
// the frame shown there and the place its random effects take. With a
// cadence of `crankedAt` frames a second that is the file of the first frame
// of its step (the kept part's first file when the step began before it)
// and the step's first frame's number, as the renderer holds it. A name
// without a number is filtered as itself, at the part's first frame.
struct FrameSource
{
    QString name;
    projector::FramePlace place;
};
FrameSource frameSourceFor(const QString& frameName, const FrameFiles& files, int crankedAt);

enum class FrameResult {
    Filtered,   // decoded, run through the chain, written as JPEG
    CopiedAsIs, // not decodable: its bytes written through unchanged
    Failed,     // nothing could be written
};

// Decodes the JPEG at `framePath`, renders `look` onto it as the frame at
// `place` and writes the result atomically to `outputPath` as JPEG at high
// quality.
// A frame that cannot be decoded is copied through, so that the re-encoding
// still finds one filtered file for every frame number.
FrameResult filterFrameFile(const QString& framePath, const QString& outputPath,
                            const effects::Look& look, const projector::FramePlace& place = {});

} // namespace exporting
