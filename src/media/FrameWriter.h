#pragma once

#include "media/StreamThread.h"
#include "media/VideoCodecs.h"

#include <QImage>
#include <QList>
#include <QString>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace media {

class ChildProcess;

// Encodes frames into an MP4 with a transcoder child that reads raw frames on
// a pipe, muxing in the sound of a source file, with the H.264 options of
// every MP4 we write (or the codec the request chooses) and AAC sound. A thread of its own feeds
// the pipe, so encoding overlaps the producer; at most `framesInFlight` frames wait or are being
// written.
//
// The MP4 is written under a hidden temporary name beside the result and
// moved into place by finish() only when the transcoder succeeded: a failure
// or a stop removes it, and no existing file is touched unless asked.
class FrameWriter final
{
public:
    struct Request
    {
        QString transcoder{}; // the ffmpeg program
        QString outputPath{}; // the finished MP4
        // Whether finish() may replace a file already at outputPath; when not,
        // such a file makes finish() fail and stays as it was.
        bool replaceExisting = false;
        // Frame size and rate. An odd width or height loses its last column or
        // row (H.264 with 4:2:0 colour needs even sizes).
        int width = 0;
        int height = 0;
        long long rateNumerator = 25;
        long long rateDenominator = 1;
        // The look adds film grain (the encoder is tuned for it).
        bool grain = false;
        // The source video: every sound stream of it from `soundStartSeconds`
        // for `soundLengthSeconds` (all of it when negative), each keeping its
        // channels (`soundChannels`, one count a stream, sets their bit rates),
        // and its tags (creation date, location). No sound when empty.
        QString soundSource{};
        double soundStartSeconds = 0.0;
        double soundLengthSeconds = -1.0;
        QList<int> soundChannels{};
        // How long the result's sound must last; negative when not known.
        double expectedSoundSeconds = -1.0;
        int framesInFlight = 3;
        // Output options applied to every sound stream (the old sound's filter).
        QStringList soundOptions{};
        // The video codec, its quality and speed; the default is every MP4's H.264.
        VideoEncoding encoding{};
    };

    explicit FrameWriter(Request request);
    ~FrameWriter(); // stops unless finished
    FrameWriter(const FrameWriter&) = delete;
    FrameWriter& operator=(const FrameWriter&) = delete;

    // Creates the temporary file and starts the transcoder and the feeding
    // thread. False, with error(), when that fails.
    bool start();

    // Queues one frame, waiting while `framesInFlight` frames wait or are being written.
    // Frames in QImage::Format_ARGB32_Premultiplied or Format_RGB32 (what the
    // chain renders) of the requested size are taken as they are; others are
    // scaled or converted first. Each is turned into 4:2:0 YUV of the encoding
    // matrix here, on the filter library's threads, so the transcoder only
    // encodes. False once the transcoder failed or the writer was stopped.
    bool write(QImage frame);

    // Ends the input, waits for the transcoder, checks that the MP4 is whole
    // (it opens; its picture lasts the frames written and its sound what was
    // asked, within a frame) and moves it into place. True when the result is
    // at outputPath; else error() says why and the unfinished file is gone.
    bool finish();

    // Kills the transcoder at once, reaps it and removes the unfinished file.
    // Safe from any thread, more than once.
    void stop();

    // Empty while all is well; else one line saying what went wrong.
    QString error() const;
    long long framesWritten() const;

private:
    // The size encoded: 4:2:0 colour needs even sizes.
    int evenWidth() const { return request_.width & ~1; }
    int evenHeight() const { return request_.height & ~1; }
    void run();
    void fail(const QString& text);
    void removeTemporary();

    const Request request_;
    QString temporaryPath_;
    std::unique_ptr<ChildProcess> child_;
    StreamThread thread_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    // YUV frames; an empty entry ends the input.
    std::deque<std::optional<std::vector<std::uint8_t>>> queue_;
    std::vector<std::vector<std::uint8_t>> spare_; // written frames' memory, for reuse
    bool stopping_ = false;
    bool failed_ = false;
    bool finished_ = false;
    QString error_;
    long long written_ = 0;
};

} // namespace media
