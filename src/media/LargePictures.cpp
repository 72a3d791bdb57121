#include "media/LargePictures.h"

#include <algorithm>

namespace media {

bool isLargePicture(int width, int height)
{
    return (long long)width * height > 4'000'000;
}

int framesInFlightFor(int width, int height)
{
    const long long frameBytes = std::max(1LL, (long long)width * height * 4);
    return int(std::clamp(64LL * 1024 * 1024 / frameBytes, 1LL, 3LL));
}

QStringList largePictureEnvironment()
{
    return {QStringLiteral("MALLOC_MMAP_THRESHOLD_=1048576")};
}

QStringList largePictureDecoderArguments()
{
    return {QStringLiteral("-threads"), QStringLiteral("1")};
}

} // namespace media
