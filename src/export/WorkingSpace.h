#pragma once

#include <QImage>
#include <QString>
#include <cstdint>

class AppDelegate;

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

// The working files' bytes for exporting the open video with its look, from
// its preview frame; 0 when there is no preview frame to measure.
std::int64_t estimatedWorkingBytes(const AppDelegate& controller);

// "1.2 GB", "350.0 MB": decimal units, one decimal.
QString sizeText(std::int64_t bytes);

// True when the working folder's disk has room for the export of the open
// video. Otherwise shows the alert "Error" (how much is needed, how much is
// free) with the button "Close" and returns false. Without a preview frame
// the frame size is unknown, and nothing is checked.
bool enoughWorkingSpace(AppDelegate& controller);

// " The disk is full…" when the last transcoder run reported that the disk
// filled, or the working folder's disk has next to nothing left; else empty.
QString diskFullNote(AppDelegate& controller);

} // namespace exporting
