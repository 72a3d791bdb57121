#pragma once

#include "render/RateEstimate.h"
#include "render/RenderJob.h"
#include "render/RenderOptions.h"

#include <QString>
#include <chrono>
#include <cstdio>
#include <functional>

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
    void frameDone(const JobProgress& progress);
    void videoDone(long long frames);
    void videoFailed(const QString& video, const QString& reason);
    // A video whose result is there already and is left as it is.
    void videoSkipped(int index, const QString& video, const QString& result);
    // Ends a bar line left open (after Ctrl+C, say).
    void interrupted();
    // After the last video of several: how many rendered, failed, were skipped.
    void finished();

    // "1:02:03" or "2:03" of a count of seconds.
    static QString durationText(double seconds);

private:
    // Makes `video` the one followed, from its first frame.
    void takeVideo(int index, const QString& video, const QString& result);
    void drawBar();
    void clearBar();
    void printPlainTenth();
    void printJson(const QString& state, const QString& error = QString());
    void printStatus(const QString& line);
    double secondsSince(std::chrono::steady_clock::time_point start) const;

    const Setup setup_;
    int index_ = 0;
    QString video_;
    QString result_;
    long long frame_ = 0;
    long long frames_ = 0;
    RateEstimate rate_;
    bool running_ = false;
    bool barShown_ = false;
    int tenthShown_ = 0;
    int rendered_ = 0, failed_ = 0, skipped_ = 0;
    std::chrono::steady_clock::time_point runStarted_{};
    std::chrono::steady_clock::time_point started_{};
    std::chrono::steady_clock::time_point lastShown_{};
};

} // namespace render
