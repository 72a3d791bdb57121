#include "views/VideoInfoText.h"

#include "views/PreviewTime.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace views {

namespace {

QString channelsText(int channels)
{
    switch (channels) {
    case 1:
        return QStringLiteral("mono");
    case 2:
        return QStringLiteral("stereo");
    case 6:
        return QStringLiteral("5.1");
    case 8:
        return QStringLiteral("7.1");
    default:
        return channels > 0 ? QStringLiteral("%1 channels").arg(channels) : QString();
    }
}

// 25, 29.97, 23.976: at most three decimals, no trailing zeros.
QString rateText(double framesPerSecond)
{
    return QString::number(std::round(framesPerSecond * 1000.0) / 1000.0, 'g', 10);
}

} // namespace

QString videoPropertiesText(const media::VideoFacts& facts)
{
    QStringList parts;
    if (facts.hasPicture) {
        if (facts.width > 0 && facts.height > 0)
            parts << QStringLiteral("%1\u00d7%2")
                         .arg(facts.displayWidth())
                         .arg(facts.displayHeight());
        if (facts.framesPerSecond() > 0.0)
            parts << QStringLiteral("%1 fps").arg(rateText(facts.framesPerSecond()));
        if (!facts.pictureCodec.isEmpty())
            parts << facts.pictureCodec;
    }
    if (!facts.hasSound) {
        parts << QStringLiteral("no sound");
    } else {
        QStringList sound;
        if (!facts.soundCodec.isEmpty())
            sound << facts.soundCodec;
        if (!facts.soundChannels.isEmpty() && !channelsText(facts.soundChannels.first()).isEmpty())
            sound << channelsText(facts.soundChannels.first());
        parts << (sound.isEmpty() ? QStringLiteral("sound")
                                  : QStringLiteral("sound: ") + sound.join(QStringLiteral(", ")));
    }
    return parts.join(QStringLiteral(", "));
}

KeptRangeTexts keptRangeTexts(double durationSeconds, float menor, float maior)
{
    // The start and end as the position label gives them at the handles; the
    // length from the unrounded times, so that it is what the cut keeps.
    const float low = std::min(menor, maior);
    const float high = std::max(menor, maior);
    const float d = float(durationSeconds);
    const float start = d * low / 100.0f;
    const float end = d * high / 100.0f;
    return {labelText(previewTime(durationSeconds, low)),
            labelText(previewTime(durationSeconds, high)), labelText(previewTimeAt(end - start))};
}

} // namespace views
