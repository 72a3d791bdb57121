#pragma once

#include <QString>

namespace render {

// "1 frame", "2 frames", "0 videos": a count with its noun, singular for one.
inline QString counted(long long count, const QString& noun)
{
    return QString::number(count) + QLatin1Char(' ') + noun +
           (count == 1 ? QString() : QStringLiteral("s"));
}

} // namespace render
