#include "views/PreviewPlayback.h"

#include "media/FrameReader.h"
#include "pictures/VintageImage.h"
#include "projector/Cadence.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace views {

bool sameLook(const effects::Look& a, const effects::Look& b)
{
    return a == b;
}

namespace {

double steadySeconds()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

PreviewPlayback::PreviewPlayback(QObject* parent) : QObject(parent), clock_(steadySeconds)
{
    dueTimer_.setSingleShot(true);
    dueTimer_.setTimerType(Qt::PreciseTimer);
    connect(&dueTimer_, &QTimer::timeout, this, &PreviewPlayback::present);
}

PreviewPlayback::~PreviewPlayback()
{
    stop();
}

bool PreviewPlayback::start(const Source& source, long long firstFrame, SettingsSource settings)
{
    stop();
    error_.clear();
    frame_ = QImage();
    shownFrame_.reset();
    framesShown_ = 0;
    if (source.width <= 0 || source.height <= 0 || !source.rate.isKnown() || !settings) {
        error_ =
            QStringLiteral("The video's frame size or rate is unknown, so it cannot be played.");
        return false;
    }
    source_ = source;
    settings_ = std::move(settings);
    {
        std::lock_guard lock(mutex_);
        skipped_ = 0;
    }
    publishSettings();
    ++serial_;
    if (range_.isEmpty()) {
        error_ = QStringLiteral("The kept range is too short to hold a frame.");
        return false;
    }
    worker_ = std::thread([this, firstFrame] { run(firstFrame); });
    return true;
}

void PreviewPlayback::stop()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        // Killing the decoder also wakes the worker if it waits for a frame.
        if (reader_)
            reader_->stop();
    }
    changed_.notify_all();
    if (worker_.joinable())
        worker_.join();
    dueTimer_.stop();
    std::lock_guard lock(mutex_);
    stopping_ = false;
    ready_.reset();
    origin_.reset();
    discardedLast_ = false;
}

long long PreviewPlayback::framesSkipped() const
{
    std::lock_guard lock(mutex_);
    return skipped_;
}

double PreviewPlayback::dueTime(long long step) const
{
    return *origin_ + source_.rate.secondsOf(step);
}

// Takes the GUI's look and range for the frames rendered from now on. A
// changed look gets a new generation, so frames rendered with the old one can
// be told apart.
void PreviewPlayback::publishSettings()
{
    // The look holds the effect settings only, not the record's pictures.
    const Settings settings = settings_();
    std::lock_guard lock(mutex_);
    if (generation_ == 0 || !sameLook(settings.look, look_)) {
        look_ = settings.look;
        ++generation_;
    }
    range_ = settings.range;
}

void PreviewPlayback::run(long long firstFrame)
{
    long long frame = firstFrame;
    long long step = 0;
    while (playPass(frame, step)) {
    }
}

// Plays from `frame` to the range's end with one decoder; false once stopped
// or failed, true to wrap to the range's start.
bool PreviewPlayback::playPass(long long& frame, long long& step)
{
    media::FrameRange range;
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return false;
        range = range_;
    }
    if (range.isEmpty()) {
        reportFailure(QStringLiteral("The kept range is too short to hold a frame."));
        return false;
    }
    if (frame < range.first || frame > range.last)
        frame = range.first;
    const long long passStart = frame;
    const double period = double(source_.rate.denominator) / double(source_.rate.numerator);
    const double rate = source_.rate.perSecond();

    media::FrameReader::Request request;
    request.transcoder = source_.transcoder;
    request.videoPath = source_.videoPath;
    request.width = source_.width;
    request.height = source_.height;
    // Half a frame early, so rounding never lands the seek past the frame.
    request.startSeconds = std::max(0.0, (double(frame) - 0.5) * period);
    request.frameCount = range.last - frame + 1;
    request.pictureFilter = source_.pictureFilter;
    if (source_.constantRate) {
        request.constantRateNumerator = source_.rate.numerator;
        request.constantRateDenominator = source_.rate.denominator;
    }
    media::FrameReader reader(request);
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return false;
        reader_ = &reader;
    }
    struct Unregister
    {
        PreviewPlayback* self;
        ~Unregister()
        {
            std::lock_guard lock(self->mutex_);
            self->reader_ = nullptr;
        }
    } unregister{this};
    if (!reader.start()) {
        reportFailure(reader.error());
        return false;
    }

    // The look's cadence holds each step's first frame over the step; a look
    // with another cadence starts a new hold. A held frame renders the same
    // bytes at every frame of its step, so its render is shown again.
    std::optional<projector::CadenceHold> hold;
    int holdCadence = 0;
    struct
    {
        long long number = -1;
        unsigned long generation = 0;
        QImage image;
    } lastRender;

    imagefilter::Bitmap bitmap;
    while (reader.next(bitmap)) {
        effects::Look look;
        unsigned long generation = 0;
        bool late = false;
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                return false;
            // A handle moved past this frame: the range starts again now, so
            // no frame outside it is rendered.
            if (frame < range_.first || frame > range_.last)
                break;
            // The range starts again: its first frame sets the clock anew,
            // so the decoder's start is not paid for with the range's first frames.
            if (frame == passStart && step > 0)
                origin_.reset();
            // Late: the frame after it is due already. Skipped before the chain runs.
            late = origin_ && clock_() >= dueTime(step + 1);
            if (late)
                ++skipped_;
            look = look_;
            generation = generation_;
        }
        // Every frame reaches the hold, late or not, so a step shows its own first frame.
        if (!hold || look.i_Cadence() != holdCadence) {
            holdCadence = look.i_Cadence();
            hold.emplace(rate, holdCadence);
            lastRender.number = -1;
        }
        const projector::CadenceHold::Shown held = hold->show(frame, bitmap);
        while (!late) {
            if (held.number != lastRender.number || generation != lastRender.generation) {
                const projector::FramePlace place{held.number, rate, source_.grainScale};
                lastRender = {held.number, generation,
                              pictures::vintageImage(*held.picture, look, place)};
            }
            Rendered rendered{
                .image = lastRender.image, .step = step, .frame = frame, .generation = generation};
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || !ready_; });
            if (stopping_)
                return false;
            // The look changed while this frame waited: render it again with it.
            if (generation != generation_) {
                look = look_;
                generation = generation_;
                continue;
            }
            ready_ = std::move(rendered);
            QMetaObject::invokeMethod(this, &PreviewPlayback::present, Qt::QueuedConnection);
            break;
        }
        ++frame;
        ++step;
    }
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return false;
    }
    const QString error = reader.error();
    // A pass that begins past the video's last frame (the range's end may lie
    // beyond it) just wraps; one that fails after its first frame, or finds no
    // frame at the range's very start, ends the playback.
    if (!error.isEmpty() && error != QLatin1String("stopped") &&
        (frame != passStart || passStart == range.first)) {
        reportFailure(error);
        return false;
    }
    // The next pass starts at the range's first frame as it is then: a start
    // handle moved during this pass counts.
    frame = -1;
    return true;
}

// On the GUI thread: shows the rendered frame once it is due, or sets a timer
// for its time.
void PreviewPlayback::present()
{
    if (!settings_)
        return;
    publishSettings();
    std::unique_lock lock(mutex_);
    if (!ready_ || stopping_)
        return;
    // A handle moved past the waiting frame: it is dropped, and the worker,
    // which finds the same range, starts the range again.
    if (ready_->frame < range_.first || ready_->frame > range_.last) {
        ready_.reset();
        ++skipped_;
        lock.unlock();
        dueTimer_.stop();
        changed_.notify_all();
        return;
    }
    // Rendered with a look changed since: the next frame shows the change.
    // Never two in a row, so a slider dragged without pause still shows frames.
    if (ready_->generation != generation_ && !discardedLast_) {
        ready_.reset();
        ++skipped_;
        discardedLast_ = true;
        lock.unlock();
        changed_.notify_all();
        return;
    }
    const double now = clock_();
    if (!origin_)
        origin_ = now - source_.rate.secondsOf(ready_->step);
    const double due = dueTime(ready_->step);
    // A frame due within a millisecond is shown now: a timer could not wait
    // that precisely anyway.
    if (now + 0.001 < due) {
        lock.unlock();
        dueTimer_.start(std::max(1, int(std::ceil((due - now) * 1000.0))));
        return;
    }
    Rendered shown = std::move(*ready_);
    ready_.reset();
    discardedLast_ = false;
    lock.unlock();
    changed_.notify_all();
    frame_ = std::move(shown.image);
    shownFrame_ = shown.frame;
    ++framesShown_;
    emit frameShown(shown.frame);
}

void PreviewPlayback::reportFailure(const QString& error)
{
    // From the worker: the GUI thread stops the playback (joining the worker)
    // and tells its owner.
    const unsigned long serial = serial_;
    QMetaObject::invokeMethod(
        this,
        [this, error, serial] {
            if (serial != serial_)
                return;
            stop();
            error_ = error;
            emit failed(error);
        },
        Qt::QueuedConnection);
}

} // namespace views
