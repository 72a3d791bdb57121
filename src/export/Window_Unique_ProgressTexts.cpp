#include "export/Window_Unique_ProgressTexts.h"

#include <cmath>

namespace exporting {

QString stepText(std::uint64_t typeProgress)
{
    switch (typeProgress) {
    case ExtractingSound:
        return QStringLiteral("Extracting the sound\u2026");
    case ExtractingFrames:
        return QStringLiteral("Extracting the frames\u2026");
    case EncodingVideo:
        return QStringLiteral("Encoding the video\u2026");
    case AddingSound:
        return QStringLiteral("Adding the sound\u2026");
    case EncodingMp4:
        return QStringLiteral("Encoding MP4\u2026");
    default:
        return QString();
    }
}

QString filteringText(std::int64_t done, std::int64_t total)
{
    return QStringLiteral("Applying the look: frame %1 of %2").arg(done).arg(total);
}

QString timeLeftText(double seconds)
{
    if (!(seconds >= 0.0) || !std::isfinite(seconds))
        return QString();
    if (seconds < 1.0)
        return QStringLiteral("Less than a second left");
    const auto whole = static_cast<std::int64_t>(std::llround(seconds));
    const std::int64_t hours = whole / 3600;
    const std::int64_t minutes = whole % 3600 / 60;
    const std::int64_t rest = whole % 60;
    if (hours > 0)
        return QStringLiteral("About %1 h %2 min left").arg(hours).arg(minutes);
    if (minutes > 0)
        return QStringLiteral("About %1 min %2 s left").arg(minutes).arg(rest);
    return QStringLiteral("About %1 s left").arg(rest);
}

} // namespace exporting
