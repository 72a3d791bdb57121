// The preset strip's thumbnails, drawn one per timer tick so the window stays
// responsive while the 42 looks are rendered.
#include "app/AppDelegate.h"
#include "app/widgets/View_Presets_Thumbnails.h"
#include "views/PresetStrip.h"

void AppDelegate::TimerPresetThumbnailsRoutine()
{
    // An export halts the strip; what was drawn stays until the next position.
    if (m_b_Saving)
        return;
    if (u_Preset_Index >= std::uint64_t(array_Presets.size()))
        return;

    const VideoRecord preset = array_Presets[qsizetype(u_Preset_Index)];
    const QImage& thumbnail = preset->imgThumbnail();
    // The preview's frame number: a grainy preset shows that frame's grain.
    const QImage filtered =
        imageVintage(CGImageRefFromImage(thumbnail), *preset, Preview_Frame_Place(*preset));
    views::drawThumbnail(imgPresetThumbnails, u_Preset_Index, filtered, QSizeF(thumbnail.size()));

    ++u_Preset_Index;
    if (u_Preset_Index < std::uint64_t(array_Presets.size()))
        scheduleTimer(&AppDelegate::timerCreatePresetThumbnails, 0.1,
                      &AppDelegate::TimerPresetThumbnailsRoutine);
    if (viewPresets)
        viewPresets->update();
}
