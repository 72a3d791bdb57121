#include "media/FrameWriter.h"

#include "media/ChildProcess.h"
#include "media/EncoderQuality.h"
#include "media/LargePictures.h"
#include "media/NameLength.h"
#include "media/PictureFilters.h"
#include "media/ResultCheck.h"
#include "media/Transcoder.h"
#include "media/VideoCodecs.h"
#include "media/VideoFacts.h"
#include "media/YuvFrames.h"

#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace media {

namespace {

// A hidden name beside the result, unique to this process and writer, within
// the file system's 255 bytes: a long name is shortened, its ".mp4" kept.
QString temporaryNameFor(const QString& outputPath)
{
    static std::atomic<int> counter{0};
    const QFileInfo info(outputPath);
    const QString suffix = QStringLiteral(".%1-%2.part").arg(::getpid()).arg(counter++);
    QString name = info.fileName();
    const qsizetype room = kFileNameLimit - 1 - suffix.size();
    if (name.toUtf8().size() > room) {
        const QString extension = QStringLiteral(".mp4");
        const QString stem = name.endsWith(extension) ? name.chopped(extension.size()) : name;
        name = leadingCharacters(stem, room - extension.size()) + extension;
    }
    return info.absolutePath() + QStringLiteral("/.") + name + suffix;
}

// Moves `from` to `to`, never over an existing file unless `replace`.
bool moveIntoPlace(const QString& from, const QString& to, bool replace, QString& why)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    const int result = replace ? std::rename(source.constData(), target.constData())
                               : ::renameat2(AT_FDCWD, source.constData(), AT_FDCWD,
                                             target.constData(), RENAME_NOREPLACE);
    if (result == 0)
        return true;
    why = errno == EEXIST ? QStringLiteral("a file appeared at %1 meanwhile").arg(to)
                          : QStringLiteral("cannot write %1: %2")
                                .arg(to, QString::fromLocal8Bit(std::strerror(errno)));
    return false;
}

} // namespace

FrameWriter::FrameWriter(Request request) : request_(std::move(request)) {}

FrameWriter::~FrameWriter()
{
    if (!finished_)
        stop();
}

bool FrameWriter::start()
{
    const QString name = QFileInfo(request_.outputPath).fileName();
    if (request_.width < 2 || request_.height < 2 || request_.rateNumerator <= 0 ||
        request_.rateDenominator <= 0 || request_.framesInFlight < 1) {
        fail(QStringLiteral("%1: invalid frame size or rate").arg(name));
        return false;
    }
    if (child_) {
        fail(QStringLiteral("%1: the writer was already started").arg(name));
        return false;
    }
    // Made exclusively, so the transcoder's -y only ever replaces our own file.
    temporaryPath_ = temporaryNameFor(request_.outputPath);
    const int fd = ::open(QFile::encodeName(temporaryPath_).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        fail(QStringLiteral("cannot write in %1: %2")
                 .arg(QFileInfo(temporaryPath_).absolutePath(),
                      QString::fromLocal8Bit(std::strerror(errno))));
        temporaryPath_.clear();
        return false;
    }
    ::close(fd);

    // The frames come as the encoder takes them (write() converts them), so
    // the child runs no scaler; tagged as they are, so none is ever inserted.
    const QStringList tags = colourTagArguments(request_.width, request_.height);
    QStringList arguments{
        QStringLiteral("-nostdin"),
        QStringLiteral("-hide_banner"),
        QStringLiteral("-loglevel"),
        QStringLiteral("error"),
        QStringLiteral("-y"),
        QStringLiteral("-f"),
        QStringLiteral("rawvideo"),
        QStringLiteral("-pix_fmt"),
        QStringLiteral("yuv420p"),
        QStringLiteral("-s"),
        QStringLiteral("%1x%2").arg(evenWidth()).arg(evenHeight()),
        QStringLiteral("-framerate"),
        QStringLiteral("%1/%2").arg(request_.rateNumerator).arg(request_.rateDenominator)};
    arguments << tags;
    const bool large = isLargePicture(request_.width, request_.height);
    // With a second input every input is read ahead on a thread of its own,
    // by default eight frames: a quarter of a gigabyte at 4K.
    if (large)
        arguments << QStringLiteral("-thread_queue_size") << QStringLiteral("1");
    arguments << fileProtocolsOnly() << QStringLiteral("-i") << QStringLiteral("pipe:0");
    const bool sound = !request_.soundSource.isEmpty();
    if (sound) {
        if (request_.soundStartSeconds > 0.0)
            arguments << QStringLiteral("-ss") << secondsText(request_.soundStartSeconds);
        if (request_.soundLengthSeconds >= 0.0)
            arguments << QStringLiteral("-t") << secondsText(request_.soundLengthSeconds);
        arguments << fileProtocolsOnly() << QStringLiteral("-i") << request_.soundSource;
    }
    arguments << QStringLiteral("-map") << QStringLiteral("0:v:0");
    if (sound) {
        // Every sound stream, and the source's date and place.
        arguments << QStringLiteral("-map") << QStringLiteral("1:a?") << QStringLiteral("-c:a")
                  << QStringLiteral("aac") << QStringLiteral("-map_metadata")
                  << QStringLiteral("1");
        arguments << soundBitRateArguments(request_.soundChannels) << request_.soundOptions;
    }
    arguments << videoEncoderArguments(request_.encoding, request_.grain, large) << tags
              << QStringLiteral("-f") << QStringLiteral("mp4") << temporaryPath_;

    auto child = std::make_unique<ChildProcess>();
    QStringList environment = videoEncoderEnvironment(request_.encoding);
    if (large)
        environment += largePictureEnvironment();
    if (!child->start(request_.transcoder, arguments, true, false, environment)) {
        fail(QStringLiteral("%1: %2").arg(name, child->error()));
        removeTemporary();
        return false;
    }
    {
        std::lock_guard lock(mutex_);
        child_ = std::move(child);
        if (stopping_) {
            child_->kill();
            removeTemporary();
            return false;
        }
    }
    thread_.start([this] { run(); });
    return true;
}

bool FrameWriter::write(QImage frame)
{
    const QImage::Format format = frame.format();
    if (frame.width() != request_.width || frame.height() != request_.height)
        frame = frame.scaled(request_.width, request_.height, Qt::IgnoreAspectRatio,
                             Qt::SmoothTransformation);
    if (format != QImage::Format_ARGB32_Premultiplied && format != QImage::Format_RGB32)
        frame = frame.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    std::vector<std::uint8_t> planes;
    {
        std::lock_guard lock(mutex_);
        if (!child_ || finished_ || stopping_ || failed_)
            return false;
        if (!spare_.empty()) {
            planes = std::move(spare_.back());
            spare_.pop_back();
        }
    }
    // Converted before waiting for room, while the encoder works on the last
    // frames; the queue then holds the smaller YUV frames, not the RGB ones.
    planes.resize(yuv420Bytes(evenWidth(), evenHeight()));
    toYuv420(frame, encodingYuvMatrix(request_.width, request_.height), planes.data());
    frame = QImage();
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] {
        return stopping_ || failed_ || queue_.size() < std::size_t(request_.framesInFlight);
    });
    if (stopping_ || failed_)
        return false;
    queue_.emplace_back(std::move(planes));
    changed_.notify_all();
    return true;
}

bool FrameWriter::finish()
{
    {
        std::lock_guard lock(mutex_);
        if (!child_ || finished_ || stopping_)
            return false;
        queue_.emplace_back(std::nullopt);
    }
    changed_.notify_all();
    thread_.join();
    const QString name = QFileInfo(request_.outputPath).fileName();
    QString why;
    bool failed = false;
    long long written = 0;
    {
        std::lock_guard lock(mutex_);
        failed = failed_;
        written = written_;
    }
    if (!failed && written == 0)
        why = QStringLiteral("%1: no frame to encode").arg(name);
    else if (!failed && QFileInfo(temporaryPath_).size() <= 0)
        why = QStringLiteral("%1: ffmpeg wrote nothing").arg(name);
    if (!failed && why.isEmpty()) {
        // Only a whole file is moved into place: a full disk or a source that
        // ended early must not pass for a result.
        ExpectedResult expected;
        const double frame = double(request_.rateDenominator) / double(request_.rateNumerator);
        expected.pictureSeconds = double(written) * frame;
        expected.frameSeconds = frame;
        expected.sound = !request_.soundSource.isEmpty() && !request_.soundChannels.isEmpty();
        expected.soundSeconds = request_.expectedSoundSeconds;
        const QString problem = resultProblem(request_.transcoder, temporaryPath_, expected);
        if (!problem.isEmpty())
            why = QStringLiteral("%1: %2").arg(name, problem);
    }
    std::lock_guard lock(mutex_);
    finished_ = true;
    if (!failed_ && why.isEmpty() &&
        moveIntoPlace(temporaryPath_, request_.outputPath, request_.replaceExisting, why)) {
        temporaryPath_.clear();
        return true;
    }
    if (error_.isEmpty())
        error_ = why;
    failed_ = true;
    removeTemporary();
    return false;
}

void FrameWriter::stop()
{
    {
        std::lock_guard lock(mutex_);
        if (finished_)
            return;
        if (error_.isEmpty())
            error_ = QStringLiteral("stopped");
        stopping_ = true;
        if (child_)
            child_->kill();
    }
    changed_.notify_all();
    thread_.join();
    std::lock_guard lock(mutex_);
    finished_ = true;
    removeTemporary();
}

QString FrameWriter::error() const
{
    std::lock_guard lock(mutex_);
    return error_;
}

long long FrameWriter::framesWritten() const
{
    std::lock_guard lock(mutex_);
    return written_;
}

void FrameWriter::fail(const QString& text)
{
    std::lock_guard lock(mutex_);
    if (error_.isEmpty())
        error_ = text;
    failed_ = true;
    changed_.notify_all();
}

void FrameWriter::removeTemporary()
{
    if (!temporaryPath_.isEmpty())
        QFile::remove(temporaryPath_);
    temporaryPath_.clear();
}

void FrameWriter::run()
{
    const QString name = QFileInfo(request_.outputPath).fileName();
    bool fed = true;
    for (;;) {
        const std::vector<std::uint8_t>* frame = nullptr;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_)
                return;
            // Left in the queue while it is written: it counts as in flight.
            // Only this thread removes entries, so the reference stays good.
            if (queue_.front())
                frame = &*queue_.front();
        }
        if (!frame)
            break;
        if (!child_->writeAll(frame->data(), frame->size())) {
            fed = false;
            break;
        }
        std::lock_guard lock(mutex_);
        // Its memory serves a later frame.
        if (spare_.size() < std::size_t(request_.framesInFlight))
            spare_.push_back(std::move(*queue_.front()));
        queue_.pop_front();
        ++written_;
        changed_.notify_all();
    }
    child_->closeInput();
    const bool exitedWell = child_->waitForExit();
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return;
    }
    if (exitedWell && reportsWriteError(child_->errorTail())) {
        fail(QStringLiteral("%1: ffmpeg could not write it: %2").arg(name, child_->errorTail()));
    } else if (!exitedWell) {
        const QString tail = child_->errorTail();
        fail(QStringLiteral("%1: ffmpeg could not encode it (%2)%3")
                 .arg(name, child_->endText(),
                      tail.isEmpty() ? QString() : QStringLiteral(": ") + tail));
    } else if (!fed) {
        fail(QStringLiteral("%1: ffmpeg stopped reading frames before their end").arg(name));
    }
}

} // namespace media
