#pragma once

#include "effects/Look.h"
#include "render/RenderOptions.h"

#include <QString>
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>

namespace media {
class FrameReader;
class FrameWriter;
} // namespace media

// One video through the look: frames streamed from a decoding transcoder,
// through the chain, into an encoding one, with the source's sound.
namespace render {

struct JobProgress
{
    long long frame = 0;          // frames done
    long long expectedFrames = 0; // frames in the range (an estimate when open-ended)
};

class RenderJob final
{
public:
    struct Setup
    {
        QString transcoder{};
        QString videoPath{};
        QString outputPath{};
        bool replaceExisting = false;
        // A whole result already at outputPath is kept and the run ends at
        // once (skipped()); one that is not whole is replaced.
        bool skipExisting = false;
        effects::Look look{};
        std::optional<TimePoint> from{};
        std::optional<TimePoint> to{};
        // The result's codec and its settings; its lines (0: the video's own).
        media::VideoEncoding encoding{};
        int height = 0;
    };

    explicit RenderJob(Setup setup);
    ~RenderJob();

    // Probes the video and renders it; `onFrame` is called after each frame,
    // `onRendering` once before the first, when no whole result is kept
    // instead (skipped()). True when the result is in place; else error()
    // says why in one line and nothing is left at the output.
    bool run(const std::function<void(const JobProgress&)>& onFrame,
             const std::function<void()>& onRendering = {});

    // Stops a run at once from any thread (a signal's, say): the transcoders
    // are killed and reaped, the unfinished result removed.
    void stop();

    QString error() const { return error_; }
    long long framesDone() const { return framesDone_; }
    // After a true run(): the result was there whole, nothing was rendered.
    bool skipped() const { return skipped_; }
    // Why the file that was at the output was not a whole result, when it was
    // rendered anew (skipExisting); else empty.
    QString replacedProblem() const { return replacedProblem_; }

private:
    bool fail(const QString& text);

    const Setup setup_;
    std::mutex mutex_;
    std::atomic<bool> stopped_{false};
    media::FrameReader* reader_ = nullptr;
    media::FrameWriter* writer_ = nullptr;
    QString error_;
    long long framesDone_ = 0;
    bool skipped_ = false;
    QString replacedProblem_;
};

} // namespace render
