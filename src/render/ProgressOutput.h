#pragma once

#include "render/RenderJob.h"

#include <QString>
#include <chrono>
#include <cstdio>

namespace render {

// What oldreel-render prints while it works. On a terminal: one live bar line
// on standard error (file k of n, frame, frames per second, time left), then
// one line per finished video. Elsewhere: plain lines on standard output, one
// when a video starts and one when it is done. With `quiet`: nothing but the
// failures, which always go to standard error as "oldreel-render: VIDEO: REASON".
class ProgressOutput final
{
public:
    ProgressOutput(bool terminal, bool quiet, int videoCount, std::FILE* out = stdout,
                   std::FILE* err = stderr);

    void videoStarted(int index, const QString& video, const QString& result);
    void frameDone(const JobProgress& progress);
    void videoDone(long long frames);
    void videoFailed(const QString& video, const QString& reason);
    // Ends a bar line left open (after Ctrl+C, say).
    void interrupted();

    // "1:02:03" or "2:03" of a count of seconds.
    static QString durationText(double seconds);

private:
    void clearBar();
    double elapsedSeconds() const;

    const bool terminal_;
    const bool quiet_;
    const int count_;
    std::FILE* out_;
    std::FILE* err_;
    int index_ = 0;
    QString video_;
    QString result_;
    bool barShown_ = false;
    std::chrono::steady_clock::time_point started_{};
    std::chrono::steady_clock::time_point lastBar_{};
};

} // namespace render
