#include "support/Corpus.h"

#include "support/TestApp.h"

#include <QFile>
#include <QProcess>
#include <cmath>

namespace corpus {

namespace {

QStringList picture(const QString& source)
{
    return {"-f", "lavfi", "-i", source};
}

QStringList sound(const QString& source)
{
    return {"-f", "lavfi", "-i", source};
}

bool runFfmpeg(const QStringList& arguments)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(testsupport::ffmpeg(),
                  QStringList{"-y", "-nostdin", "-loglevel", "error"} + arguments);
    return process.waitForFinished(120000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

QString ffprobeText(const QStringList& arguments)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(testsupport::ffprobe(), QStringList{"-v", "error"} + arguments);
    process.waitForFinished(120000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// "30000/1001", "32:27" or "12.5" to a number; 0 for "0/0" or "N/A".
double fraction(const QString& text)
{
    qsizetype slash = text.indexOf('/');
    if (slash < 0)
        slash = text.indexOf(':');
    if (slash < 0)
        return text.toDouble();
    const double denominator = text.mid(slash + 1).toDouble();
    return denominator > 0.0 ? text.left(slash).toDouble() / denominator : 0.0;
}

// key=value lines of one stream.
QMap<QString, QString> streamEntries(const QString& path, const QString& stream,
                                     const QString& entries, bool countFrames)
{
    QStringList arguments{"-select_streams",   stream, "-show_entries",
                          "stream=" + entries, "-of",  "default=noprint_wrappers=1"};
    if (countFrames)
        arguments.prepend("-count_frames");
    QMap<QString, QString> values;
    for (const QString& line : ffprobeText(arguments << path).split('\n', Qt::SkipEmptyParts)) {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0 && !values.contains(line.left(equals)))
            values.insert(line.left(equals), line.mid(equals + 1).trimmed());
    }
    return values;
}

struct Span
{
    double start = 0.0;
    double seconds = 0.0;
};

// The time a stream's packets span, from the earliest start to the latest
// end: the same measure for every container, also those that state no
// stream duration (FLV, WMV). None when the stream has no packets.
std::optional<Span> packetSpan(const QString& path, const QString& stream)
{
    const QString text = ffprobeText({"-select_streams", stream, "-show_entries",
                                      "packet=pts_time,duration_time", "-of", "csv=p=0", path});
    std::optional<double> first, last;
    for (const QString& line : text.split('\n', Qt::SkipEmptyParts)) {
        const QStringList fields = line.split(',');
        bool ok = false;
        const double start = fields.value(0).toDouble(&ok);
        if (!ok)
            continue;
        const double end = start + fields.value(1).toDouble();
        first = first ? std::min(*first, start) : start;
        last = last ? std::max(*last, end) : end;
    }
    if (!first)
        return std::nullopt;
    return Span{*first, *last - *first};
}

} // namespace

const QList<Clip>& clips()
{
    const QString size = "size=160x120";
    static const QList<Clip> all{
        {"longer-sound.mp4",
         "30 fps, sound 0.6 s longer than the picture",
         picture("testsrc=" + size + ":rate=30:duration=1.5") +
             sound("sine=frequency=440:duration=2.1") + QStringList{"-pix_fmt", "yuv420p"},
         {}},
        {"short-picture.mp4",
         "30 fps, picture 2 s, sound 5 s",
         picture("testsrc=" + size + ":rate=30:duration=2") + sound("sine=duration=5") +
             QStringList{"-pix_fmt", "yuv420p"},
         {}},
        {"ntsc.avi",
         "29.97 fps in AVI",
         picture("testsrc=" + size + ":rate=30000/1001:duration=1.5") + sound("sine=duration=1.5"),
         {}},
        {"ntsc.flv",
         "29.97 fps in FLV",
         picture("testsrc=" + size + ":rate=30000/1001:duration=1.5") + sound("sine=duration=1.5") +
             QStringList{"-c:a", "aac"},
         {}},
        {"ntsc.wmv",
         "29.97 fps in WMV",
         picture("testsrc=" + size + ":rate=30000/1001:duration=1.5") + sound("sine=duration=1.5") +
             QStringList{"-c:v", "wmv2", "-c:a", "wmav2"},
         {}},
        {"ntsc60.mp4",
         "59.94 fps in MP4",
         picture("testsrc=" + size + ":rate=60000/1001:duration=1") + sound("sine=duration=1") +
             QStringList{"-pix_fmt", "yuv420p"},
         {}},
        {"ntsc30.mp4",
         "29.97 fps in MP4",
         picture("testsrc=" + size + ":rate=30000/1001:duration=1.5") + sound("sine=duration=1.5") +
             QStringList{"-pix_fmt", "yuv420p"},
         {}},
        {"film.mov",
         "23.976 fps in MOV",
         picture("testsrc=" + size + ":rate=24000/1001:duration=1.5") + sound("sine=duration=1.5") +
             QStringList{"-pix_fmt", "yuv420p"},
         {}},
        {"late-picture.mp4",
         "25 fps, picture starting 0.5 s after the sound",
         QStringList{"-itsoffset", "0.5"} + picture("testsrc=" + size + ":rate=25:duration=1.5") +
             sound("sine=duration=2") +
             QStringList{"-fps_mode", "passthrough", "-pix_fmt", "yuv420p"},
         {}},
        {"dv-wide.mp4",
         "DV widescreen: 3:2 stored, pixels 32:27, shown 16:9",
         picture("testsrc=size=270x180:rate=30000/1001:duration=1") + sound("sine=duration=1") +
             QStringList{"-vf", "setsar=32/27", "-pix_fmt", "yuv420p"},
         {}},
        {"phone-vfr.mp4",
         "phone, variable rate: 30 fps with one frame in 7 dropped",
         picture("testsrc=" + size + ":rate=30:duration=2,select='not(eq(mod(n\\,7)\\,3))'") +
             sound("sine=duration=2") + QStringList{"-fps_mode", "vfr", "-pix_fmt", "yuv420p"},
         {}},
        {"phone-turned.mp4",
         "phone held upright: stored 160x120, turned a quarter",
         picture("testsrc=" + size + ":rate=30:duration=1") + sound("sine=duration=1") +
             QStringList{"-pix_fmt", "yuv420p"},
         {"-c", "copy", "-metadata:s:v:0", "rotate=90"}},
        {"ten-bit.mov",
         "10-bit picture",
         picture("testsrc=" + size + ":rate=25:duration=1") +
             QStringList{"-c:v", "libx264", "-pix_fmt", "yuv420p10le"},
         {}},
        {"mono48k.mp4",
         "mono sound at 48 kHz",
         picture("testsrc=" + size + ":rate=25:duration=1") +
             sound("sine=sample_rate=48000:duration=1") +
             QStringList{"-pix_fmt", "yuv420p", "-ac", "1", "-ar", "48000"},
         {}},
        {"surround.mp4",
         "5.1 surround sound",
         picture("testsrc=" + size + ":rate=25:duration=1") +
             sound("sine=duration=1,aformat=channel_layouts=5.1") +
             QStringList{"-pix_fmt", "yuv420p", "-c:a", "aac"},
         {}},
    };
    return all;
}

bool make(const Clip& clip, const QString& folder)
{
    const QString path = folder + "/" + clip.name;
    if (clip.remux.isEmpty())
        return runFfmpeg(clip.ffmpeg + QStringList{path});
    const QString first = folder + "/unturned-" + clip.name;
    return runFfmpeg(clip.ffmpeg + QStringList{first}) &&
           runFfmpeg(QStringList{"-i", first} + clip.remux + QStringList{path}) &&
           QFile::remove(first);
}

Measured measure(const QString& path)
{
    Measured m;
    const auto video = streamEntries(path, "v:0",
                                     "avg_frame_rate,r_frame_rate,nb_read_frames,width,height,"
                                     "sample_aspect_ratio:stream_side_data=rotation",
                                     true);
    m.rateText = video.value("avg_frame_rate");
    m.rate = fraction(m.rateText);
    m.nominalRate = fraction(video.value("r_frame_rate"));
    m.frames = video.value("nb_read_frames").toInt();
    const Span pictureSpan = packetSpan(path, "v:0").value_or(Span{});
    m.pictureSeconds = pictureSpan.seconds;
    m.pictureStart = pictureSpan.start - ffprobeText({"-show_entries", "format=start_time", "-of",
                                                      "default=noprint_wrappers=1:nokey=1", path})
                                             .toDouble();
    double sar = fraction(video.value("sample_aspect_ratio"));
    if (sar <= 0.0)
        sar = 1.0;
    const int width = video.value("width").toInt();
    const int height = video.value("height").toInt();
    const bool turned = std::abs(std::lround(video.value("rotation").toDouble())) % 180 == 90;
    m.displayWidth = int(std::lround(turned ? height : width * sar));
    m.displayHeight = int(std::lround(turned ? width * sar : height));
    m.displayAspect = m.displayHeight > 0 ? width * sar / height : 0.0;
    if (turned && m.displayAspect > 0.0)
        m.displayAspect = 1.0 / m.displayAspect;
    if (const auto soundSpan = packetSpan(path, "a:0"))
        m.soundSeconds = soundSpan->seconds;
    return m;
}

} // namespace corpus
