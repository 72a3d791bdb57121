#pragma once

#include <QImage>
#include <QRectF>
#include <QSizeF>

#include <cstdint>

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

} // namespace views
