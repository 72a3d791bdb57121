#include "export/KeptPart.h"

#include <algorithm>

namespace exporting {

namespace {

// Seconds as the transcoder reads them, to the microsecond it counts in.
QString secondsText(double seconds)
{
    return QString::number(seconds, 'f', 6);
}

QStringList seekTo(long long frame, double rate)
{
    if (frame <= 0)
        return {};
    return {QStringLiteral("-ss"), secondsText(double(frame) / rate)};
}

} // namespace

PartArguments keptSoundArguments(long long firstFrame, long long frameCount, double rate)
{
    return {seekTo(firstFrame, rate),
            {QStringLiteral("-t"), secondsText(double(frameCount) / rate)}};
}

long long leadFrames(long long firstFrame)
{
    return std::clamp(firstFrame, 0LL, kLeadFrames);
}

PartArguments keptFrameArguments(long long firstFrame, long long frameCount, double rate)
{
    const long long lead = leadFrames(firstFrame);
    return {seekTo(firstFrame - lead, rate),
            {QStringLiteral("-frames:v"), QString::number(lead + frameCount)}};
}

} // namespace exporting
