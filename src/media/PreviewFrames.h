#pragma once

#include <QString>
#include <QStringList>

namespace media {

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

} // namespace media
