#include "media/VideoCodecs.h"

#include "media/EncoderQuality.h"

namespace media {

namespace {

const QStringList& x26xSpeeds()
{
    static const QStringList speeds{"ultrafast", "superfast", "veryfast", "faster",   "fast",
                                    "medium",    "slow",      "slower",   "veryslow", "placebo"};
    return speeds;
}

// SVT-AV1's presets 0 (slowest) to 13.
QStringList svtSpeeds()
{
    QStringList speeds;
    for (int preset = 0; preset <= 13; ++preset)
        speeds << QString::number(preset);
    return speeds;
}

// Replaces the value that follows `option` in `arguments`.
void replaceValue(QStringList& arguments, const QString& option, const QString& value)
{
    const qsizetype at = arguments.indexOf(option);
    if (at >= 0 && at + 1 < arguments.size())
        arguments[at + 1] = value;
}

} // namespace

// Default qualities (bench/codec_choices.sh, a grainy 1080p clip): HEVC at
// CRF 22 and AV1 at CRF 30 keep the look about as well as H.264 at CRF 18
// (within 1 dB of its PSNR against a lossless encoding of the look) in
// smaller files. AV1's preset 8 is SVT-AV1's fastest that still beats x264
// medium's size; lower presets cost several times the time.
const CodecChoices& codecChoices(VideoCodec codec)
{
    static const CodecChoices h264{"h264", 0, 51, 18, x26xSpeeds(), "medium"};
    static const CodecChoices hevc{"hevc", 0, 51, 22, x26xSpeeds(), "medium"};
    static const CodecChoices av1{"av1", 1, 63, 30, svtSpeeds(), "8"};
    switch (codec) {
    case VideoCodec::Hevc:
        return hevc;
    case VideoCodec::Av1:
        return av1;
    case VideoCodec::H264:
        break;
    }
    return h264;
}

std::optional<VideoCodec> findVideoCodec(const QString& name)
{
    for (const VideoCodec codec : {VideoCodec::H264, VideoCodec::Hevc, VideoCodec::Av1})
        if (name.compare(codecChoices(codec).name, Qt::CaseInsensitive) == 0)
            return codec;
    return std::nullopt;
}

QStringList videoCodecNames()
{
    return {codecChoices(VideoCodec::H264).name, codecChoices(VideoCodec::Hevc).name,
            codecChoices(VideoCodec::Av1).name};
}

QStringList videoEncoderArguments(const VideoEncoding& encoding, bool grain, bool largePicture)
{
    const CodecChoices& choices = codecChoices(encoding.codec);
    const QString quality =
        QString::number(encoding.quality >= 0 ? encoding.quality : choices.defaultQuality);
    const QString speed = encoding.speed.isEmpty() ? choices.defaultSpeed : encoding.speed;
    const QStringList tail{QStringLiteral("-pix_fmt"), QStringLiteral("yuv420p"),
                           QStringLiteral("-movflags"), QStringLiteral("+faststart")};
    switch (encoding.codec) {
    case VideoCodec::H264: {
        // The list every MP4 is written with, only its preset and CRF changed.
        QStringList arguments = h264QualityArguments(grain, largePicture);
        replaceValue(arguments, QStringLiteral("-preset"), speed);
        replaceValue(arguments, QStringLiteral("-crf"), quality);
        return arguments;
    }
    case VideoCodec::Hevc: {
        // hvc1: the tag Apple's players and browsers need to open HEVC in MP4.
        QStringList arguments{QStringLiteral("-c:v"),    QStringLiteral("libx265"),
                              QStringLiteral("-preset"), speed,
                              QStringLiteral("-crf"),    quality};
        arguments << tail << QStringLiteral("-tag:v") << QStringLiteral("hvc1");
        if (grain)
            arguments << QStringLiteral("-tune") << QStringLiteral("grain");
        // x265 prints its settings on its own unless told not to.
        arguments << QStringLiteral("-x265-params") << QStringLiteral("log-level=error");
        return arguments;
    }
    case VideoCodec::Av1: {
        QStringList arguments{QStringLiteral("-c:v"),    QStringLiteral("libsvtav1"),
                              QStringLiteral("-preset"), speed,
                              QStringLiteral("-crf"),    quality};
        arguments << tail;
        // Denoised before encoding and the grain's statistics sent instead:
        // without the denoise the grain would be both encoded and drawn.
        if (encoding.grainSynthesis)
            arguments
                << QStringLiteral("-svtav1-params")
                << QStringLiteral("film-grain=%1:film-grain-denoise=1").arg(kGrainSynthesisLevel);
        return arguments;
    }
    }
    return {};
}

QStringList videoEncoderEnvironment(const VideoEncoding& encoding)
{
    if (encoding.codec == VideoCodec::Av1)
        return {QStringLiteral("SVT_LOG=1")};
    return {};
}

} // namespace media
