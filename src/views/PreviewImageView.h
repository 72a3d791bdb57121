#pragma once

#include <QWidget>

// The preview: black, then the open video's frame through the effect chain,
// fitted into the view. It holds no image of its own.
class PreviewImageView final : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent* event) override;
};
