// Export step 7: the MP4 encoding into the final file.
#include "app/AppDelegate.h"
#include "app/ExportInternal.h"
#include "export/ExportTexts.h"
#include "media/EncoderQuality.h"
#include "media/LargePictures.h"
#include "media/PictureFilters.h"
#include "media/ResultCheck.h"
#include "media/VideoFacts.h"

#include <QFileInfo>
#include <QImageReader>
#include <algorithm>

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
// to libx264, so the step also names the H.264 options that carry that
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

// Why the MP4 at `path`, which should hold every frame file and all the
// sound that Step 1 wrote (the kept range's, when one is kept), is not
// whole; empty when it is.
QString resultProblem(const AppDelegate& c, const QString& path)
{
    const double rate = exporting::exportRate(c).perSecond();
    if (rate <= 0.0)
        return QString();
    media::ExpectedResult expected;
    expected.frameSeconds = 1.0 / rate;
    expected.pictureSeconds = double(c.arrayImages.size()) / rate;
    const QString sound = c.s_Output_Folder + QStringLiteral("/audio.wav");
    if (exporting::hasContent(sound)) {
        expected.sound = true;
        if (const auto facts = media::probeFacts(c.sffmpegPath, sound))
            expected.soundSeconds = std::max(0.0, facts->durationSeconds);
    }
    return c.resultCheck ? c.resultCheck(path, expected) : QString();
}

// The alert's text when a step that writes `path` failed or wrote a file that
// is not whole ("…: the written file holds 1.20 s of picture instead of 3.00 s.");
// empty when all is well.
QString writeFailure(const AppDelegate& c, StepEnd end, const QString& path, const QString& failed)
{
    if (end == StepEnd::Failed || !exporting::hasContent(path))
        return failed;
    const QString problem = resultProblem(c, path);
    if (problem.isEmpty())
        return QString();
    return failed.left(failed.size() - 1) + QStringLiteral(": ") + problem + QLatin1Char('.');
}

} // namespace

void AppDelegate::TimerWatermarkVideoRoutineStep7()
{
    if (exporting::cancelledAtStart(*this))
        return;
    // Steps 1 and 2 took the kept range alone, so this writes the final file
    // whether or not a range is kept.
    keepDestinationFree(*this);
    const QString output = s_Dest_Video_Path;
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
    s_Unfinished_Result = output;
    const StepEnd end = exporting::runExportStep(*this, exporting::EncodingMp4, arguments);
    if (end == StepEnd::Abandoned)
        return;
    const QString failure = writeFailure(
        *this, end, output, QStringLiteral("Export failed while encoding the MP4 file."));
    if (!failure.isEmpty()) {
        exporting::failExport(*this, failure);
        return;
    }
    exporting::completeExport(*this);
}
