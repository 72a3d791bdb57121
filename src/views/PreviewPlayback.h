#pragma once

#include "effects/Look.h"
#include "media/Clock.h"

#include <QImage>
#include <QObject>
#include <QString>
#include <QTimer>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace media {
class FrameReader;
}

namespace views {

// True when the two records render the same look (the effect settings only:
// path, duration and images are not compared).
bool sameLook(const effects::Look& a, const effects::Look& b);

// Plays a video in the preview: an ffmpeg child decodes the frames at the size
// they are shown, a worker thread runs each through the effect chain with the
// look as it is at that frame, and the GUI thread shows each at its time.
// With a cadence the motion steps at the crank's rate (each step's first
// frame held over the step) while frames keep the source's rate.
// Frames that are late when decoded are skipped before the chain runs; a
// rendered frame is shown when due: the clock never waits for the machine.
// Play runs from a frame to the range's end, then the range again, until stop().
class PreviewPlayback final : public QObject
{
    Q_OBJECT
public:
    struct Source
    {
        QString transcoder;
        QString videoPath;
        // The size frames are decoded and rendered at, and that size over the
        // full frame's (the export's), which the grain and scratches follow.
        int width = 0;
        int height = 0;
        double grainScale = 1.0;
        media::Rate rate;
        // The decoder's filters for this size (media::sourcePictureFilter),
        // and whether frames are timed anew at the rate above.
        QString pictureFilter;
        bool constantRate = false;
    };
    // What the GUI thread's state says at the moment it is asked: the look and
    // the kept range. Asked before every frame shown.
    struct Settings
    {
        effects::Look look;
        media::FrameRange range;
    };
    using SettingsSource = std::function<Settings()>;
    // Seconds on a steady clock; tests drive time themselves.
    using Clock = std::function<double()>;

    explicit PreviewPlayback(QObject* parent = nullptr);
    ~PreviewPlayback() override; // stops

    void setClock(Clock clock) { clock_ = std::move(clock); }

    // Starts playing at `firstFrame` (inside the range of `settings`). False,
    // with error(), when the source cannot be played or the range is empty.
    bool start(const Source& source, long long firstFrame, SettingsSource settings);
    // Stops the worker and the decoder (its child is killed and reaped before
    // this returns). The last frame shown stays readable.
    void stop();
    bool isPlaying() const { return worker_.joinable(); }

    // The frame on screen (the chain's output) and its index; none before the first.
    const QImage& frame() const { return frame_; }
    std::optional<long long> shownFrame() const { return shownFrame_; }
    long long framesShown() const { return framesShown_; }
    // Frames decoded but not shown: late ones, and those rendered with a look
    // changed before they were due.
    long long framesSkipped() const;
    const QString& error() const { return error_; }

signals:
    // A new frame is on screen (frame() and shownFrame() give it).
    void frameShown(long long frame);
    // Playback stopped on its own; error() says why.
    void failed(const QString& error);

private:
    struct Rendered
    {
        QImage image;
        long long step = 0;  // frames played before it since start()
        long long frame = 0; // its index in the video
        unsigned long generation = 0;
    };

    void run(long long firstFrame);
    bool playPass(long long& frame, long long& step);
    double dueTime(long long step) const;
    void present();
    void publishSettings();
    void reportFailure(const QString& error);

    Source source_;
    SettingsSource settings_;
    Clock clock_;
    QTimer dueTimer_;
    QImage frame_;
    std::optional<long long> shownFrame_;
    long long framesShown_ = 0;
    QString error_;

    // Shared with the worker.
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool stopping_ = false;
    media::FrameReader* reader_ = nullptr;
    effects::Look look_;
    media::FrameRange range_;
    unsigned long generation_ = 0;
    std::optional<Rendered> ready_;
    std::optional<double> origin_; // the clock's time of step 0, set by the first frame shown
    long long skipped_ = 0;
    bool discardedLast_ = false;
    std::thread worker_;
    unsigned long serial_ = 0; // counts the starts, so a late failure notice stops nothing newer
};

} // namespace views
