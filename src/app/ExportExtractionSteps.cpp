// Export steps 1, 2, 5 and 6: the sound and the frames taken out of the video,
// the filtered frames encoded again and the sound put back.
#include "app/AppDelegate.h"
#include "app/ExportInternal.h"
#include "export/ExportTexts.h"
#include "export/KeptPart.h"
#include "media/OldSound.h"
#include "media/PictureFilters.h"

#include <QFile>
#include <algorithm>

using exporting::StepEnd;

namespace {

QString workingFile(const AppDelegate& c, const QString& name)
{
    return c.s_Output_Folder + QLatin1Char('/') + name;
}

QString soundFile(const AppDelegate& c)
{
    return workingFile(c, QStringLiteral("audio.wav"));
}

QString silentVideo(const AppDelegate& c)
{
    return workingFile(c, QStringLiteral("outputnoaudio.avi"));
}

QString videoWithSound(const AppDelegate& c)
{
    return workingFile(c, QStringLiteral("output.avi"));
}

} // namespace

void AppDelegate::TimerWatermarkVideoRoutineStep1()
{
    if (exporting::cancelledAtStart(*this))
        return;
    s_Dest_Video_Path = exporting::firstFreePath(s_Output_Folder_Final,
                                                 exporting::finalVideoName(obj_Video->sPath()));
    exporting::setProgressRange(*this, 100.0);
    exporting::setProgressValue(*this, 0.0);
    // From here on every step works on the kept range alone.
    const exporting::KeptFrames kept = exporting::keptFrames(*this);
    i_Kept_First_Frame = kept.first;
    i_Kept_Frame_Count = kept.count;
    const double rate = exporting::exportRate(*this).perSecond();
    u_Duration_Segment_in_Seconds =
        kept.count < 0 || rate <= 0.0
            ? std::uint64_t(std::max<std::int64_t>(0, obj_Video->i_Duration_In_Seconds()))
            : std::uint64_t(double(kept.count) / rate);

    // The first sound stream keeps its channels: mono stays mono, 5.1 stays 5.1.
    const QList<int>& channels = obj_Video->videoFacts().soundChannels;
    const int channelCount = channels.isEmpty() || channels.first() <= 0 ? 2 : channels.first();
    const exporting::PartArguments part =
        kept.count < 0 ? exporting::PartArguments{}
                       : exporting::keptSoundArguments(kept.first, kept.count, rate);
    // The old sound is made here, so Step 6 copies it into the AVI as it is.
    const QStringList arguments =
        part.beforeInput + QStringList{QStringLiteral("-i"), obj_Video->sPath()} + part.afterInput +
        media::oldSoundArguments(*obj_Video) +
        QStringList{QStringLiteral("-acodec"), QStringLiteral("pcm_s16le"), QStringLiteral("-ac"),
                    QString::number(channelCount), soundFile(*this)};
    const StepEnd end = exporting::runExportStep(*this, exporting::ExtractingSound, arguments);
    if (end == StepEnd::Abandoned)
        return;
    // A video without a sound track gives no sound file: the transcoder ends
    // with an error saying its output has no stream, and the video is
    // exported silent. Any other run that leaves no sound, or fails, would
    // lose the sound: that is a real failure.
    const bool hasSound = exporting::hasContent(soundFile(*this));
    const bool silentVideo =
        !hasSound && end == StepEnd::Failed &&
        transcoderReport.contains(QLatin1String("does not contain any stream"));
    if (!silentVideo && (end == StepEnd::Failed || !hasSound)) {
        exporting::failExport(*this, QStringLiteral("Export failed while extracting the sound."));
        return;
    }
    scheduleTimer(&AppDelegate::timerWatermarkVideoStep2, 0.1,
                  &AppDelegate::TimerWatermarkVideoRoutineStep2);
}

void AppDelegate::TimerWatermarkVideoRoutineStep2()
{
    if (exporting::cancelledAtStart(*this))
        return;
    // A picture of non-square pixels (DV widescreen) is written as square
    // pixels at its display size, so the frames, the filtered frames and the
    // MP4 all show its true shape; an interlaced one progressive, an HDR one
    // in SDR, and every one with the colours its YUV matrix gives.
    // With a kept range the source is sought a few frames before its first
    // frame and only those frames are written (see exporting::kLeadFrames).
    const bool whole = i_Kept_Frame_Count < 0;
    const exporting::PartArguments part =
        whole ? exporting::PartArguments{}
              : exporting::keptFrameArguments(i_Kept_First_Frame, i_Kept_Frame_Count,
                                              exporting::exportRate(*this).perSecond());
    const QStringList arguments =
        part.beforeInput +
        QStringList{QStringLiteral("-i"), obj_Video->sPath(), QStringLiteral("-an")} +
        media::sourcePictureOptions(obj_Video->videoFacts()) +
        QStringList{QStringLiteral("-f"),        QStringLiteral("image2"),
                    QStringLiteral("-qscale:v"), QStringLiteral("2"),
                    QStringLiteral("-r"),        exporting::frameRateText(obj_Video->f_FPS())} +
        part.afterInput + QStringList{s_Output_Folder + QStringLiteral("/output_%08d.jpg")};
    const StepEnd end = exporting::runExportStep(*this, exporting::ExtractingFrames, arguments);
    if (end == StepEnd::Abandoned)
        return;
    if (end == StepEnd::Failed) {
        exporting::failExport(*this, QStringLiteral("Export failed while extracting the frames."));
        return;
    }
    // The lead frames go, so the folder's frames are the kept ones; the
    // first of them, numbered 4 at most, is where Step 5's reader finds it.
    if (!whole)
        for (long long n = 1; n <= exporting::leadFrames(i_Kept_First_Frame); ++n)
            QFile::remove(s_Output_Folder + QString::asprintf("/output_%08lld.jpg", n));
    scheduleTimer(&AppDelegate::timerWatermarkVideoStep3, 0.1,
                  &AppDelegate::TimerWatermarkVideoRoutineStep3);
}

void AppDelegate::TimerWatermarkVideoRoutineStep5()
{
    if (exporting::cancelledAtStart(*this))
        return;
    exporting::setProgressRange(*this, 100.0);
    // The image sequence is read at the video's own rate; without it the
    // transcoder assumes 25 frames per second and the picture drifts from the sound.
    const QStringList arguments{QStringLiteral("-framerate"),
                                exporting::frameRateText(obj_Video->f_FPS()),
                                QStringLiteral("-i"),
                                s_Output_Folder + QStringLiteral("/w_output_%08d.jpg"),
                                QStringLiteral("-qscale:v"),
                                QStringLiteral("2"),
                                silentVideo(*this)};
    const StepEnd end = exporting::runExportStep(*this, exporting::EncodingVideo, arguments);
    if (end == StepEnd::Abandoned)
        return;
    if (end == StepEnd::Failed || !exporting::hasContent(silentVideo(*this))) {
        exporting::failExport(*this,
                              QStringLiteral("Export failed while encoding the filtered frames."));
        return;
    }
    scheduleTimer(&AppDelegate::timerWatermarkVideoStep6, 0.1,
                  &AppDelegate::TimerWatermarkVideoRoutineStep6);
}

void AppDelegate::TimerWatermarkVideoRoutineStep6()
{
    if (exporting::cancelledAtStart(*this))
        return;
    QStringList arguments{QStringLiteral("-i"), silentVideo(*this)};
    const bool withSound = exporting::hasContent(soundFile(*this));
    if (withSound)
        arguments << QStringLiteral("-i") << soundFile(*this);
    arguments << QStringLiteral("-r") << exporting::frameRateText(obj_Video->f_FPS())
              << QStringLiteral("-qscale:v") << QStringLiteral("2") << QStringLiteral("-vcodec")
              << QStringLiteral("copy");
    if (withSound)
        arguments << QStringLiteral("-acodec") << QStringLiteral("copy");
    arguments << videoWithSound(*this);

    const StepEnd end = exporting::runExportStep(*this, exporting::AddingSound, arguments);
    if (end == StepEnd::Abandoned)
        return;
    if (end == StepEnd::Failed || !exporting::hasContent(videoWithSound(*this))) {
        exporting::failExport(*this, QStringLiteral("Export failed while adding the sound."));
        return;
    }
    scheduleTimer(&AppDelegate::timerWatermarkVideoStep7, 0.1,
                  &AppDelegate::TimerWatermarkVideoRoutineStep7);
}
