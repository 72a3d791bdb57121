// Export steps 7 and 8: the MP4 encoding and the cut of the kept range.
#include "app/AppDelegate.h"
#include "app/ExportInternal.h"
#include "export/ExportTexts.h"
#include "media/EncoderQuality.h"

#include <QFileInfo>
#include <QImageReader>

using exporting::StepEnd;

namespace {

// The final path chosen at Step 1 may have been taken since; the user's file
// is never written over, so the next free name is used instead.
void keepDestinationFree(AppDelegate& c)
{
    const QFileInfo info(c.s_Dest_Video_Path);
    if (info.exists() || info.isSymLink())
        c.s_Dest_Video_Path = exporting::firstFreePath(
            c.s_Output_Folder_Final, exporting::finalVideoName(c.obj_Video->sPath()));
}

// The MP4's H.264 video with 4:2:0 colour needs an even width and height: a
// frame of odd size (321 x 241, say) loses its last column or row, instead of
// the encoder refusing the whole video.
QStringList evenSizeOptions(const AppDelegate& c)
{
    if (c.arrayImages.isEmpty())
        return {};
    const QSize size =
        QImageReader(c.s_Output_Folder + QStringLiteral("/w_") +
                     QFileInfo(c.arrayImages.first()).completeBaseName() + QStringLiteral(".jpg"))
            .size();
    if (!size.isValid() || (size.width() % 2 == 0 && size.height() % 2 == 0))
        return {};
    return {QStringLiteral("-vf"), QStringLiteral("crop=trunc(iw/2)*2:trunc(ih/2)*2")};
}

// "-qscale 0" asks the old encoders for their best quality but means nothing
// to libx264, so both steps also name the H.264 options that carry that
// intent, and the sound is AAC, which every MP4 player plays.
QStringList qualityOptions(const AppDelegate& c)
{
    return media::h264QualityArguments(c.obj_Video->b_Noise() != 0) +
           QStringList{QStringLiteral("-c:a"), QStringLiteral("aac")};
}

} // namespace

void AppDelegate::TimerWatermarkVideoRoutineStep7()
{
    if (exporting::cancelledAtStart(*this))
        return;
    const bool whole = exporting::isWholeRange(f_Cut_Percent_Menor, f_Cut_Percent_Maior);
    if (whole)
        keepDestinationFree(*this);
    const QString output = whole ? s_Dest_Video_Path : s_Dest_Video_Path_Before_Cut;
    const QStringList arguments =
        QStringList{QStringLiteral("-i"), s_Output_Folder + QStringLiteral("/output.avi"),
                    QStringLiteral("-qscale"), QStringLiteral("0")} +
        evenSizeOptions(*this) + qualityOptions(*this) + QStringList{output};
    if (whole)
        s_Unfinished_Result = output;
    const StepEnd end = exporting::runExportStep(*this, exporting::EncodingMp4, arguments);
    if (end == StepEnd::Abandoned)
        return;
    if (end == StepEnd::Failed || !exporting::hasContent(output)) {
        exporting::failExport(*this, QStringLiteral("Export failed while encoding the MP4 file."));
        return;
    }
    if (whole)
        exporting::completeExport(*this);
    else
        scheduleTimer(&AppDelegate::timerWatermarkVideoStep8, 0.1,
                      &AppDelegate::TimerWatermarkVideoRoutineStep8);
}

void AppDelegate::TimerWatermarkVideoRoutineStep8()
{
    if (exporting::cancelledAtStart(*this))
        return;
    // The duration with its hundredths: the whole seconds would cut 20-80 %
    // of a 5.52-s video as 1 s for 3 s instead of 1.10 s for 3.31 s.
    const exporting::CutTexts cut = exporting::cutTexts(obj_Video->durationWithFraction(),
                                                        f_Cut_Percent_Menor, f_Cut_Percent_Maior);
    u_Duration_Segment_in_Seconds = std::uint64_t(Return_Seconds_From_VOB_Duration_Str(cut.length));
    // Nothing is removed here: an existing file at the final path is the
    // user's, and the cut goes to the next free name instead.
    keepDestinationFree(*this);
    // The cut is encoded again, at the same quality as Step 7.
    const QStringList arguments = QStringList{QStringLiteral("-i"),  s_Dest_Video_Path_Before_Cut,
                                              QStringLiteral("-ss"), cut.start,
                                              QStringLiteral("-t"),  cut.length} +
                                  qualityOptions(*this) + QStringList{s_Dest_Video_Path};
    exporting::setProgressValue(*this, 0.0);
    s_Unfinished_Result = s_Dest_Video_Path;
    const StepEnd end = exporting::runExportStep(*this, exporting::Cutting, arguments);
    if (end == StepEnd::Abandoned)
        return;
    if (end == StepEnd::Failed || !exporting::hasContent(s_Dest_Video_Path)) {
        exporting::failExport(*this,
                              QStringLiteral("Export failed while cutting the chosen range."));
        return;
    }
    exporting::completeExport(*this);
}
