#include "render/ProgressOutput.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace render {

namespace {

constexpr int kBarWidth = 24;

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

QByteArray local(const QString& text)
{
    return text.toLocal8Bit();
}

// A long name keeps its end, where names differ most.
QString shortened(const QString& name, int width)
{
    return name.size() <= width ? name : QStringLiteral("…") + name.right(width - 1);
}

} // namespace

ProgressOutput::ProgressOutput(bool terminal, bool quiet, int videoCount, std::FILE* out,
                               std::FILE* err)
    : terminal_(terminal), quiet_(quiet), count_(videoCount), out_(out), err_(err)
{
}

QString ProgressOutput::durationText(double seconds)
{
    const long long whole = std::max(0LL, (long long)std::ceil(seconds));
    if (whole >= 3600)
        return QString::asprintf("%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
    return QString::asprintf("%lld:%02lld", whole / 60, whole % 60);
}

void ProgressOutput::videoStarted(int index, const QString& video, const QString& result)
{
    std::lock_guard lock(mutex_);
    index_ = index;
    running_[index] = {video, result, std::chrono::steady_clock::now(), {}};
    if (!quiet_ && !terminal_) {
        std::fprintf(out_, "[%d/%d] %s -> %s\n", index, count_, local(video).constData(),
                     local(result).constData());
        std::fflush(out_);
    }
}

void ProgressOutput::frameDone(const JobProgress& progress, int index)
{
    if (quiet_ || !terminal_)
        return;
    std::lock_guard lock(mutex_);
    index = known(index);
    const auto found = running_.find(index);
    if (found == running_.end())
        return;
    Running& video = found->second;
    // A few redraws a second are enough to read; more would cost time.
    const auto now = std::chrono::steady_clock::now();
    if (barShown_ && now - video.lastBar < std::chrono::milliseconds(200) &&
        progress.frame < progress.expectedFrames)
        return;
    video.lastBar = now;
    const double seconds = secondsSince(video.started);
    const double fps = seconds > 0.0 ? double(progress.frame) / seconds : 0.0;
    const double fraction = progress.expectedFrames > 0
                                ? double(progress.frame) / double(progress.expectedFrames)
                                : 0.0;
    const int filled = std::clamp(int(fraction * kBarWidth), 0, kBarWidth);
    const QString bar =
        QString(filled, QLatin1Char('#')) + QString(kBarWidth - filled, QLatin1Char('-'));
    const QString left =
        fps > 0.0 ? durationText(double(progress.expectedFrames - progress.frame) / fps) +
                        QStringLiteral(" left")
                  : QStringLiteral("--:-- left");
    const QString line = QStringLiteral("[%1/%2] %3 [%4] %5/%6 frames  %7 fps  %8")
                             .arg(index)
                             .arg(count_)
                             .arg(shortened(QFileInfo(video.video).fileName(), 28), bar)
                             .arg(progress.frame)
                             .arg(progress.expectedFrames)
                             .arg(fps, 0, 'f', 1)
                             .arg(left);
    std::fprintf(err_, "\r\033[K%s", local(line).constData());
    std::fflush(err_);
    barShown_ = true;
}

void ProgressOutput::clearBar()
{
    if (barShown_) {
        std::fputs("\r\033[K", err_);
        barShown_ = false;
    }
}

void ProgressOutput::printDone(const QString& line)
{
    if (terminal_) {
        clearBar();
        std::fprintf(err_, "%s\n", local(line).constData());
        std::fflush(err_);
    } else {
        std::fprintf(out_, "%s\n", local(line).constData());
        std::fflush(out_);
    }
}

void ProgressOutput::videoDone(long long frames, int index)
{
    std::lock_guard lock(mutex_);
    index = known(index);
    const Running video = running_[index];
    running_.erase(index);
    if (quiet_)
        return;
    const double seconds = secondsSince(video.started);
    printDone(QStringLiteral("[%1/%2] done %3: %4 frames in %5 s (%6 fps)")
                  .arg(index)
                  .arg(count_)
                  .arg(video.result)
                  .arg(frames)
                  .arg(seconds, 0, 'f', 1)
                  .arg(seconds > 0.0 ? double(frames) / seconds : 0.0, 0, 'f', 1));
}

void ProgressOutput::videoSkipped(int index, const QString& video, const QString& result)
{
    std::lock_guard lock(mutex_);
    running_.erase(index);
    if (!quiet_)
        printDone(QStringLiteral("[%1/%2] skipped: %3, already done as %4")
                      .arg(index)
                      .arg(count_)
                      .arg(video, result));
}

void ProgressOutput::videoFailed(const QString& video, const QString& reason)
{
    std::lock_guard lock(mutex_);
    clearBar();
    std::fprintf(err_, "oldreel-render: %s: %s\n", local(video).constData(),
                 local(reason).constData());
    std::fflush(err_);
}

void ProgressOutput::videoNote(const QString& video, const QString& note)
{
    if (quiet_)
        return;
    videoFailed(video, note);
}

void ProgressOutput::interrupted()
{
    std::lock_guard lock(mutex_);
    if (barShown_) {
        std::fputs("\n", err_);
        barShown_ = false;
    }
    std::fflush(err_);
}

} // namespace render
