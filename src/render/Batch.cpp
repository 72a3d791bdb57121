#include "render/Batch.h"

#include "media/PartFiles.h"
#include "render/OutputPaths.h"
#include "render/ProgressOutput.h"
#include "render/RenderJob.h"

#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace render {

namespace {

class Batch final
{
public:
    Batch(const BatchSetup& setup, ProgressOutput& output, JobWatch& watch)
        : setup_(setup), options_(setup.options), output_(output), watch_(watch)
    {
        for (const QString& video : options_.videos)
            inputs_.insert(canonicalOrAbsolute(video));
    }

    // Renders videos until none is left or the run is interrupted.
    void work()
    {
        while (const std::optional<Planned> next = take()) {
            if (!render(*next))
                return;
        }
    }

    bool anyFailed() const { return failed_; }

private:
    struct Planned
    {
        int index; // from 1
        QString video;
        QString result;
    };

    void failed(const QString& video, const QString& reason, int index = -1)
    {
        output_.videoFailed(video, reason, index);
        failed_ = true;
    }

    // The next video that can be rendered, with its result's name; those that
    // cannot are told on the way.
    std::optional<Planned> take()
    {
        std::lock_guard lock(mutex_);
        while (next_ < options_.videos.size() && !watch_.interrupted()) {
            const int index = int(++next_);
            const QString& video = options_.videos[index - 1];
            if (setup_.undecodable.contains(video)) {
                failed(video, QStringLiteral("the name is not valid UTF-8 (rename the file to "
                                             "render it)"));
                continue;
            }
            // A result of this run is never taken as a later input.
            if (claimed_.contains(canonicalOrAbsolute(video))) {
                failed(video, QStringLiteral("is a result of this run"));
                continue;
            }
            QString error;
            const QString result =
                resultPath(video, options_.outputFolder,
                           options_.overwrite || options_.skipExisting, inputs_, claimed_, error);
            if (result.isEmpty()) {
                failed(video, error);
                continue;
            }
            claimed_.insert(canonicalOrAbsolute(result));
            // What a renderer that died left in this folder goes before the
            // first result is written there.
            const QString folder = QFileInfo(result).absolutePath();
            if (!cleaned_.contains(folder)) {
                cleaned_.insert(folder);
                media::removeDeadPartFiles(folder);
            }
            return Planned{index, video, result};
        }
        return std::nullopt;
    }

    // False when the run was interrupted.
    bool render(const Planned& planned)
    {
        RenderJob job({.transcoder = setup_.transcoder,
                       .videoPath = planned.video,
                       .outputPath = planned.result,
                       .replaceExisting = options_.overwrite,
                       .skipExisting = options_.skipExisting,
                       .look = setup_.look,
                       .from = options_.from,
                       .to = options_.to,
                       .encoding = options_.encoding,
                       .height = options_.height});
        if (!watch_.watch(&job))
            return false;
        // A video whose result may be kept whole is told only once it renders.
        const bool mayBeKept = options_.skipExisting && QFileInfo::exists(planned.result);
        auto started = [&] { output_.videoStarted(planned.index, planned.video, planned.result); };
        if (!mayBeKept)
            started();
        const bool ok = job.run(
            [&](const JobProgress& progress) { output_.frameDone(progress, planned.index); },
            mayBeKept ? std::function<void()>(started) : std::function<void()>());
        watch_.forget(&job);
        if (watch_.interrupted())
            return false;
        if (!ok) {
            failed(planned.video, job.error(), planned.index);
        } else if (job.skipped()) {
            output_.videoSkipped(planned.index, planned.video, planned.result);
        } else {
            if (!job.replacedProblem().isEmpty())
                output_.videoNote(planned.video,
                                  QStringLiteral("rendered again: %1 was no whole result (%2)")
                                      .arg(planned.result, job.replacedProblem()));
            output_.videoDone(job.framesDone(), planned.index);
        }
        return true;
    }

    const BatchSetup& setup_;
    const Options& options_;
    ProgressOutput& output_;
    JobWatch& watch_;
    std::mutex mutex_;
    qsizetype next_ = 0;
    QSet<QString> inputs_;
    QSet<QString> claimed_; // the results' names given so far, canonical
    QSet<QString> cleaned_; // folders rid of dead renderers' files
    std::atomic<bool> failed_{false};
};

} // namespace

bool renderBatch(const BatchSetup& setup, ProgressOutput& output, JobWatch& watch)
{
    Batch batch(setup, output, watch);
    // Every worker waits for the children it starts (they die with the thread
    // that started them). This thread is one of the workers.
    const int helpers =
        std::max(0, int(std::min<qsizetype>(setup.options.jobs, setup.options.videos.size())) - 1);
    std::vector<std::unique_ptr<QThread>> threads;
    for (int i = 0; i < helpers; ++i) {
        threads.emplace_back(QThread::create([&batch] { batch.work(); }));
        threads.back()->start();
    }
    batch.work();
    for (const auto& thread : threads)
        thread->wait();
    return !batch.anyFailed();
}

} // namespace render
