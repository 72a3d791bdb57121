#include "media/ChildProcess.h"

#include <QByteArray>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace media {

namespace {

void closeFd(int& fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

// Only async-signal-safe calls between fork and exec: the child may be forked
// from a process with many threads.
[[noreturn]] void execChild(const char* program, char* const* argv, char* const* envp, int in,
                            int out, int err, pid_t parent)
{
    ::setpgid(0, 0);
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != parent) // the parent died before the line above
        ::_exit(127);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::signal(SIGPIPE, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    ::dup2(in, 0);
    ::dup2(out, 1);
    ::dup2(err, 2);
    ::execve(program, argv, envp);
    ::_exit(127);
}

// Appends what `fd` holds to `bytes`, waiting up to `waitMs` for something;
// false at its end (every writer gone) or without a pipe.
bool takeFrom(int fd, QByteArray& bytes, int waitMs)
{
    if (fd < 0)
        return false;
    pollfd ready{fd, POLLIN, 0};
    int n = 0;
    while ((n = ::poll(&ready, 1, waitMs)) < 0 && errno == EINTR) {
    }
    if (n <= 0)
        return n == 0;
    int available = 0;
    ::ioctl(fd, FIONREAD, &available);
    const qsizetype from = bytes.size();
    bytes.resize(from + std::max(available, 1));
    ssize_t got = -1;
    while ((got = ::read(fd, bytes.data() + from, std::size_t(bytes.size() - from))) < 0 &&
           errno == EINTR) {
    }
    bytes.resize(from + std::max<qsizetype>(got, 0));
    return got > 0;
}

// A wait status for a child that can no longer be waited for.
constexpr int kLostStatus = 255 << 8;

} // namespace

ChildProcess::~ChildProcess()
{
    kill();
    closeFd(input_);
    closeFd(output_);
    closeFd(errors_);
    closeFd(errorPipe_);
}

bool ChildProcess::start(const QString& program, const QStringList& arguments, bool feedInput,
                         bool readOutput, const QStringList& environment, ErrorChannel errors)
{
    if (program.isEmpty()) {
        error_ = QStringLiteral("no ffmpeg found");
        return false;
    }
    const QByteArray path = program.toLocal8Bit();
    if (::access(path.constData(), X_OK) != 0) {
        error_ = QStringLiteral("cannot run %1: %2")
                     .arg(program, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    std::vector<QByteArray> storage{path};
    for (const QString& argument : arguments)
        storage.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& bytes : storage)
        argv.push_back(bytes.data());
    argv.push_back(nullptr);
    // Built before the fork: the child may only exec.
    std::vector<QByteArray> added;
    for (const QString& entry : environment)
        added.push_back(entry.toLocal8Bit());
    std::vector<char*> envp;
    for (QByteArray& entry : added)
        envp.push_back(entry.data());
    for (char** entry = environ; *entry; ++entry)
        envp.push_back(*entry);
    envp.push_back(nullptr);

    int inPipe[2] = {-1, -1};
    int outPipe[2] = {-1, -1};
    int errPipe[2] = {-1, -1};
    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    bool ok = devNull >= 0;
    if (ok && errors == ErrorChannel::Kept) {
        errors_ = ::memfd_create("transcoder-errors", MFD_CLOEXEC);
        ok = errors_ >= 0;
    }
    if (ok && feedInput)
        ok = ::pipe2(inPipe, O_CLOEXEC) == 0;
    if (ok && readOutput)
        ok = ::pipe2(outPipe, O_CLOEXEC) == 0;
    if (ok && errors == ErrorChannel::Piped)
        ok = ::pipe2(errPipe, O_CLOEXEC) == 0;
    const int output = readOutput ? outPipe[1] : devNull;
    const int error = errors == ErrorChannel::Kept     ? errors_
                      : errors == ErrorChannel::Merged ? output
                                                       : errPipe[1];
    // Larger pipes (best effort) mean fewer wake-ups per frame of megabytes.
    for (const int fd : {inPipe[1], outPipe[0]})
        if (fd >= 0)
            ::fcntl(fd, F_SETPIPE_SZ, 1 << 20);
    pid_t pid = -1;
    if (ok) {
        const pid_t parent = ::getpid();
        pid = ::fork();
        if (pid == 0)
            execChild(argv[0], argv.data(), envp.data(), feedInput ? inPipe[0] : devNull, output,
                      error, parent);
    }
    const int forkErrno = errno;
    if (devNull >= 0)
        ::close(devNull);
    if (inPipe[0] >= 0)
        ::close(inPipe[0]);
    if (outPipe[1] >= 0)
        ::close(outPipe[1]);
    if (errPipe[1] >= 0)
        ::close(errPipe[1]);
    if (!ok || pid < 0) {
        for (const int fd : {inPipe[1], outPipe[0], errPipe[0]})
            if (fd >= 0)
                ::close(fd);
        error_ = QStringLiteral("cannot start %1: %2")
                     .arg(program, QString::fromLocal8Bit(std::strerror(forkErrno)));
        return false;
    }
    // Also set here, so a kill right after the fork already reaches the group.
    ::setpgid(pid, pid);
    std::lock_guard lock(mutex_);
    pid_ = pid;
    input_ = inPipe[1];
    output_ = outPipe[0];
    errorPipe_ = errPipe[0];
    return true;
}

bool ChildProcess::takeOutput(QByteArray& bytes, int waitMs)
{
    return takeFrom(output_, bytes, waitMs);
}

bool ChildProcess::takeErrors(QByteArray& bytes, int waitMs)
{
    QByteArray read;
    const bool open = takeFrom(errorPipe_, read, waitMs);
    bytes += read;
    std::lock_guard lock(mutex_);
    pipedBytes_ += read.size();
    piped_ += read;
    if (piped_.size() > kReportTailBytes)
        piped_.remove(0, piped_.size() - kReportTailBytes);
    return open;
}

void ChildProcess::closeInput()
{
    closeFd(input_);
}

bool ChildProcess::writeAll(const void* data, std::size_t size)
{
    // SIGPIPE is blocked in this thread while writing, so a child that went
    // away gives EPIPE; a signal raised by the write is taken back afterwards.
    sigset_t pipeSignal, previous;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
    const auto* bytes = static_cast<const char*>(data);
    bool ok = input_ >= 0;
    bool broken = false;
    while (ok && size > 0) {
        const ssize_t n = ::write(input_, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            broken = n < 0 && errno == EPIPE;
            ok = false;
            break;
        }
        bytes += n;
        size -= std::size_t(n);
    }
    if (broken && !sigismember(&previous, SIGPIPE)) {
        const timespec zero{0, 0};
        while (::sigtimedwait(&pipeSignal, nullptr, &zero) == SIGPIPE) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return ok;
}

long ChildProcess::readSome(void* data, std::size_t size)
{
    for (;;) {
        const ssize_t n = ::read(output_, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        return long(n);
    }
}

void ChildProcess::kill()
{
    std::lock_guard lock(mutex_);
    if (pid_ <= 0 || reaped_)
        return;
    // The child is not reaped, so its pid (and group id) cannot have been reused.
    ::kill(-pid_, SIGKILL);
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    reapLocked(status);
}

bool ChildProcess::waitForExit()
{
    pid_t pid;
    {
        std::lock_guard lock(mutex_);
        if (pid_ <= 0)
            return false;
        if (reaped_)
            return WIFEXITED(status_) && WEXITSTATUS(status_) == 0;
        pid = pid_;
    }
    // Wait without reaping, so kill() from another thread never meets a reused pid.
    siginfo_t info{};
    while (::waitid(P_PID, id_t(pid), &info, WEXITED | WNOWAIT) < 0 && errno == EINTR) {
    }
    std::lock_guard lock(mutex_);
    if (!reaped_)
        reapGroupLocked();
    return WIFEXITED(status_) && WEXITSTATUS(status_) == 0;
}

bool ChildProcess::ended()
{
    std::lock_guard lock(mutex_);
    if (pid_ <= 0 || reaped_)
        return true;
    siginfo_t info{};
    if (::waitid(P_PID, id_t(pid_), &info, WEXITED | WNOHANG | WNOWAIT) < 0) {
        if (errno != ECHILD)
            return false;
        reapLocked(kLostStatus);
        return true;
    }
    if (info.si_pid == 0)
        return false;
    reapGroupLocked();
    return true;
}

bool ChildProcess::exitedWell() const
{
    std::lock_guard lock(mutex_);
    return reaped_ && WIFEXITED(status_) && WEXITSTATUS(status_) == 0;
}

void ChildProcess::reapGroupLocked()
{
    // Whatever a script child left running goes with it.
    ::kill(-pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    reapLocked(status);
}

void ChildProcess::reapLocked(int status)
{
    status_ = status;
    reaped_ = true;
}

QString ChildProcess::endText() const
{
    std::lock_guard lock(mutex_);
    if (!reaped_)
        return QStringLiteral("still running");
    if (WIFSIGNALED(status_))
        return QStringLiteral("killed by signal %1").arg(WTERMSIG(status_));
    return QStringLiteral("exit status %1").arg(WEXITSTATUS(status_));
}

qint64 ChildProcess::errorBytes() const
{
    if (errors_ < 0) {
        std::lock_guard lock(mutex_);
        return pipedBytes_;
    }
    struct stat info
    {
    };
    return ::fstat(errors_, &info) == 0 ? qint64(info.st_size) : 0;
}

QString ChildProcess::report() const
{
    if (errors_ < 0) {
        std::lock_guard lock(mutex_);
        return QString::fromUtf8(piped_);
    }
    const qint64 size = errorBytes();
    const qint64 from = std::max<qint64>(0, size - kReportTailBytes);
    QByteArray bytes(qsizetype(size - from), '\0');
    const ssize_t n = bytes.isEmpty()
                          ? 0
                          : ::pread(errors_, bytes.data(), std::size_t(bytes.size()), off_t(from));
    bytes.resize(n > 0 ? qsizetype(n) : 0);
    return QString::fromUtf8(bytes);
}

QString ChildProcess::errorTail() const
{
    // One line for a message: the last lines of the report, joined.
    QStringList lines = report().trimmed().split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    while (lines.size() > 3)
        lines.removeFirst();
    for (QString& line : lines)
        line = line.trimmed();
    return lines.join(QStringLiteral("; "));
}

ChildRun::ChildRun(QObject* parent) : QObject(parent)
{
    // The end of a child is looked for, not signalled: a short poll.
    watch_.setInterval(20);
    connect(&watch_, &QTimer::timeout, this, [this] { watch(); });
}

ChildRun::~ChildRun()
{
    kill();
}

void ChildRun::start(const QString& program, const QStringList& arguments, int silenceLimitMs)
{
    silenceLimitMs_ = silenceLimitMs;
    if (!child_.start(program, arguments, false, true, {}, ErrorChannel::Piped)) {
        QTimer::singleShot(0, this, [this] { finish(); });
        return;
    }
    outputNotifier_ = std::make_unique<QSocketNotifier>(child_.outputFd(), QSocketNotifier::Read);
    connect(outputNotifier_.get(), &QSocketNotifier::activated, this, [this] { read(true); });
    errorNotifier_ = std::make_unique<QSocketNotifier>(child_.errorFd(), QSocketNotifier::Read);
    connect(errorNotifier_.get(), &QSocketNotifier::activated, this, [this] { read(false); });
    silence_.start();
    watch_.start();
}

void ChildRun::kill()
{
    child_.kill();
    finished_ = true;
    watch_.stop();
    // Disabled, not deleted: this may run inside one of their notices.
    for (QSocketNotifier* notifier : {outputNotifier_.get(), errorNotifier_.get()})
        if (notifier)
            notifier->setEnabled(false);
}

void ChildRun::dropNotices()
{
    onOutput = nullptr;
    onErrors = nullptr;
    onEnded = nullptr;
}

bool ChildRun::read(bool output)
{
    QSocketNotifier* notifier = (output ? outputNotifier_ : errorNotifier_).get();
    if (!notifier->isEnabled())
        return false;
    QByteArray bytes;
    if (!(output ? child_.takeOutput(bytes) : child_.takeErrors(bytes)))
        notifier->setEnabled(false);
    if (bytes.isEmpty())
        return false;
    silence_.restart();
    // Called through a copy: the notice may empty the notices.
    if (const auto notice = output ? onOutput : onErrors)
        notice(bytes);
    return true;
}

void ChildRun::watch()
{
    if (finished_)
        return;
    if (child_.ended()) {
        // Its group is gone as well: what the pipes hold is the last it printed.
        for (const bool output : {true, false})
            while (read(output)) {
            }
        if (!finished_)
            finish();
    } else if (silence_.hasExpired(silenceLimitMs_)) {
        child_.kill();
        silenced_ = true;
        finish();
    }
}

void ChildRun::finish()
{
    kill();
    if (const auto notice = onEnded)
        notice();
}

} // namespace media
