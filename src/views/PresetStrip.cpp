#include "views/PresetStrip.h"

#include "app/AppDelegate.h"
#include "views/ImageFitting.h"
#include "views/View_Presets_Thumbnails.h"

#include <QPainter>

#include <cmath>

namespace views {

float presetNumberAt(double x)
{
    return float(std::ceil(x / kStripCellWidth));
}

QRectF thumbnailRect(std::uint64_t index, QSizeF thumbnailSize)
{
    // The product is taken as an unsigned integer, then converted.
    const std::uint64_t left = index * std::uint64_t(kStripCellWidth);
    return QRectF(double(left), 0.0, thumbnailSize.width(), thumbnailSize.height());
}

void drawThumbnail(QImage& strip, std::uint64_t index, const QImage& filtered,
                   QSizeF thumbnailSize)
{
    if (strip.isNull() || filtered.isNull())
        return;
    QPainter painter(&strip);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(toTopLeft(thumbnailRect(index, thumbnailSize), strip.height()), filtered);
}

} // namespace views

void AppDelegate::TimerPresetThumbnailsRoutine()
{
    // An export halts the strip; what was drawn stays until the next position.
    if (m_b_Saving)
        return;
    if (u_Preset_Index >= std::uint64_t(array_Presets.size()))
        return;

    const VideoRecord preset = array_Presets[qsizetype(u_Preset_Index)];
    const QImage& thumbnail = preset->imgThumbnail();
    const QImage filtered = imageVintage(CGImageRefFromImage(thumbnail), *preset);
    views::drawThumbnail(imgPresetThumbnails, u_Preset_Index, filtered, QSizeF(thumbnail.size()));

    ++u_Preset_Index;
    if (u_Preset_Index < std::uint64_t(array_Presets.size()))
        scheduleTimer(&AppDelegate::timerCreatePresetThumbnails, 0.1,
                      &AppDelegate::TimerPresetThumbnailsRoutine);
    if (viewPresets)
        viewPresets->update();
}
