#include "support/PlayerView.h"

#include "support/TestApp.h"

#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace playerview {

namespace {

QByteArray output(const QString& program, const QStringList& arguments, bool withErrors = false)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    if (withErrors)
        process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    process.waitForFinished(120000);
    return process.readAllStandardOutput();
}

QByteArray decoded(const QStringList& arguments)
{
    return output(testsupport::ffmpeg(),
                  QStringList{"-nostdin", "-v", "error"} + arguments + QStringList{"-"});
}

int clamp8(double value)
{
    return std::clamp(int(std::lround(value)), 0, 255);
}

} // namespace

QString probeEntry(const QString& path, const QString& stream, const QString& entry)
{
    QStringList arguments{"-v",  "error", "-show_entries",
                          entry, "-of",   "default=noprint_wrappers=1:nokey=1"};
    if (!stream.isEmpty())
        arguments << "-select_streams" << stream;
    return QString::fromUtf8(output(testsupport::ffprobe(), arguments << path))
        .section('\n', 0, 0)
        .trimmed();
}

QImage frameAsShown(const QString& path, double seconds)
{
    const int width = probeEntry(path, "v:0", "stream=width").toInt();
    const int height = probeEntry(path, "v:0", "stream=height").toInt();
    const QString matrix = probeEntry(path, "v:0", "stream=color_space");
    if (width <= 0 || height <= 0)
        return QImage();
    // Kr and Kb of the matrix the player takes.
    const bool hd = width >= 1280 || height >= 720;
    double kr = 0.299, kb = 0.114;
    if (matrix == "bt709" || ((matrix.isEmpty() || matrix == "unknown") && hd))
        kr = 0.2126, kb = 0.0722;
    else if (matrix.startsWith("bt2020"))
        kr = 0.2627, kb = 0.0593;
    // The planes at full chroma size: only upsampled, no colour conversion.
    const QByteArray planes = decoded({"-ss", QString::number(seconds), "-i", path, "-frames:v",
                                       "1", "-pix_fmt", "yuv444p", "-f", "rawvideo"});
    const qsizetype count = qsizetype(width) * height;
    if (planes.size() < 3 * count)
        return QImage();
    QImage picture(width, height, QImage::Format_RGB32);
    const auto* y = reinterpret_cast<const unsigned char*>(planes.constData());
    const auto* cb = y + count;
    const auto* cr = cb + count;
    for (int row = 0; row < height; ++row) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(row));
        for (int x = 0; x < width; ++x) {
            const qsizetype i = qsizetype(row) * width + x;
            const double luma = (y[i] - 16.0) / 219.0;
            const double blue = (cb[i] - 128.0) / 224.0, red = (cr[i] - 128.0) / 224.0;
            const double r = luma + 2.0 * (1.0 - kr) * red;
            const double b = luma + 2.0 * (1.0 - kb) * blue;
            const double g = (luma - kr * r - kb * b) / (1.0 - kr - kb);
            line[x] = qRgb(clamp8(r * 255.0), clamp8(g * 255.0), clamp8(b * 255.0));
        }
    }
    return picture;
}

QList<QRgb> barColours(const QImage& bars)
{
    QList<QRgb> colours;
    if (bars.isNull())
        return colours;
    // The seven bars fill the middle three quarters of the top part.
    const int w = bars.width(), y = bars.height() / 4;
    for (int bar = 0; bar < 7; ++bar) {
        const int x = w / 8 + int((bar + 0.5) * (w * 6.0 / 8.0) / 7.0);
        double sum[3] = {0, 0, 0};
        for (int dy = -4; dy <= 4; ++dy)
            for (int dx = -4; dx <= 4; ++dx) {
                const QRgb p = bars.pixel(x + dx, y + dy);
                sum[0] += qRed(p), sum[1] += qGreen(p), sum[2] += qBlue(p);
            }
        colours << qRgb(clamp8(sum[0] / 81), clamp8(sum[1] / 81), clamp8(sum[2] / 81));
    }
    return colours;
}

Tone tone(const QImage& picture)
{
    Tone t;
    const double pixels = double(picture.width()) * picture.height();
    if (pixels <= 0)
        return t;
    for (int row = 0; row < picture.height(); ++row)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, row);
            const int high = std::max({qRed(p), qGreen(p), qBlue(p)});
            const int low = std::min({qRed(p), qGreen(p), qBlue(p)});
            t.luma += 0.2126 * qRed(p) + 0.7152 * qGreen(p) + 0.0722 * qBlue(p);
            t.saturation += high > 0 ? double(high - low) / high : 0.0;
        }
    t.luma /= pixels;
    t.saturation /= pixels;
    return t;
}

QList<double> beepTimes(const QString& path)
{
    // The sound's samples from its own start; a beep starts after 0.2 s of quiet.
    const double soundStart = probeEntry(path, "a:0", "stream=start_time").toDouble();
    const QByteArray pcm =
        decoded({"-i", path, "-map", "0:a:0", "-ac", "1", "-ar", "48000", "-f", "s16le"});
    const auto* samples = reinterpret_cast<const qint16*>(pcm.constData());
    QList<double> beeps;
    qsizetype quiet = 48000;
    for (qsizetype i = 0; i < pcm.size() / 2; ++i) {
        if (std::abs(int(samples[i])) > 3000) {
            if (quiet > 9600)
                beeps << soundStart + double(i) / 48000.0;
            quiet = 0;
        } else {
            ++quiet;
        }
    }
    return beeps;
}

QList<double> flashBeepOffsets(const QString& path)
{
    // The picture's frame times, and each frame's mean brightness at 8x8.
    QList<double> times;
    const QString stamps = QString::fromUtf8(output(
        testsupport::ffprobe(), {"-v", "error", "-select_streams", "v:0", "-show_entries",
                                 "frame=best_effort_timestamp_time", "-of", "csv=p=0", path}));
    for (const QString& line : stamps.split('\n', Qt::SkipEmptyParts))
        times << line.section(',', 0, 0).toDouble();
    const QByteArray small = decoded({"-i", path, "-map", "0:v:0", "-vf", "scale=8:8,format=gray",
                                      "-fps_mode", "passthrough", "-f", "rawvideo"});
    QList<double> flashes;
    bool wasBright = false;
    for (qsizetype frame = 0; frame < std::min(times.size(), small.size() / 64); ++frame) {
        int sum = 0;
        for (int i = 0; i < 64; ++i)
            sum += static_cast<unsigned char>(small[frame * 64 + i]);
        const bool bright = sum / 64 > 128;
        if (bright && !wasBright)
            flashes << times[frame];
        wasBright = bright;
    }
    const QList<double> beeps = beepTimes(path);
    QList<double> offsets;
    for (const double flash : flashes) {
        double nearest = 1e9;
        for (const double beep : beeps)
            if (std::abs(flash - beep) < std::abs(nearest))
                nearest = flash - beep;
        offsets << nearest;
    }
    return offsets;
}

double interlacedShare(const QString& path)
{
    const QString report = QString::fromUtf8(output(
        testsupport::ffmpeg(), {"-nostdin", "-i", path, "-vf", "idet", "-f", "null", "-"}, true));
    static const QRegularExpression counts(
        "Multi frame detection: TFF: *(\\d+) BFF: *(\\d+) Progressive: *(\\d+)");
    const auto m = counts.match(report);
    if (!m.hasMatch())
        return 1.0;
    const double fields = m.captured(1).toDouble() + m.captured(2).toDouble();
    const double all = fields + m.captured(3).toDouble();
    return all > 0 ? fields / all : 1.0;
}

QString counterSource(const QString& size, const QString& rate, double seconds)
{
    return QString(
               "color=black:size=%1:rate=%2:duration=%3,format=yuv420p,"
               "geq=lum='if(mod(floor(N/pow(2\\,floor(X*10/W)))\\,2)\\,235\\,16)':cb=128:cr=128")
        .arg(size, rate)
        .arg(seconds);
}

QList<int> burntNumbers(const QString& path)
{
    const int width = probeEntry(path, "v:0", "stream=width").toInt();
    const int height = probeEntry(path, "v:0", "stream=height").toInt();
    const QByteArray gray = decoded({"-i", path, "-map", "0:v:0", "-vf", "format=gray", "-fps_mode",
                                     "passthrough", "-f", "rawvideo"});
    QList<int> numbers;
    const qsizetype frameBytes = qsizetype(width) * height;
    for (qsizetype frame = 0; frameBytes > 0 && (frame + 1) * frameBytes <= gray.size(); ++frame) {
        int number = 0;
        for (int bit = 0; bit < 10; ++bit) {
            const int x = int((bit + 0.5) * width / 10.0);
            const auto value =
                static_cast<unsigned char>(gray[frame * frameBytes + (height / 2) * width + x]);
            if (value > 128)
                number |= 1 << bit;
        }
        numbers << number;
    }
    return numbers;
}

} // namespace playerview
