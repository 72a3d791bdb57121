#include "render/ProgressOutput.h"

#include "render/Counted.h"
#include "render/ProgressJson.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <sys/ioctl.h>

namespace render {

namespace {

constexpr int kNameMinimum = 8;
constexpr int kBarMinimum = 10;
constexpr int kBarPreferred = 16;
constexpr int kBarMaximum = 40;
constexpr auto kBarInterval = std::chrono::milliseconds(200);
constexpr auto kJsonInterval = std::chrono::milliseconds(250);

QByteArray local(const QString& text)
{
    return text.toLocal8Bit();
}

// A long name keeps its start and its end (the extension), "holi…ay.mov".
QString elided(const QString& name, int width)
{
    if (name.size() <= width)
        return name;
    if (width <= 1)
        return QStringLiteral("…").left(width);
    const int head = (width - 1) / 2;
    return name.left(head) + QStringLiteral("…") + name.right(width - 1 - head);
}

// The pieces of a bar line, and how many of them a width takes.
struct BarPieces
{
    QString prefix; // "[1/2]"
    QString name;
    double fraction = 0.0;
    QString counts; // "3/12"
    QString noun;   // "frames"
    QString fps;    // "4.5 fps"
    QString left;   // "0:05 left"
};

struct BarLayout
{
    bool name, bar, fps;
};

QString composed(const BarPieces& p, const BarLayout& layout, const QString& name, int barWidth)
{
    QStringList parts{p.prefix};
    if (layout.name)
        parts << name;
    if (layout.bar) {
        const int filled = std::clamp(int(p.fraction * barWidth), 0, barWidth);
        parts << QLatin1Char('[') + QString(filled, QLatin1Char('#')) +
                     QString(barWidth - filled, QLatin1Char('-')) + QLatin1Char(']');
    }
    QString stats = p.counts;
    if (layout.fps)
        stats += QLatin1Char(' ') + p.noun + QStringLiteral("  ") + p.fps;
    parts << stats + QStringLiteral("  ") + p.left;
    return parts.join(QLatin1Char(' '));
}

// The richest layout that fits in `width` characters: the frames per second
// go first, then the bar, then the name; a long name is shortened before any
// of them goes.
QString fittedBar(const BarPieces& p, int width)
{
    static const BarLayout layouts[] = {
        {true, true, true}, {true, true, false}, {true, false, false}, {false, false, false}};
    const int nameMinimum = std::min(int(p.name.size()), kNameMinimum);
    for (const BarLayout& layout : layouts) {
        const int spare = width - int(composed(p, layout, QString(), 0).size());
        int barWidth = 0;
        if (layout.bar) {
            if (spare < nameMinimum + kBarMinimum)
                continue;
            // A long name leaves the bar a readable length.
            barWidth = std::clamp(spare - int(p.name.size()),
                                  std::min(kBarPreferred, spare - nameMinimum), kBarMaximum);
        } else if (spare < (layout.name ? nameMinimum : 0)) {
            continue;
        }
        return composed(p, layout, elided(p.name, spare - barWidth), barWidth);
    }
    return composed(p, layouts[3], QString(), 0).left(std::max(width, 0));
}

} // namespace

int terminalColumns(int fd)
{
    winsize size{};
    if (::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    bool isNumber = false;
    const int columns = qEnvironmentVariableIntValue("COLUMNS", &isNumber);
    return isNumber && columns > 0 ? columns : 80;
}

ProgressOutput::ProgressOutput(Setup setup) : setup_(std::move(setup))
{
    runStarted_ = setup_.clock();
}

QString ProgressOutput::durationText(double seconds)
{
    const long long whole = std::max(0LL, (long long)std::ceil(seconds));
    if (whole >= 3600)
        return QString::asprintf("%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
    return QString::asprintf("%lld:%02lld", whole / 60, whole % 60);
}

double ProgressOutput::secondsSince(std::chrono::steady_clock::time_point start) const
{
    return std::chrono::duration<double>(setup_.clock() - start).count();
}

void ProgressOutput::printStatus(const QString& line)
{
    clearBar();
    std::fprintf(setup_.err, "%s\n", local(line).constData());
    std::fflush(setup_.err);
}

void ProgressOutput::printResult(const QString& result)
{
    std::fprintf(setup_.out, "%s\n", local(result).constData());
    std::fflush(setup_.out);
}

void ProgressOutput::printJson(const Followed& video, const QString& state, const QString& error)
{
    ProgressEvent event;
    event.file = video.video;
    event.state = state;
    event.frame = video.frame;
    event.frames = video.frames;
    event.fps = video.rate.framesPerSecond();
    if (state == QLatin1String("running"))
        event.eta = video.rate.secondsLeft(video.frames - video.frame);
    if (state == QLatin1String("done")) {
        const double seconds = secondsSince(video.started);
        event.fps = seconds > 0.0 ? double(video.frame) / seconds : 0.0;
        event.eta = 0.0;
    }
    if (state != QLatin1String("failed") && state != QLatin1String("running"))
        event.result = video.result;
    event.error = error;
    std::fputs(progressJsonLine(event).constData(), setup_.err);
    std::fflush(setup_.err);
}

ProgressOutput::Followed ProgressOutput::newVideo(int index, const QString& video,
                                                  const QString& result) const
{
    Followed entry;
    entry.index = index;
    entry.video = video;
    entry.result = result;
    entry.started = entry.lastShown = setup_.clock();
    return entry;
}

void ProgressOutput::videoStarted(int index, const QString& video, const QString& result)
{
    std::lock_guard lock(mutex_);
    lastStarted_ = index;
    const Followed& entry = running_[index] = newVideo(index, video, result);
    if (setup_.quiet)
        return;
    if (setup_.style == ProgressStyle::Json)
        printJson(entry, QStringLiteral("started"));
    else if (setup_.style == ProgressStyle::Plain)
        printStatus(QStringLiteral("[%1/%2] %3 -> %4")
                        .arg(index)
                        .arg(setup_.videoCount)
                        .arg(video, result));
}

void ProgressOutput::frameDone(const JobProgress& progress, int index)
{
    std::lock_guard lock(mutex_);
    const auto found = running_.find(known(index));
    if (found == running_.end())
        return;
    Followed& video = found->second;
    video.frame = progress.frame;
    video.frames = progress.expectedFrames;
    const auto now = setup_.clock();
    video.rate.update(now, video.frame);
    if (setup_.quiet)
        return;
    const bool last = video.frame >= video.frames;
    switch (setup_.style) {
    case ProgressStyle::Bar:
        // One line, for the first of the videos under way; a few redraws a
        // second are enough to read, more would cost time.
        if (found != running_.begin() ||
            (barShown_ && now - video.lastShown < kBarInterval && !last))
            return;
        video.lastShown = now;
        drawBar(video);
        break;
    case ProgressStyle::Json:
        if (now - video.lastShown < kJsonInterval)
            return;
        video.lastShown = now;
        printJson(video, QStringLiteral("running"));
        break;
    default:
        printPlainTenth(video);
        break;
    }
}

void ProgressOutput::printPlainTenth(Followed& video)
{
    const int tenth = video.frames > 0 ? int(video.frame * 10 / video.frames) : 0;
    if (tenth <= video.tenthShown || tenth >= 10)
        return;
    video.tenthShown = tenth;
    QString line = QStringLiteral("[%1/%2] %3: %4% (%5 of %6")
                       .arg(video.index)
                       .arg(setup_.videoCount)
                       .arg(video.video)
                       .arg(tenth * 10)
                       .arg(video.frame)
                       .arg(counted(video.frames, QStringLiteral("frame")));
    // No rate yet in the first quarter second.
    if (const double fps = video.rate.framesPerSecond(); fps > 0.0)
        line += QStringLiteral(", %1 fps").arg(fps, 0, 'f', 1);
    if (const std::optional<double> left = video.rate.secondsLeft(video.frames - video.frame))
        line += QStringLiteral(", %1 left").arg(durationText(*left));
    printStatus(line + QLatin1Char(')'));
}

void ProgressOutput::drawBar(const Followed& video)
{
    const double fps = video.rate.framesPerSecond();
    const std::optional<double> left = video.rate.secondsLeft(video.frames - video.frame);
    BarPieces pieces;
    pieces.prefix = QStringLiteral("[%1/%2]").arg(video.index).arg(setup_.videoCount);
    pieces.name = QFileInfo(video.video).fileName();
    pieces.fraction = video.frames > 0 ? double(video.frame) / double(video.frames) : 0.0;
    pieces.counts = QStringLiteral("%1/%2").arg(video.frame).arg(video.frames);
    pieces.noun = video.frames == 1 ? QStringLiteral("frame") : QStringLiteral("frames");
    pieces.fps =
        fps > 0.0 ? QStringLiteral("%1 fps").arg(fps, 0, 'f', 1) : QStringLiteral("-- fps");
    pieces.left = (left ? durationText(*left) : QStringLiteral("--:--")) + QStringLiteral(" left");
    // One column spare: a line that fills the last one makes some terminals
    // wrap, and the next redraw would start a line below.
    const QString line = fittedBar(pieces, setup_.columns() - 1);
    std::fprintf(setup_.err, "\r\033[K%s", local(line).constData());
    std::fflush(setup_.err);
    barShown_ = true;
}

void ProgressOutput::clearBar()
{
    if (barShown_) {
        std::fputs("\r\033[K", setup_.err);
        barShown_ = false;
    }
}

void ProgressOutput::videoDone(long long frames, int index)
{
    std::lock_guard lock(mutex_);
    ++rendered_;
    const auto found = running_.find(known(index));
    if (found == running_.end())
        return;
    Followed video = found->second;
    running_.erase(found);
    video.frame = video.frames = frames;
    if (setup_.quiet)
        return;
    if (setup_.style == ProgressStyle::Json) {
        printJson(video, QStringLiteral("done"));
    } else {
        const double seconds = secondsSince(video.started);
        printStatus(QStringLiteral("[%1/%2] done %3: %4 in %5 s (%6 fps)")
                        .arg(video.index)
                        .arg(setup_.videoCount)
                        .arg(video.result, counted(frames, QStringLiteral("frame")))
                        .arg(seconds, 0, 'f', 1)
                        .arg(seconds > 0.0 ? double(frames) / seconds : 0.0, 0, 'f', 1));
    }
    printResult(video.result);
}

void ProgressOutput::videoFailed(const QString& video, const QString& reason, int index)
{
    std::lock_guard lock(mutex_);
    ++failed_;
    // A video that failed before it started has no frames of its own.
    Followed entry;
    entry.video = video;
    const auto found = running_.find(known(index));
    if (found != running_.end() && found->second.video == video) {
        entry = found->second;
        running_.erase(found);
    }
    if (setup_.style == ProgressStyle::Json)
        printJson(entry, QStringLiteral("failed"), reason);
    else
        printStatus(QStringLiteral("oldreel-render: %1: %2").arg(video, reason));
}

void ProgressOutput::videoNote(const QString& video, const QString& note)
{
    std::lock_guard lock(mutex_);
    if (!setup_.quiet && setup_.style != ProgressStyle::Json)
        printStatus(QStringLiteral("oldreel-render: %1: %2").arg(video, note));
}

void ProgressOutput::videoSkipped(int index, const QString& video, const QString& result)
{
    std::lock_guard lock(mutex_);
    ++skipped_;
    running_.erase(index); // in case it was told as started
    const Followed entry = newVideo(index, video, result);
    if (setup_.quiet)
        return;
    if (setup_.style == ProgressStyle::Json)
        printJson(entry, QStringLiteral("skipped"));
    else
        printStatus(QStringLiteral("[%1/%2] skipped %3: its result %4 is there")
                        .arg(index)
                        .arg(setup_.videoCount)
                        .arg(video, result));
    printResult(result);
}

void ProgressOutput::interrupted()
{
    std::lock_guard lock(mutex_);
    if (barShown_) {
        std::fputs("\n", setup_.err);
        barShown_ = false;
    }
    std::fflush(setup_.err);
}

void ProgressOutput::finished()
{
    std::lock_guard lock(mutex_);
    if (setup_.quiet || setup_.style == ProgressStyle::Json || setup_.videoCount < 2)
        return;
    QString line = QStringLiteral("%1 of %2 rendered in %3")
                       .arg(rendered_)
                       .arg(counted(setup_.videoCount, QStringLiteral("video")),
                            durationText(secondsSince(runStarted_)));
    if (skipped_ > 0)
        line += QStringLiteral(", %1 skipped").arg(skipped_);
    if (failed_ > 0)
        line += QStringLiteral(", %1 failed").arg(failed_);
    printStatus(line);
}

} // namespace render
