#pragma once

#include <QStringList>

namespace media {

// The H.264 options every MP4 we write is encoded with: the window's export
// (its encoding and its cut) and the command-line renderer use the same list,
// so a video looks the same whichever way it was made. `grain` is true when
// the look adds film grain, whose fine detail wants its own encoder tuning.
QStringList h264QualityArguments(bool grain);

} // namespace media
