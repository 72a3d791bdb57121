#include "platform/ProgressIndicator.h"

#include <algorithm>
#include <cmath>

void ProgressIndicator::attach(QProgressBar* bar)
{
    bar_ = bar;
    if (bar_) {
        bar_->setRange(0, kBarSteps);
        display();
    }
}

int ProgressIndicator::barPosition(double min, double max, double value)
{
    const double share = (value - min) / (max - min);
    if (!std::isfinite(share))
        return 0;
    return int(std::lround(std::clamp(share, 0.0, 1.0) * kBarSteps));
}

void ProgressIndicator::display()
{
    if (!bar_)
        return;
    bar_->setValue(barPosition(min_, max_, value_));
    bar_->update();
}
