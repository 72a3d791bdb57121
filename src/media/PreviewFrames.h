#pragma once

#include <QString>
#include <QStringList>

namespace media {

struct VideoFacts;

// The preview frame's file name: the video's file name plus ".bmp". A name so
// long that this passes the file system's 255-byte limit is cut (at a whole
// character) and given a short digest of the full name, so that it still fits
// and two long names that differ only at their ends still differ.
QString previewFrameFileName(const QString& videoPath);

// The options that make ffmpeg's image writer write exactly the file `path`
// names: it reads a name with "%" as a pattern ("clip %d.mp4.bmp" would be
// written as "clip 1.mp4.bmp"), unless it is told to update one file.
// Nothing for a name without "%", whose argument list stays as it is.
QStringList imageWriterOptions(const QString& path);

// The filter that turns a non-square-pixel picture into square pixels at its
// display size ("-vf scale=852:480,setsar=1" for DV widescreen); nothing for
// square pixels, whose argument lists stay as they are.
QStringList squarePixelOptions(const VideoFacts& facts);

} // namespace media
