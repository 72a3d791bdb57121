// Feeds arbitrary text to the scans of the transcoder's reports and to the
// clock parsers: none may crash, read out of bounds or overflow.
#include "media/ReportParsing.h"

#include <QString>
#include <cmath>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)media::integerValue(text);
    (void)media::floatValue(text);
    (void)media::secondsFromClock(text, 0);
    (void)media::secondsFromClock(text, 1);
    if (const auto line = media::findDurationLine(text)) {
        if (line->text.size() > 11)
            __builtin_trap();
        if (!(line->exactSeconds >= 0.0) || std::isinf(line->exactSeconds))
            __builtin_trap();
    }
    (void)media::findLastFrameCount(text);
    // The first line stands for a path to take out of the rest.
    const qsizetype newline = text.indexOf(QLatin1Char('\n'));
    const QString scanned = media::withoutPath(text.mid(newline + 1), text.left(newline));
    (void)media::findDurationLine(scanned);
    return 0;
}
