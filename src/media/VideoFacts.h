#pragma once

#include <QString>
#include <QStringView>
#include <optional>

namespace media {

// What the window's probes, the command-line renderer and playback need to
// know of a video, read from the transcoder's reports without the controller.
struct VideoFacts
{
    // The whole file's length, hundredths included, and the report's clock text.
    double durationSeconds = 0.0;
    QString durationText;
    // The picture's own average frame rate (not the file's frame count over a
    // length that includes longer sound), as an exact fraction when the report
    // allows it: 30000/1001 for NTSC 29.97.
    long long rateNumerator = 0;
    long long rateDenominator = 1;
    // Stored frame size and the sample (pixel) aspect ratio, 1:1 when the
    // report gives none.
    int width = 0;
    int height = 0;
    int sampleAspectNumerator = 1;
    int sampleAspectDenominator = 1;
    // Clockwise rotation a player applies (0, 90, 180, 270); the transcoder
    // applies it itself when it decodes.
    int rotation = 0;
    bool hasSound = false;

    double framesPerSecond() const
    {
        return rateDenominator > 0 ? double(rateNumerator) / double(rateDenominator) : 0.0;
    }
    // The frame size a player shows: square pixels, rotation applied, both even.
    int displayWidth() const;
    int displayHeight() const;
    // True for 1:1 pixels; such a picture needs no scale to be shown right.
    bool hasSquarePixels() const;
};

// True when `path` names a regular file (links followed). A named pipe or a
// device would leave the transcoder waiting for data that never comes.
bool isRegularFile(const QString& path);

struct DurationLine;
struct VideoStreamLine;
// Copy one scanned line's facts into `facts`; the probes share these.
void takeDuration(VideoFacts& facts, const DurationLine& line);
void takeStream(VideoFacts& facts, const VideoStreamLine& stream);

// The facts in a report of the transcoder run with "-i" `path`, the path's
// own text taken out first so that no file name can forge a report line.
std::optional<VideoFacts> videoFactsFromReport(QStringView report, QStringView path);

// Runs `transcoder` on `path` and reads its facts; none when it has no
// duration or no video stream with a frame rate. Never blocks on a file that
// is not a regular file (a named pipe, a device): such a file has no facts.
std::optional<VideoFacts> probeVideoFacts(const QString& transcoder, const QString& path);

} // namespace media
