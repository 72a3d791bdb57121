// Room for the export's working files, checked before Step 1.
#include "app/AppDelegate.h"
#include "app/ExportInternal.h"
#include "export/WorkingSpace.h"
#include "platform/Dialogs.h"

namespace exporting {

bool enoughWorkingSpace(AppDelegate& c)
{
    if (!c.freeBytes || !c.obj_Video)
        return true;
    // Only the kept range's frames and sound are written.
    const NodeImageInformation& video = *c.obj_Video;
    const std::int64_t needed =
        estimatedWorkingBytes({.previewFrame = video.imgVideo(),
                               .look = video,
                               .durationSeconds = video.i_Duration_In_Seconds(),
                               .fps = video.f_FPS()},
                              keptFrames(c).count);
    if (needed <= 0)
        return true;
    const std::int64_t available = c.freeBytes(c.s_Output_Folder);
    if (available < 0 || available >= needed)
        return true;
    c.dialogs().runAlert(QStringLiteral("Error"),
                         notEnoughSpaceText(needed, available, c.s_Output_Folder),
                         {QStringLiteral("Close")});
    return false;
}

} // namespace exporting
