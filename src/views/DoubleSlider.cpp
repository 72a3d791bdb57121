#include "views/DoubleSlider.h"

#include <algorithm>
#include <cmath>

DoubleSlider::DoubleSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    connect(this, &QSlider::valueChanged, this, &DoubleSlider::onValueChanged);
}

void DoubleSlider::setScale(double scale)
{
    scale_ = scale > 0.0 ? scale : 1.0;
    value_ = value() / scale_;
}

void DoubleSlider::setDoubleValue(double value)
{
    // Held inside the range, as a slider does; NaN goes to the minimum.
    const double low = minimum() / scale_;
    const double high = maximum() / scale_;
    value_ = std::isnan(value) ? low : std::clamp(value, low, high);
    settingFromCode_ = true;
    setValue(int(std::lround(value_ * scale_)));
    settingFromCode_ = false;
}

void DoubleSlider::onValueChanged(int position)
{
    if (settingFromCode_)
        return;
    value_ = position / scale_;
    emit userChanged();
}
