#include "render/RenderJob.h"

#include "effects/VintageChain.h"
#include "media/FrameReader.h"
#include "media/FrameWriter.h"
#include "media/PictureFilters.h"
#include "media/VideoFacts.h"
#include "render/KeptRange.h"

#include <QFileInfo>

namespace render {

namespace {

// The reader's and writer's texts start with the file's name; the line this
// job's failure becomes already names the video.
QString withoutName(const QString& text, const QString& name)
{
    const QString prefix = name + QStringLiteral(": ");
    return text.startsWith(prefix) ? text.mid(prefix.size()) : text;
}

// Why a file that exists has no video facts: sound alone, or nothing ffmpeg knows.
QString whyNoFacts(const std::optional<media::VideoFacts>& facts)
{
    if (facts && facts->hasSound && !facts->hasPicture)
        return QStringLiteral("has sound but no picture");
    return QStringLiteral("not a video ffmpeg can read");
}

} // namespace

RenderJob::RenderJob(Setup setup) : setup_(std::move(setup)) {}

RenderJob::~RenderJob() = default;

bool RenderJob::fail(const QString& text)
{
    error_ = text;
    return false;
}

void RenderJob::stop()
{
    stopped_ = true;
    std::lock_guard lock(mutex_);
    if (reader_)
        reader_->stop();
    if (writer_)
        writer_->stop();
}

bool RenderJob::run(const std::function<void(const JobProgress&)>& onFrame)
{
    const QFileInfo info(setup_.videoPath);
    if (!info.exists())
        return fail(QStringLiteral("no such file"));
    if (!info.isFile())
        return fail(QStringLiteral("not a file"));
    if (!info.isReadable())
        return fail(QStringLiteral("cannot be read"));
    const std::optional<media::VideoFacts> facts =
        media::probeFacts(setup_.transcoder, setup_.videoPath);
    if (stopped_)
        return fail(QStringLiteral("stopped"));
    if (!facts || !facts->hasPicture || facts->rateNumerator <= 0)
        return fail(whyNoFacts(facts));
    QString why;
    const std::optional<KeptRange> range =
        keptRange(facts->durationSeconds, facts->rateNumerator, facts->rateDenominator, setup_.from,
                  setup_.to, why);
    if (!range)
        return fail(why);

    const int width = facts->displayWidth();
    const int height = facts->displayHeight();
    media::FrameReader::Request decoding{setup_.transcoder,         setup_.videoPath, width, height,
                                         range->readerStartSeconds, range->frameCount};
    decoding.pictureFilter = media::sourcePictureFilter(*facts, width, height);
    if (facts->needsConstantRate()) {
        decoding.constantRateNumerator = facts->rateNumerator;
        decoding.constantRateDenominator = facts->rateDenominator;
    }
    media::FrameReader reader(decoding);
    // The source also gives its tags when it has no sound.
    media::FrameWriter writer({setup_.transcoder, setup_.outputPath, setup_.replaceExisting, width,
                               height, facts->rateNumerator, facts->rateDenominator,
                               setup_.look->b_Noise() != 0, setup_.videoPath,
                               range->soundStartSeconds, range->soundLengthSeconds,
                               facts->soundChannels});
    {
        std::lock_guard lock(mutex_);
        reader_ = &reader;
        writer_ = &writer;
    }
    // The pointers go before the reader and writer do, whatever way run() ends.
    struct Forget
    {
        RenderJob& job;
        ~Forget()
        {
            std::lock_guard lock(job.mutex_);
            job.reader_ = nullptr;
            job.writer_ = nullptr;
        }
    } forget{*this};
    if (stopped_)
        return fail(QStringLiteral("stopped"));
    const QString videoName = info.fileName();
    const QString resultName = QFileInfo(setup_.outputPath).fileName();
    auto writerError = [&] {
        return QStringLiteral("writing %1: %2")
            .arg(resultName, withoutName(writer.error(), resultName));
    };
    if (!writer.start())
        return fail(writerError());
    if (!reader.start()) {
        writer.stop();
        return fail(withoutName(reader.error(), videoName));
    }

    JobProgress progress{0, range->expectedFrames};
    imagefilter::Bitmap frame;
    while (reader.next(frame)) {
        // The chain runs here while the reader decodes the next frames and the
        // writer encodes the last ones.
        if (!writer.write(effects::imageVintage(frame, *setup_.look)))
            break;
        progress.frame = ++framesDone_;
        progress.expectedFrames = std::max(progress.expectedFrames, progress.frame);
        if (onFrame)
            onFrame(progress);
    }
    if (stopped_) {
        reader.stop();
        writer.stop();
        return fail(QStringLiteral("stopped"));
    }
    if (!reader.error().isEmpty()) {
        writer.stop();
        return fail(withoutName(reader.error(), videoName));
    }
    if (!writer.error().isEmpty()) {
        reader.stop();
        writer.stop();
        return fail(writerError());
    }
    if (!writer.finish())
        return fail(stopped_ ? QStringLiteral("stopped") : writerError());
    return true;
}

} // namespace render
