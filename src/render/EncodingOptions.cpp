#include "render/EncodingOptions.h"

#include <cmath>

namespace render {

namespace {

// The smallest height the renderer writes: below it, the chain's effects
// (vignette, gate, grain) have no room.
constexpr int kLowestHeight = 16;

} // namespace

QString readEncodingOptions(const EncodingTexts& texts, media::VideoEncoding& encoding, int& height)
{
    if (texts.codec) {
        const std::optional<media::VideoCodec> codec = media::findVideoCodec(*texts.codec);
        if (!codec)
            return QStringLiteral("--codec %1: codecs are %2")
                .arg(*texts.codec, media::videoCodecNames().join(QStringLiteral(", ")));
        encoding.codec = *codec;
    }
    const media::CodecChoices& choices = media::codecChoices(encoding.codec);
    if (texts.quality) {
        bool isNumber = false;
        const int quality = texts.quality->toInt(&isNumber);
        if (!isNumber || quality < choices.lowestQuality || quality > choices.highestQuality)
            return QStringLiteral("--quality %1: %2 takes %3 to %4 (lower is better; default %5)")
                .arg(*texts.quality, choices.name)
                .arg(choices.lowestQuality)
                .arg(choices.highestQuality)
                .arg(choices.defaultQuality);
        encoding.quality = quality;
    }
    if (texts.speed) {
        const qsizetype at = choices.speeds.indexOf(texts.speed->toLower());
        if (at < 0)
            return QStringLiteral("--speed %1: %2 takes %3 (default %4)")
                .arg(*texts.speed, choices.name,
                     encoding.codec == media::VideoCodec::Av1
                         ? choices.speeds.first() + QStringLiteral(" (slowest) to ") +
                               choices.speeds.last()
                         : choices.speeds.join(QStringLiteral(", ")),
                     choices.defaultSpeed);
        encoding.speed = choices.speeds[at];
    }
    if (texts.height) {
        bool isNumber = false;
        height = texts.height->toInt(&isNumber);
        if (!isNumber || height < kLowestHeight || height % 2 != 0)
            return QStringLiteral("--height %1: takes an even number of lines from %2")
                .arg(*texts.height)
                .arg(kLowestHeight);
    }
    return QString();
}

QString encodingUsage()
{
    using media::VideoCodec;
    const auto quality = [](VideoCodec codec) {
        const media::CodecChoices& c = media::codecChoices(codec);
        return QStringLiteral("%1 %2-%3 (default %4)")
            .arg(c.name)
            .arg(c.lowestQuality)
            .arg(c.highestQuality)
            .arg(c.defaultQuality);
    };
    const media::CodecChoices& h264 = media::codecChoices(VideoCodec::H264);
    const media::CodecChoices& av1 = media::codecChoices(VideoCodec::Av1);
    return QStringLiteral(
               "  --codec NAME         h264 (default), hevc or av1\n"
               "  --quality N          the codec's CRF, lower is better: %1,\n"
               "                       %2, %3\n"
               "  --speed NAME         the encoder's preset: h264 and hevc %4 ... %5\n"
               "                       (default) ... %6; av1 %7 (slowest) to %8 (default %9)\n"
               "  --height N           scale down to N lines (even, %10 or more), aspect kept\n")
        .arg(quality(VideoCodec::H264), quality(VideoCodec::Hevc), quality(VideoCodec::Av1),
             h264.speeds.first(), h264.defaultSpeed, h264.speeds.last(), av1.speeds.first(),
             av1.speeds.last(), av1.defaultSpeed)
        .arg(kLowestHeight);
}

std::optional<std::pair<int, int>> scaledSize(int width, int height, int lines, QString& why)
{
    if (lines <= 0 || lines == height)
        return std::pair{width, height};
    if (lines > height) {
        why = QStringLiteral("is %1x%2: --height %3 would enlarge it (the renderer only "
                             "scales down)")
                  .arg(width)
                  .arg(height)
                  .arg(lines);
        return std::nullopt;
    }
    const int scaledWidth = std::max(2, int(std::lround(double(width) * lines / height / 2.0)) * 2);
    return std::pair{scaledWidth, lines};
}

} // namespace render
