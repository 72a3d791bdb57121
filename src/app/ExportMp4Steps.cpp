// Export steps 7 and 8: the MP4 encoding and the cut of the kept range.
#include "app/AppDelegate.h"
#include "app/ExportInternal.h"
#include "export/ExportTexts.h"
#include "media/EncoderQuality.h"
#include "media/LargePictures.h"
#include "media/PictureFilters.h"
#include "media/ResultCheck.h"
#include "media/VideoFacts.h"
#include "views/PreviewPlayback.h"

#include <QFileInfo>
#include <QImageReader>
#include <cmath>
#include <limits>

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

// The filtered frames' size.
QSize frameSize(const AppDelegate& c)
{
    if (c.arrayImages.isEmpty())
        return QSize();
    return QImageReader(c.s_Output_Folder + QStringLiteral("/w_") +
                        QFileInfo(c.arrayImages.first()).completeBaseName() +
                        QStringLiteral(".jpg"))
        .size();
}

// The MP4's H.264 video with 4:2:0 colour needs an even width and height: a
// frame of odd size (321 x 241, say) loses its last column or row, instead of
// the encoder refusing the whole video. An HD picture, which the frame files
// hold with the BT.601 matrix of JPEG, is turned into BT.709 as players expect.
QStringList pictureOptions(const QSize& size)
{
    if (!size.isValid())
        return {};
    QStringList filters;
    if (size.width() % 2 != 0 || size.height() % 2 != 0)
        filters << QStringLiteral("crop=trunc(iw/2)*2:trunc(ih/2)*2");
    const QString matrix = media::bt601ToEncodingFilter(size.width(), size.height());
    if (!matrix.isEmpty())
        filters << matrix;
    if (filters.isEmpty())
        return {};
    return {QStringLiteral("-vf"), filters.join(QLatin1Char(','))};
}

// "-qscale 0" asks the old encoders for their best quality but means nothing
// to libx264, so both steps also name the H.264 options that carry that
// intent, the colour tags, and the sound is AAC, which every MP4 player plays,
// at a rate that fits its channels.
QStringList qualityOptions(const AppDelegate& c, const QSize& size)
{
    const media::VideoFacts& facts = c.obj_Video->videoFacts();
    QStringList arguments = media::h264QualityArguments(
        c.obj_Video->b_Noise() != 0,
        size.isValid() && media::isLargePicture(size.width(), size.height()));
    if (size.isValid())
        arguments += media::colourTagArguments(size.width(), size.height());
    return arguments + QStringList{QStringLiteral("-c:a"), QStringLiteral("aac")} +
           media::soundBitRateArguments(facts.soundChannels.mid(0, 1));
}

// The frames' rate as Steps 2 and 5 gave it to the transcoder.
double exportRate(const AppDelegate& c)
{
    return exporting::frameRateText(c.obj_Video->f_FPS()).toDouble();
}

// Why the MP4 at `path`, which should hold frames [first, pastLast) of the
// frame files and the sound of their times (all of it for the whole video),
// is not whole; empty when it is.
QString resultProblem(const AppDelegate& c, const QString& path, long long first,
                      long long pastLast)
{
    const double rate = exportRate(c);
    if (rate <= 0.0)
        return QString();
    const long long last = std::min(pastLast, (long long)c.arrayImages.size());
    media::ExpectedResult expected;
    expected.frameSeconds = 1.0 / rate;
    expected.pictureSeconds = double(std::max(0LL, last - first)) / rate;
    const QString sound = c.s_Output_Folder + QStringLiteral("/audio.wav");
    if (exporting::hasContent(sound)) {
        expected.sound = true;
        if (const auto facts = media::probeFacts(c.sffmpegPath, sound))
            expected.soundSeconds =
                std::max(0.0, std::min(facts->durationSeconds, double(pastLast) / rate) -
                                  double(first) / rate);
    }
    return c.resultCheck ? c.resultCheck(path, expected) : QString();
}

// The alert's text when a step that writes `path` failed or wrote a file that
// is not whole ("…: the written file holds 1.20 s of picture instead of 3.00 s.");
// empty when all is well.
QString writeFailure(const AppDelegate& c, StepEnd end, const QString& path, long long first,
                     long long pastLast, const QString& failed)
{
    if (end == StepEnd::Failed || !exporting::hasContent(path))
        return failed;
    const QString problem = resultProblem(c, path, first, pastLast);
    if (problem.isEmpty())
        return QString();
    return failed.left(failed.size() - 1) + QStringLiteral(": ") + problem + QLatin1Char('.');
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
    const QSize size = frameSize(*this);
    // The source gives its tags (creation date, location) but no stream.
    const QStringList arguments = QStringList{QStringLiteral("-i"),
                                              s_Output_Folder + QStringLiteral("/output.avi"),
                                              QStringLiteral("-i"),
                                              obj_Video->sPath(),
                                              QStringLiteral("-map"),
                                              QStringLiteral("0:v"),
                                              QStringLiteral("-map"),
                                              QStringLiteral("0:a?"),
                                              QStringLiteral("-map_metadata"),
                                              QStringLiteral("1"),
                                              QStringLiteral("-qscale"),
                                              QStringLiteral("0")} +
                                  pictureOptions(size) + qualityOptions(*this, size) +
                                  QStringList{output};
    if (whole)
        s_Unfinished_Result = output;
    const StepEnd end = exporting::runExportStep(*this, exporting::EncodingMp4, arguments);
    if (end == StepEnd::Abandoned)
        return;
    const QString failure =
        writeFailure(*this, end, output, 0, std::numeric_limits<long long>::max(),
                     QStringLiteral("Export failed while encoding the MP4 file."));
    if (!failure.isEmpty()) {
        exporting::failExport(*this, failure);
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
    // The cut is encoded again, at the same quality as Step 7. It keeps
    // exactly the frames whose times lie in the range (as playback plays
    // them), counted by number so that no frame is doubled or lost, and the
    // sound of those frames' times.
    const double rate = exportRate(*this);
    const double duration = obj_Video->durationWithFraction();
    const views::FrameRange frames = views::framesBetween(
        duration * double(f_Cut_Percent_Menor) / 100.0,
        duration * double(f_Cut_Percent_Maior) / 100.0, std::llround(rate * 1e6), 1000000);
    const long long first = frames.first, pastLast = std::max(frames.first, frames.last + 1);
    const QString seconds = QStringLiteral("atrim=start=%1:end=%2,asetpts=PTS-STARTPTS")
                                .arg(double(first) / rate, 0, 'f', 6)
                                .arg(double(pastLast) / rate, 0, 'f', 6);
    const QStringList arguments =
        QStringList{QStringLiteral("-i"),
                    s_Dest_Video_Path_Before_Cut,
                    QStringLiteral("-vf"),
                    QStringLiteral("trim=start_frame=%1:end_frame=%2,setpts=PTS-STARTPTS")
                        .arg(first)
                        .arg(pastLast),
                    QStringLiteral("-af"),
                    seconds} +
        qualityOptions(*this, frameSize(*this)) + QStringList{s_Dest_Video_Path};
    exporting::setProgressValue(*this, 0.0);
    s_Unfinished_Result = s_Dest_Video_Path;
    const StepEnd end = exporting::runExportStep(*this, exporting::Cutting, arguments);
    if (end == StepEnd::Abandoned)
        return;
    const QString failure =
        writeFailure(*this, end, s_Dest_Video_Path, first, pastLast,
                     QStringLiteral("Export failed while cutting the chosen range."));
    if (!failure.isEmpty()) {
        exporting::failExport(*this, failure);
        return;
    }
    exporting::completeExport(*this);
}
