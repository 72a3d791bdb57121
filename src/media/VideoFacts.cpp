#include "media/VideoFacts.h"

#include "media/ReportParsing.h"
#include "media/Transcoder.h"

#include <QFileInfo>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace media {

namespace {

// A size rounded to whole pixels, then down to even: 4:2:0 pictures need
// even sides, and an odd stored side loses its last pixel as Step 7's crop does.
int evenSide(double pixels)
{
    // Far beyond any real picture; keeps a nonsense report's product in range.
    constexpr double largest = 65536.0;
    const long whole = std::lround(std::clamp(pixels, 2.0, largest));
    return int(whole - whole % 2);
}

bool quarterTurned(int rotation)
{
    return rotation == 90 || rotation == 270;
}

double squarePixelWidth(const VideoFacts& facts)
{
    if (facts.sampleAspectNumerator <= 0 || facts.sampleAspectDenominator <= 0)
        return facts.width;
    return double(facts.width) * facts.sampleAspectNumerator / facts.sampleAspectDenominator;
}

} // namespace

int VideoFacts::displayWidth() const
{
    return evenSide(quarterTurned(rotation) ? double(height) : squarePixelWidth(*this));
}

int VideoFacts::displayHeight() const
{
    return evenSide(quarterTurned(rotation) ? squarePixelWidth(*this) : double(height));
}

bool VideoFacts::hasSquarePixels() const
{
    return sampleAspectNumerator == sampleAspectDenominator;
}

bool isRegularFile(const QString& path)
{
    // QFileInfo follows links and counts only regular files as files: a
    // named pipe, a device or a socket is not one.
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

void takeDuration(VideoFacts& facts, const DurationLine& line)
{
    facts.durationSeconds = line.exactSeconds;
    facts.durationText = line.text;
}

void takeStream(VideoFacts& facts, const VideoStreamLine& stream)
{
    facts.rateNumerator = stream.rate.numerator;
    facts.rateDenominator = stream.rate.denominator;
    facts.width = stream.width;
    facts.height = stream.height;
    facts.sampleAspectNumerator = stream.sampleAspectNumerator;
    facts.sampleAspectDenominator = stream.sampleAspectDenominator;
    facts.rotation = stream.rotation;
}

std::optional<VideoFacts> videoFactsFromReport(QStringView report, QStringView path)
{
    const QString scanned = withoutPath(report, path);
    const auto duration = findDurationLine(scanned);
    const auto stream = findVideoStream(scanned);
    if (!duration || !stream || stream->rate.numerator <= 0)
        return std::nullopt;
    VideoFacts facts;
    takeDuration(facts, *duration);
    takeStream(facts, *stream);
    facts.hasSound = hasAudioStream(scanned);
    return facts;
}

std::optional<VideoFacts> probeVideoFacts(const QString& transcoder, const QString& path)
{
    if (!isRegularFile(path))
        return std::nullopt;
    // Only the input's description is needed: no output is named, nothing is
    // decoded. An absolute path is never read as a protocol ("pipe:", "http:").
    const QString input = QFileInfo(path).absoluteFilePath();
    const QString report = runAndReadAll(transcoder, {QStringLiteral("-i"), input});
    return videoFactsFromReport(report, input);
}

} // namespace media
