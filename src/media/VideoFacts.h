#pragma once

#include "media/Clock.h"

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace media {

// What the window's probes, the command-line renderer and playback need to
// know of a video, read from the prober's JSON description of the file.
struct VideoFacts
{
    // The whole file's length, and the same as a clock text " hh:mm:ss.h"
    // (a separator, then the clock cut to 11 characters).
    double durationSeconds = 0.0;
    QString durationText;
    // The file has a picture stream (not only a cover picture).
    bool hasPicture = false;
    // The picture's frame rate as an exact fraction: its own average rate
    // (30000/1001 for NTSC 29.97), or for a variable-rate picture its nominal
    // rate, at which frames are repeated or dropped to keep it in step.
    long long rateNumerator = 0;
    long long rateDenominator = 1;
    bool variableRate = false;
    // How long after the file's start (its earliest stream) the picture
    // starts, and how long the picture and the first sound stream last as
    // the container's index of their frames says (0 when it keeps none).
    double pictureStartSeconds = 0.0;
    double pictureSeconds = 0.0;
    double soundStartSeconds = 0.0;
    double soundSeconds = 0.0;
    // Stored frame size and the sample (pixel) aspect ratio, 1:1 when none.
    int width = 0;
    int height = 0;
    int sampleAspectNumerator = 1;
    int sampleAspectDenominator = 1;
    // Clockwise rotation a player applies (0, 90, 180, 270); the transcoder
    // applies it itself when it decodes.
    int rotation = 0;
    // Colour as the stream is tagged, in the prober's words ("bt709", "tv",
    // "arib-std-b67"); empty when untagged or unknown.
    QString colourMatrix;
    QString colourRange;
    QString colourPrimaries;
    QString colourTransfer;
    // The decoder's pixel format in the prober's words ("yuv420p"); empty when unknown.
    QString pixelFormat;
    // "tt", "bb", "tb" or "bt" for an interlaced picture; else empty or "progressive".
    QString fieldOrder;
    // One entry per sound stream: its channel count.
    QList<int> soundChannels;
    bool hasSound = false;
    // The picture's and the first sound stream's codecs, in the prober's
    // words ("h264", "aac"); empty when unknown.
    QString pictureCodec;
    QString soundCodec;

    Rate rate() const { return {rateNumerator, rateDenominator}; }
    double framesPerSecond() const { return rate().perSecond(); }
    // How many frames at `rate`, from frame `first` on (`count` of them, or
    // all when negative), start before the picture ends; 0 when the picture's
    // length is not known.
    long long pictureFramesFrom(Rate rate, long long first, long long count = -1) const;
    // The frame size a player shows: square pixels, rotation applied, both even.
    int displayWidth() const;
    int displayHeight() const;
    // True for 1:1 pixels; such a picture needs no scale to be shown right.
    bool hasSquarePixels() const;
    // A picture whose frames must be timed anew to stay in step with its
    // sound: a variable rate, or a start more than half a frame after the
    // sound's, whose first frame is then held from the start as players do.
    bool needsConstantRate() const;
    bool isInterlaced() const;
    // The picture's size when it is more than can be handled (a side above
    // 8192 pixels or more than 36 megapixels shown), as "64000x4000"; else empty.
    QString oversizeText() const;
    // A PQ or HLG picture: it needs tone mapping to look right in SDR.
    bool isHdr() const;
    // The YUV matrix to decode with, in the scaler's words ("bt601", "bt709",
    // "bt2020"): the tagged one, else what players assume from the size.
    QString decodingMatrix() const;
};

// True for the sizes players treat as HD (BT.709 when untagged).
bool isHighDefinition(int width, int height);

// True when `path` names a regular file (links followed) that is no playlist.
// A named pipe or a device would leave the transcoder waiting for data that
// never comes; a playlist (ffconcat, HLS, DASH) names other files, which may
// be such a pipe or device, or somebody else's file.
bool isPlainFile(const QString& path);

// Given before an input: the transcoder may open only files and pipes, so a
// container that names other inputs cannot reach the network or a device
// behind another protocol.
QStringList fileProtocolsOnly();

// The facts in the prober's JSON ("-show_streams -show_format -of json").
// None when the JSON holds no positive duration; without a picture stream,
// hasPicture is false and only the duration and sound are filled.
std::optional<VideoFacts> videoFactsFromJson(QByteArrayView json);

// Runs the prober that belongs with `transcoder` on `path` and reads its
// facts, whatever they are; none for a file that is not a regular file (a
// named pipe, a device) or that the prober cannot read.
std::optional<VideoFacts> probeFacts(const QString& transcoder, const QString& path);

// probeFacts, but none also when the file has no picture with a frame rate.
std::optional<VideoFacts> probeVideoFacts(const QString& transcoder, const QString& path);

} // namespace media
