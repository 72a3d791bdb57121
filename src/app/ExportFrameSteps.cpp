// Export steps 3 and 4: the frame files listed, then filtered one per tick.
#include "app/AppDelegate.h"
#include "app/ExportInternal.h"
#include "export/ExportTexts.h"
#include "export/FrameFiltering.h"
#include "export/KeptPart.h"
#include "media/VideoFacts.h"

#include <QFileInfo>
#include <algorithm>

namespace {

// The source frames that Step 2's files hold: the kept range's, after the
// lead frames it removed, or the whole video's from frame 0. Their numbers
// are those the renderer gives the same frames.
exporting::FrameFiles frameFiles(const AppDelegate& c)
{
    const bool whole = c.i_Kept_Frame_Count < 0;
    const long long first = whole ? 0 : c.i_Kept_First_Frame;
    return {first, whole ? 0 : exporting::leadFrames(first), exporting::exportRate(c).perSecond()};
}

} // namespace

void AppDelegate::TimerWatermarkVideoRoutineStep3()
{
    if (exporting::cancelledAtStart(*this))
        return;
    // The folder was emptied before Step 1, so its JPEG files are exactly the frames.
    arrayImages = exporting::listFrameNames(s_Output_Folder);
    if (arrayImages.isEmpty()) {
        exporting::failExport(*this, QStringLiteral("Export failed: no frames could be extracted "
                                                    "from the video."));
        return;
    }
    // A source cut short (a broken download) decodes cleanly to its break:
    // its result would pass for the whole video.
    const media::VideoFacts& facts = obj_Video->videoFacts();
    // The picture's frames, or those of the kept range before its end.
    const long long expected = facts.pictureFramesFrom(
        exporting::exportRate(*this), i_Kept_Frame_Count < 0 ? 0 : i_Kept_First_Frame,
        i_Kept_Frame_Count);
    if (arrayImages.size() + 1 < expected) {
        exporting::failExport(*this, QStringLiteral("Export failed: the video is damaged: %1 of "
                                                    "%2 frames could be read.")
                                         .arg(arrayImages.size())
                                         .arg(expected));
        return;
    }
    exporting::setProgressRange(*this, double(arrayImages.size()));
    i_Current_Image_Index = 0;
    scheduleTimer(&AppDelegate::timerWatermarkVideoStep4, 0.1,
                  &AppDelegate::TimerWatermarkVideoRoutineStep4);
}

void AppDelegate::TimerWatermarkVideoRoutineStep4()
{
    if (exporting::cancelledAtStart(*this))
        return;
    if (i_Current_Image_Index < 0 || i_Current_Image_Index >= arrayImages.size()) {
        exporting::failExport(*this, QStringLiteral("Export failed while filtering the frames."));
        return;
    }
    // The next tick is armed before this frame's work, so frames start 0.1 s
    // apart whatever the work takes (it only fires once this tick has returned).
    const bool lastFrame = i_Current_Image_Index + 1 >= arrayImages.size();
    if (lastFrame)
        scheduleTimer(&AppDelegate::timerWatermarkVideoStep5, 0.1,
                      &AppDelegate::TimerWatermarkVideoRoutineStep5);
    else
        scheduleTimer(&AppDelegate::timerWatermarkVideoStep4, 0.1,
                      &AppDelegate::TimerWatermarkVideoRoutineStep4);

    const QString name = arrayImages.at(qsizetype(i_Current_Image_Index));
    const QString outputPath =
        s_Output_Folder + QLatin1Char('/') + exporting::filteredFrameName(name);
    // The record is read anew for every frame: each frame gets the settings of
    // its tick. A cadence holds the first frame of the frame's step.
    const exporting::FrameSource source =
        exporting::frameSourceFor(name, frameFiles(*this), obj_Video->i_Cadence());
    QString framePath = s_Output_Folder + QLatin1Char('/') + source.name;
    if (!QFileInfo::exists(framePath))
        framePath = s_Output_Folder + QLatin1Char('/') + name;
    if (exporting::filterFrameFile(framePath, outputPath, *obj_Video, source.place) ==
        exporting::FrameResult::Failed) {
        // A missing number would end the re-encoded video early.
        exporting::failExport(*this, QStringLiteral("Export failed while filtering the frames."));
        return;
    }
    exporting::setProgressValue(*this, double(i_Current_Image_Index));
    ++i_Current_Image_Index;
    exporting::showFramesFiltered(*this);
    if (lastFrame)
        exporting::setProgressValue(*this, 0.0);
}
