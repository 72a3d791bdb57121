#include "export/WorkingSpace.h"

#include "app/AppDelegate.h"
#include "platform/Dialogs.h"

#include <QBuffer>
#include <QLocale>

#include <cmath>

namespace exporting {

namespace {

// Sound as Step 1 writes it: 16-bit stereo PCM, counted at 48 kHz (few videos
// carry more).
constexpr double kSoundBytesPerSecond = 48000.0 * 2 * 2;
// Below this the disk counts as full when a step fails.
constexpr std::int64_t kNearlyFull = 1024 * 1024;

} // namespace

std::int64_t jpegFrameBytes(const QImage& frame)
{
    if (frame.isNull())
        return 0;
    // Qt's writer at quality 90 gives about the size of the transcoder's
    // "-qscale:v 2" frames (within 10 to 40 %, larger), so the estimate errs
    // on the side of room.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    frame.save(&buffer, "JPEG", 90);
    return buffer.size();
}

std::int64_t workingBytesNeeded(std::int64_t frames, std::int64_t frameBytes, double seconds)
{
    // Every frame is on disk twice as JPEG (extracted, then with the look),
    // and twice more inside the two AVIs, whose frames are coded at the same
    // quality; the sound is there twice too (the WAV and inside output.avi).
    // The cut's uncut MP4 is far smaller than any of these and is covered by
    // the AVIs' frames being counted as whole JPEGs.
    const double frameData = 4.0 * double(frames) * double(frameBytes);
    const double sound = 2.0 * std::max(seconds, 0.0) * kSoundBytesPerSecond;
    return std::int64_t(std::ceil(frameData + sound));
}

QString sizeText(std::int64_t bytes)
{
    return QLocale::c().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

bool enoughWorkingSpace(AppDelegate& c)
{
    if (!c.obj_Video || !c.freeBytes)
        return true;
    const std::int64_t frameBytes = jpegFrameBytes(c.obj_Video->imgVideo());
    if (frameBytes <= 0)
        return true;
    // The duration is in whole seconds, the fraction dropped: one more second
    // covers it.
    const double seconds = double(c.obj_Video->i_Duration_In_Seconds() + 1);
    const auto frames = std::int64_t(std::ceil(seconds * double(c.obj_Video->f_FPS())));
    const std::int64_t needed = workingBytesNeeded(frames, frameBytes, seconds);
    const std::int64_t available = c.freeBytes(c.s_Output_Folder);
    if (available < 0 || available >= needed)
        return true;
    c.dialogs().runAlert(
        QStringLiteral("Error"),
        QStringLiteral("Exporting this video needs about %1 of free space for its working files "
                       "in \u201c%2\u201d, but only %3 is free there. Please free some space and "
                       "try again.")
            .arg(sizeText(needed), c.s_Output_Folder, sizeText(available)),
        {QStringLiteral("Close")});
    return false;
}

QString diskFullNote(AppDelegate& c)
{
    const bool reported = c.transcoderReport.contains(QLatin1String("No space left on device"));
    const std::int64_t available = c.freeBytes ? c.freeBytes(c.s_Output_Folder) : -1;
    if (!reported && !(available >= 0 && available < kNearlyFull))
        return QString();
    return QStringLiteral(" The disk is full: please free some space and try again.");
}

} // namespace exporting
