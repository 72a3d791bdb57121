#pragma once

#include <QString>

#include <cstdint>

namespace views {

// A preview position as hours (not wrapped at 24), minutes, whole seconds and
// milliseconds.
struct PreviewTime
{
    unsigned hours = 0;
    unsigned minutes = 0;
    unsigned seconds = 0;
    unsigned milliseconds = 0;
};

// The time at `percent` of a video `durationSeconds` long, computed in single
// precision: t = d × p / 100, each part truncated.
PreviewTime previewTime(std::int64_t durationSeconds, float percent);
// The time `t` seconds, each part truncated.
PreviewTime previewTimeAt(float t);

// "%02u:%02u:%02u.%03u": the position label.
QString labelText(const PreviewTime& time);
// "%02u:%02u:%02u": the seek time of a preview frame (the fraction dropped).
QString seekText(const PreviewTime& time);

} // namespace views
