#pragma once

#include <QPointF>
#include <QWidget>
#include <cstdint>

// The strip of preset thumbnails inside its scroll area: it paints the
// controller's strip image, outlines the preset applied last and turns a
// click into a preset number. With the focus, the arrow keys (and Home, End)
// move a selection ring and Return or Space applies the selected preset.
// Geometry is in the strip's lower-left coordinates.
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
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void select(std::int64_t index);

    QPointF mouseDownPos_;
    // The preset the keys have selected (from 0); -1 until the strip first
    // has the focus, which selects the applied preset, else the first.
    std::int64_t selected_ = -1;
};
