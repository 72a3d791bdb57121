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

// Measured by bench/codec_choices.sh on 3 s of a grainy 1080p clip (preset 8),
// against the look encoded losslessly; "grain" is the standard deviation of
// the luma's high-pass, 7.49 in the look itself:
// - H.264, CRF 18 (every MP4's): 58.7 Mbit/s, 44.4 dB, grain 7.50.
// - HEVC, CRF 22, medium, tune grain: 40.3 Mbit/s, 35.9 dB, grain 6.61.
// - AV1, CRF 30, preset 8: 20.5 Mbit/s, 36.9 dB, grain 6.75; at CRF 40
//   7.8 Mbit/s, 33.0 dB, grain 5.87.
// A lower --quality buys the detail back at a larger size.
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
        // No film-grain synthesis: SVT-AV1 denoises the look's specks and
        // scratches away and draws an even grain instead. At film-grain=50 the
        // clip above took 9.6 Mbit/s, 30.4 dB, grain 5.49: CRF 40 without it
        // is smaller and keeps more of both.
        arguments << tail;
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
