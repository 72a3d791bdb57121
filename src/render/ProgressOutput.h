#pragma once

#include "media/Clock.h"
#include "render/RenderJob.h"
#include "render/RenderOptions.h"

#include <QString>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <mutex>

namespace render {

// The width of the terminal on `fd`; else $COLUMNS; else 80.
int terminalColumns(int fd);

// What oldreel-render prints while it works. Standard output gets each
// result's path, one a line, and nothing else. Standard error gets the rest:
// on a terminal one live bar line (file k of n, frame, frames per second, time
// left) redrawn in place to the terminal's width, then one line per finished
// video; elsewhere plain lines (a video's start, each tenth of it, its end);
// or, for wrappers, one JSON object a line. With `quiet`: nothing but the
// failures, as "oldreel-render: VIDEO: REASON" (or their JSON objects).
// Videos rendered at once (--jobs) keep their own counts and are told apart by
// their number in the run, `index`; the bar follows the lowest running one.
// An index of 0 stands for the video started last, -1 for none (a video that
// failed before it started). Safe from any thread.
class ProgressOutput final
{
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    struct Setup
    {
        ProgressStyle style = ProgressStyle::Plain; // Bar, Plain or Json
        bool quiet = false;
        int videoCount = 1;
        std::FILE* out = stdout;
        std::FILE* err = stderr;
        // Asked at each redraw, so that a resized terminal gets lines that fit.
        std::function<int()> columns = [] { return terminalColumns(2); };
        Clock clock = &std::chrono::steady_clock::now;
    };

    explicit ProgressOutput(Setup setup);

    void videoStarted(int index, const QString& video, const QString& result);
    void frameDone(const JobProgress& progress, int index = 0);
    void videoDone(long long frames, int index = 0);
    // A video whose result is there already and is left as it is.
    void videoSkipped(int index, const QString& video, const QString& result);
    void videoFailed(const QString& video, const QString& reason, int index = 0);
    // Something the user should know that is no failure, told as a failure is
    // (not in JSON lines, whose states it would not fit; not with `quiet`).
    void videoNote(const QString& video, const QString& note);
    // Ends a bar line left open (after Ctrl+C, say).
    void interrupted();
    // After the last video of several: how many rendered, failed, were skipped.
    void finished();

    // "1:02:03" or "2:03" of a count of seconds.
    static QString durationText(double seconds);

private:
    // One video from its start to its end.
    struct Followed
    {
        int index = 0;
        QString video;
        QString result;
        long long frame = 0;
        long long frames = 0;
        media::RateEstimate rate;
        int tenthShown = 0;
        std::chrono::steady_clock::time_point started{};
        std::chrono::steady_clock::time_point lastShown{};
    };

    Followed newVideo(int index, const QString& video, const QString& result) const;
    int known(int index) const { return index != 0 ? index : lastStarted_; }
    void drawBar(const Followed& video);
    void clearBar();
    void printPlainTenth(Followed& video);
    void printJson(const Followed& video, const QString& state, const QString& error = QString());
    void printStatus(const QString& line);
    void printResult(const QString& result);
    double secondsSince(std::chrono::steady_clock::time_point start) const;

    const Setup setup_;
    std::mutex mutex_;
    std::map<int, Followed> running_;
    int lastStarted_ = 0;
    bool barShown_ = false;
    int rendered_ = 0, failed_ = 0, skipped_ = 0;
    std::chrono::steady_clock::time_point runStarted_{};
};

} // namespace render
