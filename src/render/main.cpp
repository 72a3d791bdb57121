// oldreel-render: the old-film look on many videos from the command line,
// frames streamed from one transcoder through the chain into another.
#include "lookfiles/LookFile.h"
#include "media/PartFiles.h"
#include "media/Transcoder.h"
#include "render/OutputPaths.h"
#include "render/ProgressOutput.h"
#include "render/RenderJob.h"
#include "render/RenderOptions.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace {

// Ctrl+C, SIGTERM and SIGHUP: a thread of its own takes them (they are blocked
// in every other thread) and stops the running job, which kills its
// transcoders and removes its unfinished result, and cancels the synchronous
// runs, so a probe under way (or one still to come) kills its child and returns
// at once. A signal ignored when the program starts (SIGHUP under nohup,
// SIGINT for a background job of a script) stays ignored: blocked, it would
// wait for sigwait instead of being dropped.
class Interruption final
{
public:
    Interruption()
    {
        sigemptyset(&signals_);
        for (const int which : {SIGINT, SIGTERM, SIGHUP}) {
            struct sigaction action = {};
            if (sigaction(which, nullptr, &action) == 0 && action.sa_handler != SIG_IGN)
                sigaddset(&signals_, which);
        }
        // Before any other thread starts, so they all inherit the mask.
        pthread_sigmask(SIG_BLOCK, &signals_, nullptr);
        std::thread([this] {
            int received = 0;
            while (sigwait(&signals_, &received) != 0) {
            }
            std::lock_guard lock(mutex_);
            signal_ = received;
            if (job_)
                job_->stop();
            media::cancelAllRuns();
        }).detach();
    }

    // Makes `job` the one a signal stops; false when a signal came already.
    bool watch(render::RenderJob* job)
    {
        std::lock_guard lock(mutex_);
        job_ = job;
        return signal_ == 0;
    }

    int signal() const
    {
        std::lock_guard lock(mutex_);
        return signal_;
    }

    // Ends the process by the signal itself, as the shell expects of a program
    // that was interrupted.
    [[noreturn]] void endBySignal() const
    {
        const int which = signal();
        std::fflush(nullptr);
        std::signal(which, SIG_DFL);
        sigset_t one;
        sigemptyset(&one);
        sigaddset(&one, which);
        ::raise(which);
        pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
        ::_exit(128 + which);
    }

private:
    sigset_t signals_{};
    mutable std::mutex mutex_;
    render::RenderJob* job_ = nullptr;
    int signal_ = 0;
};

int usageError(const QString& error)
{
    std::fprintf(stderr, "oldreel-render: %s\n%s", error.toLocal8Bit().constData(),
                 render::usageText().section(QLatin1Char('\n'), 0, 0).toLocal8Bit().constData());
    std::fprintf(stderr, "\nTry 'oldreel-render --help' for more.\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    Interruption interruption;
    // A transcoder that went away shows as a write error, not as a signal.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication application(argc, argv);

    const render::ParsedCommandLine parsed =
        render::parseCommandLine(application.arguments().mid(1));
    const render::Options& options = parsed.options;
    if (options.help && parsed.error.isEmpty()) {
        std::fputs(render::usageText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (options.version && parsed.error.isEmpty()) {
        std::printf("%s\n", render::versionText().toLocal8Bit().constData());
        return 0;
    }
    if (!parsed.error.isEmpty())
        return usageError(parsed.error);
    if (options.listPresets) {
        std::fputs(render::presetList().toLocal8Bit().constData(), stdout);
        return 0;
    }
    // The look is written before any video: a run that is only --save-look
    // needs no transcoder.
    if (!options.saveLook.isEmpty()) {
        QString error;
        if (!lookfiles::writeLookFile(options.saveLook, *render::lookFromOptions(options), error)) {
            std::fprintf(stderr, "oldreel-render: %s\n", error.toLocal8Bit().constData());
            return 1;
        }
        if (options.videos.isEmpty())
            return 0;
    }

    const QString transcoder = media::findTranscoder();
    if (transcoder.isEmpty()) {
        std::fputs("oldreel-render: no ffmpeg found (install ffmpeg)\n", stderr);
        return 1;
    }
    if (!options.outputFolder.isEmpty())
        if (const QString error = render::makeOutputFolder(options.outputFolder); !error.isEmpty())
            return usageError(error);
    const VideoRecord look = render::lookFromOptions(options);
    render::ProgressOutput::Setup progress;
    progress.style = options.progress;
    if (progress.style == render::ProgressStyle::Automatic)
        progress.style = ::isatty(STDERR_FILENO) == 1 ? render::ProgressStyle::Bar
                                                      : render::ProgressStyle::Plain;
    progress.quiet = options.quiet;
    progress.videoCount = int(options.videos.size());
    render::ProgressOutput output(progress);
    QSet<QString> inputs, written, cleaned;
    for (const QString& video : options.videos)
        inputs.insert(render::canonicalOrAbsolute(video));
    // Names whose bytes are not UTF-8 reach us with their bad bytes replaced:
    // no file has that name.
    QSet<QString> undecodable;
    for (int i = 1; i < argc; ++i) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString name = utf8(QByteArrayView(argv[i]));
        if (utf8.hasError())
            undecodable.insert(render::tidyPath(name));
    }

    bool anyFailed = false;
    for (qsizetype i = 0; i < options.videos.size(); ++i) {
        const QString& video = options.videos[i];
        if (undecodable.contains(video)) {
            output.videoFailed(video, QStringLiteral("the name is not valid UTF-8 (rename the file "
                                                     "to render it)"));
            anyFailed = true;
            continue;
        }
        // A result of this run is never taken as a later input.
        if (written.contains(render::canonicalOrAbsolute(video))) {
            output.videoFailed(video, QStringLiteral("is a result of this run"));
            anyFailed = true;
            continue;
        }
        QString error;
        const QString result = render::resultPath(video, options.outputFolder, options.overwrite,
                                                  inputs, written, error);
        if (result.isEmpty()) {
            output.videoFailed(video, error);
            anyFailed = true;
            continue;
        }
        // What a renderer that died left in this folder goes before the first
        // result is written there.
        const QString folder = QFileInfo(result).absolutePath();
        if (!cleaned.contains(folder)) {
            cleaned.insert(folder);
            media::removeDeadPartFiles(folder);
        }
        render::RenderJob job({transcoder, video, result, options.overwrite, look, options.from,
                               options.to, options.encoding, options.height});
        if (!interruption.watch(&job))
            break;
        output.videoStarted(int(i + 1), video, result);
        const bool ok = job.run([&](const render::JobProgress& p) { output.frameDone(p); });
        interruption.watch(nullptr);
        if (interruption.signal() != 0)
            break;
        if (ok) {
            written.insert(render::canonicalOrAbsolute(result));
            output.videoDone(job.framesDone());
        } else {
            output.videoFailed(video, job.error());
            anyFailed = true;
        }
    }
    if (interruption.signal() != 0) {
        output.interrupted();
        interruption.endBySignal();
    }
    output.finished();
    return anyFailed ? 1 : 0;
}
