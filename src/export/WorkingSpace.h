#pragma once

#include "effects/Look.h"

#include <QImage>
#include <QString>
#include <cstdint>

// Room on the disk for the export's working files.
namespace exporting {

// Bytes of one frame written as JPEG at `quality`; by default about the size
// of the transcoder's extracted frames. 0 for a missing frame.
std::int64_t jpegFrameBytes(const QImage& frame, int quality = 90);

// Bytes the working files of an export need, for `frames` frames whose JPEG
// takes `sourceBytes` as extracted and `lookBytes` with the look (grain makes
// a frame far larger), and `seconds` of sound.
std::int64_t workingBytesNeeded(std::int64_t frames, std::int64_t sourceBytes,
                                std::int64_t lookBytes, double seconds);

// What the estimate reads of the video to export.
struct ExportedVideo
{
    QImage previewFrame;
    effects::Look look;
    std::int64_t durationSeconds = 0; // whole seconds, the fraction dropped
    float fps = 0.0f;
};

// The working files' bytes for exporting the video with its look, from its
// preview frame; 0 when there is no preview frame to measure. Only
// `keptFrames` frames and their sound count when it is not negative.
std::int64_t estimatedWorkingBytes(const ExportedVideo& video, std::int64_t keptFrames = -1);

// "1.2 GB", "350.0 MB": decimal units, one decimal.
QString sizeText(std::int64_t bytes);

// The alert's text when `needed` bytes of working files do not fit in the
// `available` bytes of `folder`'s disk.
QString notEnoughSpaceText(std::int64_t needed, std::int64_t available, const QString& folder);

// " The disk is full…" when the last transcoder run's `report` says that the
// disk filled, or the working folder's disk has next to nothing left
// (`available` bytes; negative when unknown); else empty.
QString diskFullNote(const QString& report, std::int64_t available);

} // namespace exporting
