#pragma once

#include "imagefilter/Bitmap.h"

#include <QWidget>

class QPainter;

// The preview: black, then the open video's frame through the effect chain,
// fitted into the view. The filtered picture is never kept: every redraw runs
// the chain with the record's current settings. While the controller
// compares, the still frame is drawn without the chain, under a caption.
class PreviewImageView final : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void drawCompareBadge(QPainter& painter);

    // The frame in the chain's bitmap form, kept while the frame stays the
    // same: converting a fresh 1080p bitmap at every redraw costs about half
    // as much again as the chain itself.
    const imagefilter::Bitmap& sourceFor(const QImage& frame);

    qint64 sourceKey_ = 0;
    imagefilter::Bitmap source_;
};
