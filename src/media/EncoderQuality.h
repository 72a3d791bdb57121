#pragma once

#include <QList>
#include <QStringList>

namespace media {

// The H.264 options every MP4 we write is encoded with: the window's export
// (its encoding and its cut) and the command-line renderer use the same list,
// so a video looks the same whichever way it was made. `grain` is true when
// the look adds film grain, whose fine detail wants its own encoder tuning.
// `largePicture` (media::isLargePicture) bounds the encoder's memory.
QStringList h264QualityArguments(bool grain, bool largePicture = false);

// The AAC bit rate of each sound stream (`channels`, one count a stream, in
// output order): 96 kb/s for mono, 64 kb/s a channel above, so that 5.1
// gets as much a channel as stereo does. A stream of unknown count gets 128.
QStringList soundBitRateArguments(const QList<int>& channels);

} // namespace media
