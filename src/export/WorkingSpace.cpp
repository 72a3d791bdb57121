#include "export/WorkingSpace.h"

#include "export/FrameFiltering.h"
#include "pictures/ImageBitmaps.h"
#include "pictures/VintageImage.h"

#include <QBuffer>
#include <QLocale>
#include <cmath>

namespace exporting {

namespace {

// Sound as the export extracts it: 16-bit stereo PCM, counted at 48 kHz (few videos
// carry more).
constexpr double kSoundBytesPerSecond = 48000.0 * 2 * 2;
// Below this the disk counts as full when a step fails.
constexpr std::int64_t kNearlyFull = 1024 * 1024;

} // namespace

std::int64_t jpegFrameBytes(const QImage& frame, int quality)
{
    if (frame.isNull())
        return 0;
    // Qt's writer at quality 90 gives about the size of the transcoder's
    // "-qscale:v 2" frames (within 10 to 40 %, larger), so the estimate errs
    // on the side of room.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    frame.save(&buffer, "JPEG", quality);
    return buffer.size();
}

std::int64_t workingBytesNeeded(std::int64_t frames, std::int64_t sourceBytes,
                                std::int64_t lookBytes, double seconds)
{
    // Every frame is on disk as extracted and with the look, as JPEG; the two
    // AVIs hold the frames with the look once each, coded at the same
    // quantiser as MPEG-4, which took about twice a JPEG's bytes on grainy
    // frames (12 s of 720p: 190 KB a JPEG, 346 KB an AVI frame). The sound is
    // there twice (the WAV and inside output.avi); the cut's uncut MP4 is
    // small beside all this.
    const double jpegs = double(frames) * double(sourceBytes + lookBytes);
    const double avis = 2.0 * double(frames) * 2.0 * double(lookBytes);
    const double sound = 2.0 * std::max(seconds, 0.0) * kSoundBytesPerSecond;
    return std::int64_t(std::ceil(jpegs + avis + sound));
}

QString sizeText(std::int64_t bytes)
{
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

std::int64_t estimatedWorkingBytes(const ExportedVideo& video, std::int64_t keptFrames)
{
    const QImage& frame = video.previewFrame;
    const std::int64_t sourceBytes = jpegFrameBytes(frame);
    if (sourceBytes <= 0)
        return 0;
    // The frames with the look are written at the filtered frames' own quality.
    const std::int64_t lookBytes =
        jpegFrameBytes(pictures::vintageImage(pictures::bitmapFromImage(frame), video.look),
                       kFilteredFrameJpegQuality);
    // The duration is in whole seconds, the fraction dropped: one more second
    // covers it.
    const double seconds = double(video.durationSeconds + 1);
    const auto frames = std::int64_t(std::ceil(seconds * double(video.fps)));
    if (keptFrames >= 0 && keptFrames < frames && video.fps > 0.0f)
        return workingBytesNeeded(keptFrames, sourceBytes, lookBytes,
                                  double(keptFrames) / double(video.fps));
    return workingBytesNeeded(frames, sourceBytes, lookBytes, seconds);
}

QString notEnoughSpaceText(std::int64_t needed, std::int64_t available, const QString& folder)
{
    return QStringLiteral("Exporting this video needs about %1 of free space for its working "
                          "files in \u201c%2\u201d, but only %3 is free there. Please free some "
                          "space and try again.")
        .arg(sizeText(needed), folder, sizeText(available));
}

QString diskFullNote(const QString& report, std::int64_t available)
{
    const bool reported = report.contains(QLatin1String("No space left on device"));
    if (!reported && !(available >= 0 && available < kNearlyFull))
        return QString();
    return QStringLiteral(" The disk is full: please free some space and try again.");
}

} // namespace exporting
