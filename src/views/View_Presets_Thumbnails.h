#pragma once

#include <QWidget>

// The strip of preset thumbnails inside its scroll area.
class View_Presets_Thumbnails final : public QWidget
{
    Q_OBJECT
public:
    using QWidget::QWidget;
};
