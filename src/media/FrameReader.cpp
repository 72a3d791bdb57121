#include "media/FrameReader.h"

#include "media/ChildProcess.h"
#include "media/LargePictures.h"
#include "media/Transcoder.h"
#include "media/VideoFacts.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace media {

FrameReader::FrameReader(Request request) : request_(std::move(request)) {}

FrameReader::~FrameReader()
{
    stop();
}

bool FrameReader::start()
{
    const QString name = QFileInfo(request_.videoPath).fileName();
    if (request_.width <= 0 || request_.height <= 0 || request_.framesInFlight < 1 ||
        request_.startSeconds < 0.0 || request_.frameCount == 0) {
        fail(QStringLiteral("%1: invalid frame size or range").arg(name));
        return false;
    }
    if (child_) {
        fail(QStringLiteral("%1: the reader was already started").arg(name));
        return false;
    }
    QStringList arguments{QStringLiteral("-nostdin"), QStringLiteral("-hide_banner"),
                          QStringLiteral("-loglevel"), QStringLiteral("error")};
    // Before the input, -ss seeks to the nearest key frame and then decodes
    // and drops the frames before the time, so the first frame is exact.
    double start = request_.startSeconds;
    const bool constantRate =
        request_.constantRateNumerator > 0 && request_.constantRateDenominator > 0;
    if (constantRate && start > 0.0) {
        // Timed anew, the first frame must land on the rate's grid: a frame
        // half a slot after the seek would be shown twice to fill the slot.
        const double rate =
            double(request_.constantRateNumerator) / double(request_.constantRateDenominator);
        start = std::max(0.0, std::ceil(start * rate - 1e-6) / rate - 0.001);
    }
    const bool large = isLargePicture(request_.width, request_.height);
    if (large)
        arguments << largePictureDecoderArguments();
    if (start > 0.0)
        arguments << QStringLiteral("-ss") << secondsText(start);
    arguments << fileProtocolsOnly() << QStringLiteral("-i") << request_.videoPath
              << QStringLiteral("-map") << QStringLiteral("0:v:0") << QStringLiteral("-an")
              << QStringLiteral("-sn") << QStringLiteral("-dn");
    if (constantRate)
        arguments << QStringLiteral("-fps_mode") << QStringLiteral("cfr") << QStringLiteral("-r")
                  << QStringLiteral("%1/%2")
                         .arg(request_.constantRateNumerator)
                         .arg(request_.constantRateDenominator);
    else
        // Every decoded frame once: no frame repeated or dropped to fit a rate.
        arguments << QStringLiteral("-fps_mode") << QStringLiteral("passthrough");
    if (request_.frameCount >= 0)
        arguments << QStringLiteral("-frames:v") << QString::number(request_.frameCount);
    arguments << QStringLiteral("-vf")
              << (request_.pictureFilter.isEmpty()
                      ? QStringLiteral("scale=%1:%2:flags=bicubic,setsar=1")
                            .arg(request_.width)
                            .arg(request_.height)
                      : request_.pictureFilter)
              << QStringLiteral("-pix_fmt")
              << (request_.yuvMatrix ? QStringLiteral("yuv420p")
                  : large            ? QStringLiteral("rgb24")
                                     : QStringLiteral("rgba"))
              << QStringLiteral("-f") << QStringLiteral("rawvideo") << QStringLiteral("pipe:1");

    auto child = std::make_unique<ChildProcess>();
    if (!child->start(request_.transcoder, arguments, false, true,
                      large ? largePictureEnvironment() : QStringList())) {
        fail(QStringLiteral("%1: %2").arg(name, child->error()));
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        child_ = std::move(child);
        if (stopping_) {
            child_->kill();
            return false;
        }
    }
    thread_.start([this] { run(); });
    return true;
}

bool FrameReader::next(imagefilter::Bitmap& frame)
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return stopping_ || !ready_.empty() || finished_; });
    if (stopping_ || ready_.empty())
        return false;
    if (frame.pixels.capacity() > 0 &&
        spare_.size() < std::size_t(std::min(2, request_.framesInFlight - 1)))
        spare_.push_back(std::move(frame.pixels));
    frame = std::move(ready_.front());
    ready_.pop_front();
    ++delivered_;
    changed_.notify_all();
    return true;
}

bool FrameReader::next(QImage& frame)
{
    imagefilter::Bitmap bitmap;
    if (!next(bitmap))
        return false;
    frame = toImage(std::move(bitmap));
    return true;
}

void FrameReader::stop()
{
    {
        std::lock_guard lock(mutex_);
        if (!stopping_ && !finished_ && error_.isEmpty())
            error_ = QStringLiteral("stopped");
        stopping_ = true;
        // Killing the child ends the thread's read at once.
        if (child_)
            child_->kill();
    }
    changed_.notify_all();
    thread_.join();
}

QString FrameReader::error() const
{
    std::lock_guard lock(mutex_);
    return error_;
}

long long FrameReader::framesDelivered() const
{
    std::lock_guard lock(mutex_);
    return delivered_;
}

QImage FrameReader::toImage(imagefilter::Bitmap&& bitmap)
{
    if (bitmap.isNull())
        return QImage();
    auto* storage = new std::vector<std::uint8_t>(std::move(bitmap.pixels));
    return QImage(
        storage->data(), bitmap.width, bitmap.height, bitmap.width * 4,
        QImage::Format_RGBA8888_Premultiplied,
        [](void* info) { delete static_cast<std::vector<std::uint8_t>*>(info); }, storage);
}

void FrameReader::fail(const QString& text)
{
    std::lock_guard lock(mutex_);
    if (error_.isEmpty())
        error_ = text;
}

// Reads `size` bytes from the pipe. At its end, `cleanEnd` tells whether
// nothing of them had come.
bool FrameReader::readWhole(std::uint8_t* data, std::size_t size, bool& cleanEnd)
{
    std::size_t filled = 0;
    while (filled < size) {
        const long n = child_->readSome(data + filled, size - filled);
        if (n <= 0) {
            cleanEnd = n == 0 && filled == 0;
            return false;
        }
        filled += std::size_t(n);
    }
    return true;
}

// Fills `frame` with one whole frame from the pipe. At the pipe's end,
// `cleanEnd` tells whether it fell between frames.
bool FrameReader::readFrame(imagefilter::Bitmap& frame, bool& cleanEnd)
{
    const std::size_t size = std::size_t(request_.width) * std::size_t(request_.height) * 4;
    frame.width = request_.width;
    frame.height = request_.height;
    {
        std::lock_guard lock(mutex_);
        if (!spare_.empty()) {
            frame.pixels = std::move(spare_.back());
            spare_.pop_back();
        }
    }
    frame.pixels.resize(size);
    std::uint8_t* const pixels = frame.pixels.data();
    if (request_.yuvMatrix) {
        yuv_.resize(yuv420Bytes(request_.width, request_.height));
        if (!readWhole(yuv_.data(), yuv_.size(), cleanEnd))
            return false;
        fromYuv420(yuv_.data(), request_.width, request_.height, *request_.yuvMatrix, pixels);
        return true;
    }
    // Large pictures come as RGB, a quarter less for the decoder to hold and
    // the pipe to carry, and get their opaque alpha here.
    const bool packed = isLargePicture(request_.width, request_.height);
    if (!readWhole(pixels, packed ? size / 4 * 3 : size, cleanEnd))
        return false;
    if (packed) {
        // In place from the end: pixel i's four bytes never reach the three
        // of an earlier pixel.
        for (std::size_t i = size / 4; i-- > 0;) {
            pixels[4 * i + 3] = 255;
            pixels[4 * i + 2] = pixels[3 * i + 2];
            pixels[4 * i + 1] = pixels[3 * i + 1];
            pixels[4 * i] = pixels[3 * i];
        }
    }
    return true;
}

void FrameReader::run()
{
    const QString name = QFileInfo(request_.videoPath).fileName();
    long long decoded = 0;
    bool cleanEnd = false;
    for (;;) {
        // The frame being read counts as in flight: room first, then the read.
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] {
                return stopping_ || ready_.size() < std::size_t(request_.framesInFlight);
            });
            if (stopping_)
                return;
        }
        imagefilter::Bitmap frame;
        if (!readFrame(frame, cleanEnd))
            break;
        std::lock_guard lock(mutex_);
        if (stopping_)
            return;
        ready_.push_back(std::move(frame));
        ++decoded;
        changed_.notify_all();
        if (request_.frameCount >= 0 && decoded >= request_.frameCount)
            break;
    }
    const bool countReached = request_.frameCount >= 0 && decoded >= request_.frameCount;
    // With every frame asked for in hand, what the child might still write is not wanted.
    if (countReached)
        child_->kill();
    const bool exitedWell = countReached || child_->waitForExit();
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return;
    }
    if (!exitedWell) {
        const QString tail = child_->errorTail();
        fail(QStringLiteral("%1: ffmpeg could not decode it (%2)%3")
                 .arg(name, child_->endText(),
                      tail.isEmpty() ? QString() : QStringLiteral(": ") + tail));
    } else if (!cleanEnd && !countReached) {
        fail(QStringLiteral("%1: the decoded picture ended in the middle of a frame").arg(name));
    } else if (decoded == 0) {
        fail(QStringLiteral("%1: no frame could be decoded in the requested range").arg(name));
    }
    std::lock_guard lock(mutex_);
    finished_ = true;
    changed_.notify_all();
}

} // namespace media
