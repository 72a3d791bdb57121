#pragma once

#include <QString>
#include <QStringList>

namespace effects {
class Look;
}

// The sound of an old optical track, made by the transcoder's audio filters
// from the source's own sound: no sample files.
namespace media {

// The filter chain for a strength from 0 to 100: light hiss, sparse crackle
// and a faint projector whir added to every channel, then all of it held to
// the band an optical track carries (about 300 to 3500 Hz). It works sample
// by sample, so the sound keeps its length, channels and rate. At 0 only the
// band is narrowed.
QString oldSoundFilter(float strength);

// "-af" and the chain when the look's old sound is on; nothing when it is
// off, so the argument lists stay as they are.
QStringList oldSoundArguments(const effects::Look& look);

} // namespace media
