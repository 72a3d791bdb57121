#pragma once

#include "imagefilter/Bitmap.h"
#include "media/StreamThread.h"
#include "media/YuvFrames.h"

#include <QImage>
#include <QString>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace media {

class ChildProcess;

// Decodes a video to frames with a transcoder child that writes raw RGBA on a
// pipe; a thread of its own reads the pipe, so decoding runs ahead of the
// consumer by at most `framesInFlight` frames, whatever the video's length.
//
// Frames come as imagefilter::Bitmap (RGBA8888, opaque, so premultiplied as
// the filter library wants) or as QImage (Format_RGBA8888_Premultiplied).
// next() may be called from any one thread (a worker, say, that hands the
// frames to the GUI thread as QImage); stop() from any thread at any moment.
//
//     media::FrameReader reader({ffmpeg, path, facts.displayWidth(), facts.displayHeight()});
//     if (!reader.start()) fail(reader.error());
//     imagefilter::Bitmap frame;
//     while (reader.next(frame)) show(frame);
//     if (!reader.error().isEmpty()) fail(reader.error());
class FrameReader final
{
public:
    struct Request
    {
        QString transcoder{}; // the ffmpeg program
        QString videoPath{};
        // The size of the frames delivered: the source's display size (square
        // pixels, rotation applied) or a smaller one. The picture is scaled to it.
        int width = 0;
        int height = 0;
        // The first frame delivered is the first one shown at or after this time.
        double startSeconds = 0.0;
        // How many frames to deliver; -1 for every frame to the video's end.
        long long frameCount = -1;
        // Decoded frames kept ready ahead of the consumer.
        int framesInFlight = 3;
        // The filters that make the decoded picture right at this size
        // (media::sourcePictureFilter); a plain scale when empty.
        QString pictureFilter{};
        // When positive, frames come at this constant rate, repeated or dropped
        // by their times (a variable-rate picture, or one that starts after its
        // sound); else every decoded frame once.
        long long constantRateNumerator = 0;
        long long constantRateDenominator = 1;
        // When set, the transcoder hands the picture over as 8-bit 4:2:0 YUV
        // in this matrix (pictureFilter ends in it: media::sourceYuvDecoding),
        // and the reading thread turns it into RGBA on the filter library's
        // worker pool: the child then only decodes, and the pipe carries
        // 1.5 bytes a pixel instead of 4.
        std::optional<YuvMatrix> yuvMatrix{};
    };

    explicit FrameReader(Request request);
    ~FrameReader(); // stops
    FrameReader(const FrameReader&) = delete;
    FrameReader& operator=(const FrameReader&) = delete;

    // Starts the transcoder and the reading thread. False, with error(), when
    // the request is invalid or the transcoder cannot start.
    bool start();

    // Waits for the next frame and moves it into `frame` (whose storage is
    // reused for later frames). False at the end of the frames, on a failure
    // (error() says why) and once stopped.
    bool next(imagefilter::Bitmap& frame);
    bool next(QImage& frame);

    // Kills the transcoder at once, reaps it and ends the thread; next() then
    // returns false. Safe from any thread, more than once, and before start().
    void stop();

    // Empty while all is well and at a clean end; else one line saying what
    // went wrong ("stopped" after stop()).
    QString error() const;
    // Frames handed out by next() so far.
    long long framesDelivered() const;

    // The bitmap's pixels as a QImage without a copy.
    static QImage toImage(imagefilter::Bitmap&& bitmap);

private:
    void run();
    bool readFrame(imagefilter::Bitmap& frame, bool& cleanEnd);
    bool readWhole(std::uint8_t* data, std::size_t size, bool& cleanEnd);
    void fail(const QString& text);

    const Request request_;
    std::unique_ptr<ChildProcess> child_;
    StreamThread thread_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<imagefilter::Bitmap> ready_;
    std::vector<std::vector<std::uint8_t>> spare_; // storage handed back by next()
    std::vector<std::uint8_t> yuv_;                // the reading thread's YUV frame
    bool finished_ = false;                        // the thread delivered its last frame
    bool stopping_ = false;
    QString error_;
    long long delivered_ = 0;
};

} // namespace media
