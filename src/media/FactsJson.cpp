// The prober's JSON description of a file, turned into VideoFacts. Every value
// comes from a field of its own, so no name, tag or metadata text can pass
// for a fact; anything missing, malformed or out of range counts as absent.
#include "media/Clock.h"
#include "media/VideoFacts.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace media {

namespace {

// Far beyond any real picture or rate; keeps nonsense in range.
constexpr double kLargestSide = 65536.0;
constexpr double kFastestRate = 1000.0;

// A number the prober prints as text ("1.600000"); none for "N/A" or junk.
std::optional<double> number(const QJsonValue& value)
{
    bool ok = false;
    const double parsed = value.isDouble() ? value.toDouble() : value.toString().toDouble(&ok);
    if (!value.isDouble() && !ok)
        return std::nullopt;
    if (!std::isfinite(parsed))
        return std::nullopt;
    return parsed;
}

struct Fraction
{
    long long numerator = 0;
    long long denominator = 1;
    double value() const { return double(numerator) / double(denominator); }
};

// "30000/1001" or "32:27"; none unless both parts are positive and fit.
std::optional<Fraction> fraction(const QJsonValue& value, QChar separator)
{
    const QStringList parts = value.toString().split(separator);
    if (parts.size() != 2)
        return std::nullopt;
    bool okTop = false, okBottom = false;
    const long long top = parts[0].toLongLong(&okTop);
    const long long bottom = parts[1].toLongLong(&okBottom);
    if (!okTop || !okBottom || top <= 0 || bottom <= 0 || top > 1'000'000'000 ||
        bottom > 1'000'000'000)
        return std::nullopt;
    return Fraction{top, bottom};
}

// A stream's length when its container indexes its frames (MP4, MOV, AVI):
// then it is exact. Others (ASF, say) state only the file's length for every
// stream, which is no measure of where a stream's frames end.
std::optional<double> indexedLength(const QJsonObject& stream)
{
    if (stream.value(QLatin1String("nb_frames")).toString().toLongLong() <= 0)
        return std::nullopt;
    const auto length = number(stream.value(QLatin1String("duration")));
    if (!length || !(*length > 0.0) || *length > 366.0 * 86400.0)
        return std::nullopt;
    return length;
}

int side(const QJsonValue& value)
{
    const double pixels = value.toDouble();
    return pixels >= 1.0 && pixels <= kLargestSide ? int(pixels) : 0;
}

// A tag's value unless the prober says it is not known.
QString tag(const QJsonObject& stream, const char* key)
{
    const QString text = stream.value(QLatin1String(key)).toString();
    if (text == QLatin1String("unknown") || text == QLatin1String("unspecified") ||
        text == QLatin1String("reserved") || text.size() > 32)
        return QString();
    return text;
}

// Clockwise quarter turns from the display matrix's counter-clockwise angle.
int clockwiseRotation(const QJsonObject& stream)
{
    for (const QJsonValue& entry : stream.value(QLatin1String("side_data_list")).toArray()) {
        const auto angle = number(entry.toObject().value(QLatin1String("rotation")));
        if (!angle)
            continue;
        const long quarters = std::lround(-*angle / 90.0);
        return int(((quarters % 4) + 4) % 4) * 90;
    }
    return 0;
}

void takeRates(VideoFacts& facts, const QJsonObject& stream)
{
    const auto average = fraction(stream.value(QLatin1String("avg_frame_rate")), u'/');
    const auto nominal = fraction(stream.value(QLatin1String("r_frame_rate")), u'/');
    auto sane = [](const std::optional<Fraction>& rate) {
        return rate && rate->value() <= kFastestRate;
    };
    std::optional<Fraction> chosen = sane(average) ? average : std::nullopt;
    if (sane(average) && sane(nominal)) {
        const double ratio = nominal->value() / average->value();
        // The nominal rate twice the average is an interlaced picture's field
        // rate; far above it, a container's guess. Between, frames are missing
        // at varying intervals: the picture is made constant at its nominal rate.
        const bool fieldRate = std::abs(ratio - 2.0) < 0.02;
        if (std::abs(ratio - 1.0) > 0.01 && ratio < 3.0 && !fieldRate) {
            chosen = nominal;
            facts.variableRate = true;
        }
    } else if (!chosen && sane(nominal)) {
        chosen = nominal;
    }
    if (chosen) {
        facts.rateNumerator = chosen->numerator;
        facts.rateDenominator = chosen->denominator;
    }
}

void takePicture(VideoFacts& facts, const QJsonObject& stream, double fileStart)
{
    facts.hasPicture = true;
    facts.pictureCodec = tag(stream, "codec_name");
    facts.width = side(stream.value(QLatin1String("width")));
    facts.height = side(stream.value(QLatin1String("height")));
    if (const auto aspect = fraction(stream.value(QLatin1String("sample_aspect_ratio")), u':');
        aspect && aspect->numerator <= 1000 && aspect->denominator <= 1000) {
        facts.sampleAspectNumerator = int(aspect->numerator);
        facts.sampleAspectDenominator = int(aspect->denominator);
    }
    facts.rotation = clockwiseRotation(stream);
    takeRates(facts, stream);
    if (const auto start = number(stream.value(QLatin1String("start_time"))))
        facts.pictureStartSeconds = std::max(0.0, *start - fileStart);
    facts.colourMatrix = tag(stream, "color_space");
    facts.colourRange = tag(stream, "color_range");
    facts.colourPrimaries = tag(stream, "color_primaries");
    facts.colourTransfer = tag(stream, "color_transfer");
    facts.fieldOrder = tag(stream, "field_order");
    facts.pixelFormat = tag(stream, "pix_fmt");
    // A matrix the scaler does not know is no tag at all; so are tags that
    // contradict each other: a BT.2020 matrix or an HDR transfer with the
    // primaries of SD or HD.
    if (facts.colourMatrix == QLatin1String("gbr") || facts.colourMatrix == QLatin1String("ycgco"))
        facts.colourMatrix.clear();
    const bool narrowPrimaries =
        !facts.colourPrimaries.isEmpty() && facts.colourPrimaries != QLatin1String("bt2020");
    if (narrowPrimaries &&
        (facts.colourMatrix.startsWith(QLatin1String("bt2020")) || facts.isHdr())) {
        facts.colourMatrix.clear();
        facts.colourTransfer.clear();
    }
}

} // namespace

std::optional<VideoFacts> videoFactsFromJson(QByteArrayView json)
{
    const QJsonObject root = QJsonDocument::fromJson(json.toByteArray()).object();
    const QJsonObject format = root.value(QLatin1String("format")).toObject();
    const QJsonArray streams = root.value(QLatin1String("streams")).toArray();
    const double fileStart = number(format.value(QLatin1String("start_time"))).value_or(0.0);

    VideoFacts facts;
    std::optional<double> pictureLength;
    for (const QJsonValue& value : streams) {
        const QJsonObject stream = value.toObject();
        const QString type = stream.value(QLatin1String("codec_type")).toString();
        if (type == QLatin1String("audio")) {
            facts.hasSound = true;
            const int channels = stream.value(QLatin1String("channels")).toInt();
            facts.soundChannels.append(channels > 0 && channels <= 64 ? channels : 0);
            const auto length = indexedLength(stream);
            if (facts.soundChannels.size() == 1)
                facts.soundCodec = tag(stream, "codec_name");
            if (facts.soundChannels.size() == 1 && length) {
                facts.soundSeconds = *length;
                if (const auto start = number(stream.value(QLatin1String("start_time"))))
                    facts.soundStartSeconds = std::clamp(*start - fileStart, 0.0, *length);
            }
        } else if (type == QLatin1String("video") && !facts.hasPicture) {
            // A cover picture is no video.
            const QJsonObject disposition = stream.value(QLatin1String("disposition")).toObject();
            if (disposition.value(QLatin1String("attached_pic")).toInt() != 0)
                continue;
            takePicture(facts, stream, fileStart);
            pictureLength = number(stream.value(QLatin1String("duration")));
            if (const auto indexed = indexedLength(stream))
                facts.pictureSeconds = *indexed;
        }
    }
    const std::optional<double> length = number(format.value(QLatin1String("duration"))).has_value()
                                             ? number(format.value(QLatin1String("duration")))
                                             : pictureLength;
    // Beyond a year is no real video; such a number would overflow the clocks.
    if (!length || !(*length > 0.0) || *length > 366.0 * 86400.0)
        return std::nullopt;
    facts.durationSeconds = *length;
    // The report's rounding to hundredths, after a separator, cut to its 11 characters.
    facts.durationText = (QLatin1Char(' ') + clockText(*length)).left(11);
    return facts;
}

} // namespace media
