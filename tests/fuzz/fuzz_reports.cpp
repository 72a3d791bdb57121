// Feeds arbitrary text to the scans of the transcoder's reports, to the clock
// parsers and to the reader of the prober's JSON: none may crash, read out of
// bounds or overflow, and the facts read stay within their ranges.
#include "media/ReportParsing.h"
#include "media/VideoFacts.h"

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

    if (const auto facts = media::videoFactsFromJson(
            QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)))) {
        if (!(facts->durationSeconds > 0.0) || std::isinf(facts->durationSeconds) ||
            facts->durationText.size() != 11 || facts->width < 0 || facts->width > 65536 ||
            facts->height < 0 || facts->height > 65536 || facts->sampleAspectNumerator <= 0 ||
            facts->sampleAspectDenominator <= 0 || facts->rotation % 90 != 0 ||
            facts->rotation < 0 || facts->rotation >= 360 || facts->rateNumerator < 0 ||
            facts->rateDenominator <= 0 || facts->framesPerSecond() > 1000.0 ||
            facts->pictureStartSeconds < 0.0 || facts->displayWidth() % 2 != 0 ||
            facts->displayHeight() < 2 || facts->decodingMatrix().isEmpty())
            __builtin_trap();
    }
    return 0;
}
