#include "export/KeptPart.h"

#include "media/Transcoder.h"

#include <algorithm>

namespace exporting {

namespace {

QStringList seekTo(long long frame, double rate)
{
    if (frame <= 0)
        return {};
    return {QStringLiteral("-ss"), media::secondsText(double(frame) / rate)};
}

} // namespace

PartArguments keptSoundArguments(long long firstFrame, long long frameCount, double rate)
{
    return {seekTo(firstFrame, rate),
            {QStringLiteral("-t"), media::secondsText(double(frameCount) / rate)}};
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
