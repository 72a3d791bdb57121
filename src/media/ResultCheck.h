#pragma once

#include <QString>
#include <QStringView>

// Whether a file we wrote is whole: no success is reported for a result that
// a full disk or a damaged source cut short.
namespace media {

// True when a transcoder's report tells of a failed write ("No space left on
// device", "Error writing trailer"): ffmpeg may still exit with status 0.
bool reportsWriteError(QStringView report);

struct ExpectedResult
{
    double pictureSeconds = 0.0; // how long the picture must last
    double frameSeconds = 0.0;   // one frame, the tolerance
    bool sound = false;          // it must have sound
    double soundSeconds = -1.0;  // how long; negative when not known
};

// Why the written video at `path` is not whole: it cannot be read, or its
// picture or sound lasts more than a frame longer or shorter than expected.
// Empty when it is whole.
QString resultProblem(const QString& transcoder, const QString& path,
                      const ExpectedResult& expected);

// Why not every packet of the video at `path` can be read, as of a file cut
// short after its index (which still tells the whole length); empty when all
// can. Reads the whole file without decoding it.
QString packetsProblem(const QString& transcoder, const QString& path);

} // namespace media
