#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The video codecs the renderer can write into its MP4s, with each one's
// quality scale and speeds, and the encoder options a choice of them gives.
namespace media {

enum class VideoCodec { H264, Hevc, Av1 };

struct CodecChoices
{
    QString name;          // as the command line takes it: h264, hevc, av1
    int lowestQuality = 0; // the CRF range; lower is better
    int highestQuality = 0;
    int defaultQuality = 0;
    QStringList speeds; // the encoder's preset names, slowest first
    QString defaultSpeed;
};

const CodecChoices& codecChoices(VideoCodec codec);
// By its command-line name, any case; none when unknown.
std::optional<VideoCodec> findVideoCodec(const QString& name);
QStringList videoCodecNames();

// A choice of the result's encoding. The defaults give every MP4's H.264
// (media::h264QualityArguments) byte for byte.
struct VideoEncoding
{
    VideoCodec codec = VideoCodec::H264;
    int quality = -1; // the codec's CRF; -1: its default
    QString speed{};  // one of the codec's speeds; empty: its default
};

// The encoder's options (-c:v through -movflags) for frames of a look with
// (`grain`) or without film grain; `largePicture` as for h264QualityArguments.
QStringList videoEncoderArguments(const VideoEncoding& encoding, bool grain,
                                  bool largePicture = false);

// NAME=value entries the encoder's process needs: SVT-AV1 prints its
// settings unless told to print only errors.
QStringList videoEncoderEnvironment(const VideoEncoding& encoding);

} // namespace media
