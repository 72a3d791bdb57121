#pragma once

#include "render/RenderJob.h"

#include <QString>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>

namespace render {

// What oldreel-render prints while it works. On a terminal: one live bar line
// on standard error (file k of n, frame, frames per second, time left), then
// one line per finished video. Elsewhere: plain lines on standard output, one
// when a video starts and one when it is done. With `quiet`: nothing but the
// failures, which always go to standard error as "oldreel-render: VIDEO: REASON".
// Videos rendered at once (--jobs) are told apart by their number in the run,
// `index`; 0 stands for the one started last. Safe from any thread.
class ProgressOutput final
{
public:
    ProgressOutput(bool terminal, bool quiet, int videoCount, std::FILE* out = stdout,
                   std::FILE* err = stderr);

    void videoStarted(int index, const QString& video, const QString& result);
    void frameDone(const JobProgress& progress, int index = 0);
    void videoDone(long long frames, int index = 0);
    // A whole result was there already (--skip-existing).
    void videoSkipped(int index, const QString& video, const QString& result);
    void videoFailed(const QString& video, const QString& reason);
    // Something the user should know that is no failure, as a failure is told.
    void videoNote(const QString& video, const QString& note);
    // Ends a bar line left open (after Ctrl+C, say).
    void interrupted();

    // "1:02:03" or "2:03" of a count of seconds.
    static QString durationText(double seconds);

private:
    struct Running
    {
        QString video;
        QString result;
        std::chrono::steady_clock::time_point started{};
        std::chrono::steady_clock::time_point lastBar{};
    };

    void clearBar();
    void printDone(const QString& line);
    int known(int index) const { return index > 0 ? index : index_; }

    const bool terminal_;
    const bool quiet_;
    const int count_;
    std::FILE* out_;
    std::FILE* err_;
    std::mutex mutex_;
    int index_ = 0; // the video started last
    std::map<int, Running> running_;
    bool barShown_ = false;
};

} // namespace render
