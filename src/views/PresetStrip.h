#pragma once

#include <QImage>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <cstdint>
#include <memory>

class QScrollArea;

namespace views {

// The preset strip: one cell 190 wide per preset, 100 high; each thumbnail is
// fitted into 186 × 186 and stands on the strip's lower edge.
inline constexpr double kStripCellWidth = 190.0;
inline constexpr double kStripHeight = 100.0;
inline constexpr double kThumbnailFrame = 186.0;

// Preset number (counted from 1) of a click at x in the strip: ceil(x / 190),
// so the gap right of a thumbnail belongs to it and x = 0 gives 0.
float presetNumberAt(double x);

// Thumbnail `index`'s rectangle in the strip's lower-left coordinates.
QRectF thumbnailRect(std::uint64_t index, QSizeF thumbnailSize);

// Draws `filtered` scaled into thumbnail `index`'s rectangle of `strip`. A
// thumbnail taller than the strip loses its top.
void drawThumbnail(QImage& strip, std::uint64_t index, const QImage& filtered,
                   QSizeF thumbnailSize);

// Index of the preset whose record is the open video's (`open`), that is the
// preset applied last (until Reset or an Open gives the video a record of its
// own); -1 when there is none. Records are compared by identity.
template <typename Record>
std::int64_t appliedPresetIndex(const std::shared_ptr<Record>& open,
                                const QList<std::shared_ptr<Record>>& presets)
{
    if (!open)
        return -1;
    return presets.indexOf(open);
}

// The outline around preset `index`'s cell, in the strip's lower-left
// coordinates: the thumbnail's room, 186 wide, the strip's height.
QRectF appliedOutlineRect(std::int64_t index);

// Makes the vertical wheel (and a horizontal one) scroll `area` sideways:
// one notch moves one cell.
void scrollSideways(QScrollArea* area);

} // namespace views
