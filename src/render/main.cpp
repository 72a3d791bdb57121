// oldreel-render: the old-film look on many videos from the command line,
// frames streamed from one transcoder through the chain into another.
#include "lookfiles/LookFile.h"
#include "media/Transcoder.h"
#include "render/Batch.h"
#include "render/OutputPaths.h"
#include "render/ProgressOutput.h"
#include "render/RenderJob.h"
#include "render/RenderOptions.h"

#include <QCoreApplication>
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
class Interruption final : public render::JobWatch
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
            for (render::RenderJob* job : jobs_)
                job->stop();
            media::cancelAllRuns();
        }).detach();
    }

    bool watch(render::RenderJob* job) override
    {
        std::lock_guard lock(mutex_);
        if (signal_ != 0)
            return false;
        jobs_.insert(job);
        return true;
    }

    void forget(render::RenderJob* job) override
    {
        std::lock_guard lock(mutex_);
        jobs_.remove(job);
    }

    bool interrupted() const override { return signal() != 0; }

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
    QSet<render::RenderJob*> jobs_;
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
        if (!lookfiles::writeLookFile(options.saveLook, render::lookFromOptions(options), error)) {
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
    const effects::Look look = render::lookFromOptions(options);
    render::ProgressOutput::Setup progress;
    progress.style = options.progress;
    if (progress.style == render::ProgressStyle::Automatic)
        progress.style = ::isatty(STDERR_FILENO) == 1 ? render::ProgressStyle::Bar
                                                      : render::ProgressStyle::Plain;
    progress.quiet = options.quiet;
    progress.videoCount = int(options.videos.size());
    render::ProgressOutput output(progress);
    // Names whose bytes are not UTF-8 reach us with their bad bytes replaced:
    // no file has that name.
    QSet<QString> undecodable;
    for (int i = 1; i < argc; ++i) {
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString name = utf8(QByteArrayView(argv[i]));
        if (utf8.hasError())
            undecodable.insert(render::tidyPath(name));
    }

    const bool allDone = render::renderBatch(
        {.transcoder = transcoder, .options = options, .look = look, .undecodable = undecodable},
        output, interruption);
    if (interruption.signal() != 0) {
        output.interrupted();
        interruption.endBySignal();
    }
    output.finished();
    return allDone ? 0 : 1;
}
