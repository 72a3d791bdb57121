#pragma once

#include <QColor>
#include <QWidget>

// Plain panels that paint one opaque colour behind the preview and the controls.
class View_BG_Preview final : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;
    static QColor colour();

protected:
    void paintEvent(QPaintEvent* event) override;
};

class View_BG_Controls final : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;
    static QColor colour();

protected:
    void paintEvent(QPaintEvent* event) override;
};
