#pragma once

#include <QWidget>

// The cut range bar: a grey bar with a red handle at each end of the kept range.
class View_Cut_Range final : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent* event) override;
};
