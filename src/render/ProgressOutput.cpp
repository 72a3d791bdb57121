#include "render/ProgressOutput.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace render {

namespace {

constexpr int kBarWidth = 24;

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

double ProgressOutput::elapsedSeconds() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
}

void ProgressOutput::videoStarted(int index, const QString& video, const QString& result)
{
    index_ = index;
    video_ = video;
    result_ = result;
    started_ = std::chrono::steady_clock::now();
    lastBar_ = {};
    if (!quiet_ && !terminal_) {
        std::fprintf(out_, "[%d/%d] %s -> %s\n", index_, count_, local(video).constData(),
                     local(result).constData());
        std::fflush(out_);
    }
}

void ProgressOutput::frameDone(const JobProgress& progress)
{
    if (quiet_ || !terminal_)
        return;
    // A few redraws a second are enough to read; more would cost time.
    const auto now = std::chrono::steady_clock::now();
    if (barShown_ && now - lastBar_ < std::chrono::milliseconds(200) &&
        progress.frame < progress.expectedFrames)
        return;
    lastBar_ = now;
    const double seconds = elapsedSeconds();
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
                             .arg(index_)
                             .arg(count_)
                             .arg(shortened(QFileInfo(video_).fileName(), 28), bar)
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

void ProgressOutput::videoDone(long long frames)
{
    if (quiet_)
        return;
    const double seconds = elapsedSeconds();
    const QString line = QStringLiteral("[%1/%2] done %3: %4 frames in %5 s (%6 fps)")
                             .arg(index_)
                             .arg(count_)
                             .arg(result_)
                             .arg(frames)
                             .arg(seconds, 0, 'f', 1)
                             .arg(seconds > 0.0 ? double(frames) / seconds : 0.0, 0, 'f', 1);
    if (terminal_) {
        clearBar();
        std::fprintf(err_, "%s\n", local(line).constData());
        std::fflush(err_);
    } else {
        std::fprintf(out_, "%s\n", local(line).constData());
        std::fflush(out_);
    }
}

void ProgressOutput::videoFailed(const QString& video, const QString& reason)
{
    clearBar();
    std::fprintf(err_, "oldreel-render: %s: %s\n", local(video).constData(),
                 local(reason).constData());
    std::fflush(err_);
}

void ProgressOutput::interrupted()
{
    if (barShown_) {
        std::fputs("\n", err_);
        barShown_ = false;
    }
    std::fflush(err_);
}

} // namespace render
