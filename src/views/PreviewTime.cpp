#include "views/PreviewTime.h"

#include <cmath>

namespace views {

namespace {

// Truncation to unsigned; a negative or NaN value (no real position gives
// one) reads 0 instead of being undefined.
unsigned truncated(float value)
{
    return value > 0.0f ? unsigned(value) : 0u;
}

} // namespace

PreviewTime previewTime(double durationSeconds, float percent)
{
    const float d = float(durationSeconds);
    return previewTimeAt(d * percent / 100.0f);
}

PreviewTime previewTimeAt(float t)
{
    PreviewTime time;
    time.milliseconds = truncated((t - std::floor(t)) * 1000.0f);
    time.hours = truncated(t / 3600.0f);
    time.minutes = truncated(t / 60.0f - 60.0f * float(time.hours));
    time.seconds = truncated((t - 60.0f * float(time.minutes)) - 3600.0f * float(time.hours));
    return time;
}

double previewSeconds(const PreviewTime& time)
{
    return time.hours * 3600.0 + time.minutes * 60.0 + time.seconds + time.milliseconds / 1000.0;
}

QString labelText(const PreviewTime& time)
{
    return QString::asprintf("%02u:%02u:%02u.%03u", time.hours, time.minutes, time.seconds,
                             time.milliseconds);
}

QString seekText(const PreviewTime& time)
{
    return labelText(time);
}

} // namespace views
