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

// The time at `percent` of a video `durationSeconds` long (its fraction
// included: 5.52 s), computed in single precision: t = d × p / 100, each part
// truncated.
PreviewTime previewTime(double durationSeconds, float percent);
// The time `t` seconds, each part truncated.
PreviewTime previewTimeAt(float t);
// The time in seconds, to its millisecond.
double previewSeconds(const PreviewTime& time);

// "%02u:%02u:%02u.%03u": the position label, and the seek time of the preview
// frame: the frame shown is the one at the label's own time, so a short clip
// shows as many different frames as the slider has places, and the frame at
// a cut handle is the one the cut starts with.
QString labelText(const PreviewTime& time);
QString seekText(const PreviewTime& time);

} // namespace views
