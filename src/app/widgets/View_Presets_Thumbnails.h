#pragma once

#include <QPointF>
#include <QWidget>

// The strip of preset thumbnails inside its scroll area: it paints the
// controller's strip image, outlines the preset applied last and turns a
// click into a preset number. Geometry is
// in the strip's lower-left coordinates.
class View_Presets_Thumbnails final : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;

    // The last click, in the strip's coordinates.
    QPointF mouseDownPos() const { return mouseDownPos_; }
    void setMouseDownPos(QPointF value) { mouseDownPos_ = value; }

protected:
    // Hovering a cell shows "Preset N" (counted from 1, as clicks count).
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QPointF mouseDownPos_;
};
