#pragma once

#include "media/VideoFacts.h"

#include <QString>

namespace views {

// One line of what the open video is: "1920×1080, 25 fps, h264, sound: aac,
// stereo" (or "no sound").
QString videoPropertiesText(const media::VideoFacts& facts);

// The kept range of a video `durationSeconds` long, from `menor` to `maior`
// percent, as the texts under the cut bar: its start, its end and its length,
// each "hh:mm:ss.mmm" as the position label shows times.
struct KeptRangeTexts
{
    QString start;
    QString end;
    QString length;
};
KeptRangeTexts keptRangeTexts(double durationSeconds, float menor, float maior);

} // namespace views
