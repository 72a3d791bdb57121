#include "render/RenderJob.h"

#include "media/FrameReader.h"
#include "media/FrameWriter.h"
#include "media/LargePictures.h"
#include "media/OldSound.h"
#include "media/PictureFilters.h"
#include "media/VideoFacts.h"
#include "pictures/VintageImage.h"
#include "projector/Cadence.h"
#include "render/EncodingOptions.h"
#include "render/KeptRange.h"
#include "render/WholeResult.h"

#include <QFileInfo>
#include <algorithm>

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

bool RenderJob::run(const std::function<void(const JobProgress&)>& onFrame,
                    const std::function<void()>& onRendering)
{
    const QFileInfo info(setup_.videoPath);
    if (!info.exists())
        return fail(QStringLiteral("no such file"));
    if (!info.isFile())
        return fail(QStringLiteral("not a file"));
    if (!info.isReadable())
        return fail(QStringLiteral("cannot be read"));
    // Absolute, so that no name ("concat:a.mp4", "10:30.mp4") reads as a protocol.
    const QString videoPath = info.absoluteFilePath();
    const std::optional<media::VideoFacts> facts = media::probeFacts(setup_.transcoder, videoPath);
    if (stopped_)
        return fail(QStringLiteral("stopped"));
    if (!facts || !facts->hasPicture || facts->rateNumerator <= 0)
        return fail(whyNoFacts(facts));
    // Refused before any frame is allocated: such a frame alone would take gigabytes.
    if (const QString size = facts->oversizeText(); !size.isEmpty())
        return fail(QStringLiteral("picture too large: %1 (at most 8192 on a side and 36 "
                                   "megapixels)")
                        .arg(size));
    QString why;
    const std::optional<KeptRange> range =
        keptRange(facts->durationSeconds, facts->rateNumerator, facts->rateDenominator, setup_.from,
                  setup_.to, why);
    if (!range)
        return fail(why);

    // A whole result already there is left alone; one that is not is
    // rendered anew in its place.
    bool replace = setup_.replaceExisting;
    if (setup_.skipExisting && QFileInfo::exists(setup_.outputPath)) {
        const QString problem =
            existingResultProblem(setup_.transcoder, setup_.outputPath, *facts, *range);
        if (stopped_)
            return fail(QStringLiteral("stopped"));
        if (problem.isEmpty()) {
            skipped_ = true;
            return true;
        }
        replacedProblem_ = problem;
        replace = true;
    }
    if (onRendering)
        onRendering();

    // Decoded at the result's size, so that the chain works on no more
    // pixels than are written.
    const std::optional<std::pair<int, int>> size =
        scaledSize(facts->displayWidth(), facts->displayHeight(), setup_.height, why);
    if (!size)
        return fail(why);
    const auto [width, height] = *size;
    media::FrameReader::Request decoding{.transcoder = setup_.transcoder,
                                         .videoPath = videoPath,
                                         .width = width,
                                         .height = height,
                                         .startSeconds = range->readerStartSeconds,
                                         .frameCount = range->frameCount};
    // Decoded as YUV where that loses nothing, converted on our own threads.
    if (const auto yuv = media::sourceYuvDecoding(*facts, width, height)) {
        decoding.pictureFilter = yuv->filter;
        decoding.yuvMatrix = yuv->matrix;
    } else {
        decoding.pictureFilter = media::sourcePictureFilter(*facts, width, height);
    }
    if (facts->needsConstantRate()) {
        decoding.constantRateNumerator = facts->rateNumerator;
        decoding.constantRateDenominator = facts->rateDenominator;
    }
    decoding.framesInFlight = media::framesInFlightFor(width, height);
    media::FrameReader reader(decoding);
    // The source also gives its tags when it has no sound.
    media::FrameWriter writer({.transcoder = setup_.transcoder,
                               .outputPath = setup_.outputPath,
                               .replaceExisting = replace,
                               .width = width,
                               .height = height,
                               .rateNumerator = facts->rateNumerator,
                               .rateDenominator = facts->rateDenominator,
                               .grain = setup_.look.b_Noise() != 0,
                               .soundSource = videoPath,
                               .soundStartSeconds = range->soundStartSeconds,
                               .soundLengthSeconds = range->soundLengthSeconds,
                               .soundChannels = facts->soundChannels,
                               .expectedSoundSeconds = expectedSoundSeconds(*facts, *range),
                               .framesInFlight = media::framesInFlightFor(width, height),
                               .soundOptions = media::oldSoundArguments(setup_.look),
                               .encoding = setup_.encoding});
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
    // Frames come at the source's rate from the range's first, so each one's
    // number in the source is the first's plus its index: a frame gets the
    // same random effects whether the render starts at the video's start or
    // inside it.
    const double rate = facts->framesPerSecond();
    // Scratches and grain lie as on the full picture, scaled down with it.
    const double grainScale = double(height) / double(facts->displayHeight());
    projector::CadenceHold hold(rate, setup_.look.i_Cadence());
    imagefilter::Bitmap frame;
    for (long long index = 0; reader.next(frame); ++index) {
        const projector::CadenceHold::Shown shown = hold.show(range->firstFrame + index, frame);
        // A frame too large to keep a spare of goes before its result waits
        // for the writer; at once when the hold shows its own copy.
        const bool release = decoding.framesInFlight == 1;
        if (release && shown.picture != &frame)
            frame = {};
        // The chain runs here while the reader decodes the next frames and the
        // writer encodes the last ones.
        QImage filtered =
            pictures::vintageImage(*shown.picture, setup_.look, {shown.number, rate, grainScale});
        if (release)
            frame = {};
        if (!writer.write(std::move(filtered)))
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
    // A source cut short (a broken download, a file still being copied) ends
    // its decoding early but cleanly: that is no whole result.
    if (const long long expected = expectedPictureFrames(*facts, *range);
        framesDone_ + 1 < expected) {
        writer.stop();
        return fail(QStringLiteral("damaged: %1 of %2 frames could be read")
                        .arg(framesDone_)
                        .arg(expected));
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
