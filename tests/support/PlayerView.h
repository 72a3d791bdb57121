#pragma once

#include <QImage>
#include <QList>
#include <QString>

// What a player shows of a file, measured independently of the product's own
// decoding: colours computed here from the decoded YUV planes and the file's
// tags, flashes against beeps, fields, numbers burnt into the frames.
namespace playerview {

// The frame at `seconds` in RGB, as a player converts it: the matrix the file
// is tagged with (untagged: BT.709 from HD sizes, else BT.601), limited range.
QImage frameAsShown(const QString& path, double seconds);

// The mean colour of a 9x9 box around the centre of each of the seven tall
// bars of ffmpeg's smptehdbars picture.
QList<QRgb> barColours(const QImage& bars);

// Mean luma (0-255) and mean saturation (0-1) of a picture.
struct Tone
{
    double luma = 0.0;
    double saturation = 0.0;
};
Tone tone(const QImage& picture);

// The start of each beep (sound after 0.2 s of quiet) of the first sound
// stream, on the file's clock.
QList<double> beepTimes(const QString& path);

// For each flash of the picture (a frame turning white), its time minus the
// time of the nearest beep of the first sound stream, both on the file's clock.
QList<double> flashBeepOffsets(const QString& path);

// The share of frames that ffmpeg's field detector finds interlaced.
double interlacedShare(const QString& path);

// The number each frame carries in ten black or white columns (bit 0 at the
// left), as the counterClip source draws it.
QList<int> burntNumbers(const QString& path);
// An ffmpeg source drawing that number; `size` as "160x120".
QString counterSource(const QString& size, const QString& rate, double seconds);

// ffprobe's value of one entry ("stream=channels", "format_tags=creation_time")
// of `stream` ("a:0"; empty for the format).
QString probeEntry(const QString& path, const QString& stream, const QString& entry);

} // namespace playerview
