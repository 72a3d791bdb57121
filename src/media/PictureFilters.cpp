#include "media/PictureFilters.h"

#include "media/VideoFacts.h"

namespace media {

namespace {

// Tone mapping to SDR: the picture to linear light (100 nits as SDR white),
// BT.2020 primaries to BT.709, highlights rolled off (Mobius keeps the mid
// tones and the colours, where Hable darkens a whole picture by a third),
// then back to BT.709 YUV. The source's own tags are named, not guessed.
QString toneMappingFilter(const VideoFacts& facts)
{
    const QString matrix =
        facts.colourMatrix == QLatin1String("bt2020c") ? QStringLiteral("2020_cl")
        : facts.colourMatrix == QLatin1String("bt709") ? QStringLiteral("709")
                                                       : QStringLiteral("2020_ncl");
    const QString primaries = facts.colourPrimaries == QLatin1String("bt709")
                                  ? QStringLiteral("709")
                                  : QStringLiteral("2020");
    const QString range = facts.colourRange == QLatin1String("pc") ? QStringLiteral("full")
                                                                   : QStringLiteral("limited");
    return QStringLiteral("zscale=tin=%1:min=%2:pin=%3:rin=%4:t=linear:npl=100,format=gbrpf32le,"
                          "zscale=p=709,tonemap=tonemap=mobius:desat=0,"
                          "zscale=t=709:m=709:r=limited,format=yuv420p")
        .arg(facts.colourTransfer, matrix, primaries, range);
}

// Deinterlacing and tone mapping: what makes the decoded picture progressive
// SDR, before it is scaled or converted.
QStringList progressiveSdrFilters(const VideoFacts& facts)
{
    QStringList filters;
    if (facts.isInterlaced())
        filters << QStringLiteral("bwdif=mode=send_frame:parity=auto:deint=all");
    if (facts.isHdr())
        filters << toneMappingFilter(facts);
    return filters;
}

// The YUV matrix of the picture those filters give, in the scaler's words:
// after tone mapping it is BT.709 whatever its source was.
QString progressiveSdrMatrix(const VideoFacts& facts)
{
    return facts.isHdr() ? QStringLiteral("bt709") : facts.decodingMatrix();
}

} // namespace

QString sourcePictureFilter(const VideoFacts& facts, int width, int height)
{
    QStringList filters = progressiveSdrFilters(facts);
    const QString matrix = progressiveSdrMatrix(facts);
    const bool sized = width > 0 && height > 0;
    QStringList scale;
    if (sized)
        scale << QString::number(width) << QString::number(height);
    if (matrix != QLatin1String("bt601") || facts.colourRange == QLatin1String("pc"))
        scale << QStringLiteral("in_color_matrix=") + matrix;
    if (facts.colourRange == QLatin1String("pc"))
        scale << QStringLiteral("in_range=full");
    if (!scale.isEmpty())
        filters << QStringLiteral("scale=") + scale.join(QLatin1Char(':'));
    if (sized)
        filters << QStringLiteral("setsar=1");
    return filters.join(QLatin1Char(','));
}

std::optional<YuvDecoding> sourceYuvDecoding(const VideoFacts& facts, int width, int height)
{
    // 4:2:0 at 8 to 12 bits, planar or not; a higher depth comes down to 8
    // with the scaler's dither.
    static const QStringList halfChroma{
        QStringLiteral("yuv420p"), QStringLiteral("yuv420p10le"), QStringLiteral("yuv420p12le"),
        QStringLiteral("nv12"),    QStringLiteral("nv21"),        QStringLiteral("p010le")};
    if (!halfChroma.contains(facts.pixelFormat) || facts.colourRange == QLatin1String("pc") ||
        width <= 0 || height <= 0)
        return std::nullopt;
    const QString matrixName = progressiveSdrMatrix(facts);
    YuvMatrix matrix = YuvMatrix::Bt601;
    if (matrixName == QLatin1String("bt709"))
        matrix = YuvMatrix::Bt709;
    else if (matrixName == QLatin1String("bt2020") &&
             facts.colourMatrix != QLatin1String("bt2020c"))
        matrix = YuvMatrix::Bt2020;
    else if (matrixName != QLatin1String("bt601"))
        return std::nullopt;
    QStringList filters = progressiveSdrFilters(facts);
    filters << QStringLiteral("scale=%1:%2").arg(width).arg(height) << QStringLiteral("setsar=1")
            << QStringLiteral("format=yuv420p");
    return YuvDecoding{filters.join(QLatin1Char(',')), matrix};
}

QStringList sourcePictureOptions(const VideoFacts& facts)
{
    if (facts.width <= 0 || facts.height <= 0)
        return {};
    const bool sized = !facts.hasSquarePixels();
    QString chain = sized ? sourcePictureFilter(facts, facts.displayWidth(), facts.displayHeight())
                          : sourcePictureFilter(facts);
    if (chain.isEmpty())
        return {};
    // Converted here with the source's matrix; a JPEG writer then converts
    // the RGB with its own.
    if (chain.contains(QLatin1String("in_color_matrix")) || facts.isHdr())
        chain += QStringLiteral(",format=rgb24");
    return {QStringLiteral("-vf"), chain};
}

QString encodingMatrix(int width, int height)
{
    return isHighDefinition(width, height) ? QStringLiteral("bt709") : QStringLiteral("bt601");
}

QString rgbToEncodingFilter(int width, int height)
{
    return QStringLiteral("scale=out_color_matrix=%1:out_range=tv")
        .arg(encodingMatrix(width, height));
}

QString bt601ToEncodingFilter(int width, int height)
{
    if (encodingMatrix(width, height) == QLatin1String("bt601"))
        return QString();
    // Through 16-bit RGB with exact rounding: the scaler converts between YUV
    // matrices only approximately, and 8-bit RGB loses two levels of blue.
    return QStringLiteral(
               "scale=in_color_matrix=bt601:in_range=tv:flags=accurate_rnd+full_chroma_int,"
               "format=gbrp16le,") +
           rgbToEncodingFilter(width, height) +
           QStringLiteral(":flags=accurate_rnd+full_chroma_int");
}

QStringList colourTagArguments(int width, int height)
{
    const bool hd = encodingMatrix(width, height) == QLatin1String("bt709");
    const QString name = hd ? QStringLiteral("bt709") : QStringLiteral("smpte170m");
    return {QStringLiteral("-color_primaries"), name,
            QStringLiteral("-color_trc"),       name,
            QStringLiteral("-colorspace"),      name,
            QStringLiteral("-color_range"),     QStringLiteral("tv")};
}

} // namespace media
