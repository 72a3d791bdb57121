#include "media/VideoFacts.h"

#include "media/Transcoder.h"

#include <QFile>
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
    // Far beyond any real picture; keeps a nonsense file's product in range.
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

long long VideoFacts::pictureFramesFrom(Rate rate, long long first, long long count) const
{
    if (pictureSeconds <= 0.0 || !rate.isKnown())
        return 0;
    const long long end = firstFrameAtOrAfter(pictureStartSeconds + pictureSeconds, rate);
    const long long stop = count < 0 ? end : std::min(end, first + count);
    return std::max(0LL, stop - first);
}

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

bool VideoFacts::needsConstantRate() const
{
    const double rate = framesPerSecond();
    return variableRate || (rate > 0.0 && pictureStartSeconds * rate > 0.5);
}

QString VideoFacts::oversizeText() const
{
    constexpr int kLargestSide = 8192;
    constexpr double kMostPixels = 36e6;
    const int w = displayWidth(), h = displayHeight();
    if (w <= kLargestSide && h <= kLargestSide && double(w) * h <= kMostPixels)
        return QString();
    return QStringLiteral("%1x%2").arg(w).arg(h);
}

bool VideoFacts::isInterlaced() const
{
    static const QStringList interlaced{QStringLiteral("tt"), QStringLiteral("bb"),
                                        QStringLiteral("tb"), QStringLiteral("bt")};
    return interlaced.contains(fieldOrder);
}

bool VideoFacts::isHdr() const
{
    return colourTransfer == QLatin1String("smpte2084") ||
           colourTransfer == QLatin1String("arib-std-b67");
}

QString VideoFacts::decodingMatrix() const
{
    if (colourMatrix == QLatin1String("bt709"))
        return QStringLiteral("bt709");
    if (colourMatrix == QLatin1String("smpte170m") || colourMatrix == QLatin1String("bt470bg"))
        return QStringLiteral("bt601");
    if (colourMatrix.startsWith(QLatin1String("bt2020")))
        return QStringLiteral("bt2020");
    if (colourMatrix == QLatin1String("smpte240m") || colourMatrix == QLatin1String("fcc"))
        return colourMatrix;
    return isHighDefinition(width, height) ? QStringLiteral("bt709") : QStringLiteral("bt601");
}

bool isHighDefinition(int width, int height)
{
    return std::max(width, height) >= 1280 || std::min(width, height) >= 720;
}

bool isPlainFile(const QString& path)
{
    // QFileInfo follows links and counts only regular files as files: a
    // named pipe, a device or a socket is not one.
    const QFileInfo info(path);
    if (!info.exists() || !info.isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return true; // the transcoder says why it cannot read it
    // Playlists are text; ffmpeg knows them by their first word.
    const QByteArray start = file.read(64).trimmed();
    for (const char* playlist : {"ffconcat", "#EXTM3U", "<?xml", "<MPD"})
        if (start.startsWith(playlist))
            return false;
    return true;
}

std::optional<VideoFacts> probeFacts(const QString& transcoder, const QString& path)
{
    if (!isPlainFile(path))
        return std::nullopt;
    // Only the file's description: nothing is decoded. The "file:" prefix
    // keeps any name ("concat:a.mp4", "10:30.mp4") a plain file's name.
    const QString input = QStringLiteral("file:") + QFileInfo(path).absoluteFilePath();
    const QStringList arguments = QStringList{QStringLiteral("-v"),
                                              QStringLiteral("error"),
                                              QStringLiteral("-of"),
                                              QStringLiteral("json"),
                                              QStringLiteral("-show_streams"),
                                              QStringLiteral("-show_format")} +
                                  fileProtocolsOnly() + QStringList{input};
    const QByteArray json = runAndReadOutput(proberFor(transcoder), arguments);
    return videoFactsFromJson(json);
}

QStringList fileProtocolsOnly()
{
    return {QStringLiteral("-protocol_whitelist"), QStringLiteral("file,pipe")};
}

std::optional<VideoFacts> probeVideoFacts(const QString& transcoder, const QString& path)
{
    auto facts = probeFacts(transcoder, path);
    if (!facts || !facts->hasPicture || facts->rateNumerator <= 0)
        return std::nullopt;
    return facts;
}

} // namespace media
