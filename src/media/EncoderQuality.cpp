#include "media/EncoderQuality.h"

namespace media {

QStringList h264QualityArguments(bool grain)
{
    QStringList arguments{QStringLiteral("-c:v"),     QStringLiteral("libx264"),
                          QStringLiteral("-crf"),     QStringLiteral("18"),
                          QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"),
                          QStringLiteral("-movflags"), QStringLiteral("+faststart")};
    if (grain)
        arguments += {QStringLiteral("-tune"), QStringLiteral("grain")};
    return arguments;
}

} // namespace media
