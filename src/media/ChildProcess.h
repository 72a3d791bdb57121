#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <memory>
#include <mutex>
#include <sys/types.h>

class QSocketNotifier;

namespace media {

// What is kept of a child's standard error, for the reasons a run failed and
// the messages that quote it: its last 64 KiB.
inline constexpr qsizetype kReportTailBytes = 64 * 1024;

// Where a child's standard error goes.
enum class ErrorChannel {
    Kept,   // into memory, read back with report() and errorTail()
    Merged, // into the output pipe, with its standard output
    Piped,  // into a pipe of its own, read with takeErrors() (and kept as well)
};

// The one way this program starts another (ffmpeg, ffprobe): no shell, no
// QProcess. The child runs in a process group of its own (so a terminal's
// Ctrl+C reaches only us and a stop also reaches whatever a script child
// started) and dies with the thread that started it, so with this process.
// Every pipe end we keep is close-on-exec, so a second child never holds the
// first one's pipe open. Its pipes may be used from worker threads; the
// blocking runs (Transcoder.h) and ChildRun below are built on it.
class ChildProcess final
{
public:
    ChildProcess() = default;
    ~ChildProcess(); // kills and reaps a child still running
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `program` with `arguments`. `feedInput`: its standard input is a
    // pipe we write (else /dev/null); `readOutput`: its standard output is a
    // pipe we read (else /dev/null); `environment`: NAME=value entries added
    // to ours. False, with error(), when it cannot start.
    // `errors`: where its standard error goes (Merged needs `readOutput`).
    bool start(const QString& program, const QStringList& arguments, bool feedInput,
               bool readOutput, const QStringList& environment = {},
               ErrorChannel errors = ErrorChannel::Kept);

    int inputFd() const { return input_; }
    int outputFd() const { return output_; }
    int errorFd() const { return errorPipe_; }
    void closeInput();

    // Append what the output (error) pipe holds to `bytes`, waiting up to
    // `waitMs` for something to come; false once that pipe's end is reached.
    // What takeErrors() reads is also kept for report().
    bool takeOutput(QByteArray& bytes, int waitMs = 0);
    bool takeErrors(QByteArray& bytes, int waitMs = 0);

    // Writes all of `size` bytes to the child's input, retrying short writes;
    // false when the child stopped reading (its end closed) or on any error.
    // A closed pipe is reported as such and never raises SIGPIPE.
    bool writeAll(const void* data, std::size_t size);
    // Reads up to `size` bytes from the child's output: the count, 0 at its
    // end, -1 on error.
    long readSome(void* data, std::size_t size);

    // Kills the child's whole process group at once (SIGKILL) and reaps the
    // child. Safe from any thread and at any moment, also while another thread
    // waits in waitForExit(); does nothing once the child is reaped.
    void kill();
    // Waits for the child's end and reaps it; true when it exited with status 0.
    bool waitForExit();
    // Without waiting: true once the child has ended, and then it is reaped.
    bool ended();
    // True once reaped after an exit with status 0.
    bool exitedWell() const;

    bool started() const { return pid_ > 0; }
    // "exit status N" or "killed by signal N" once reaped.
    QString endText() const;
    // How many bytes the child has written to its standard error so far.
    qint64 errorBytes() const;
    // What is kept of its standard error (kReportTailBytes), as UTF-8 text.
    QString report() const;
    // The last lines of report(), joined into one line for a message.
    QString errorTail() const;
    // Why start() failed.
    const QString& error() const { return error_; }

private:
    void reapLocked(int status);
    void reapGroupLocked();

    mutable std::mutex mutex_;
    pid_t pid_ = -1;
    bool reaped_ = false;
    int status_ = 0;
    int input_ = -1;
    int output_ = -1;
    int errors_ = -1;    // an anonymous in-memory file holding the child's standard error
    int errorPipe_ = -1; // or the pipe it goes to, with what was read of it kept here
    QByteArray piped_;
    qint64 pipedBytes_ = 0;
    QString error_;
};

// A child run whose notices arrive on the thread that starts it, from its
// event loop: what the child prints on either channel as it comes, then its
// end, after the last of its output. Its standard input is /dev/null, so a
// question such as an overwrite prompt is answered at once. A child that
// prints nothing on either channel for the silence limit is taken for hung:
// it is killed and the run ends as silenced(). A QObject (without signals)
// so that it can be watched with a QPointer and deleted later.
class ChildRun final : public QObject
{
public:
    explicit ChildRun(QObject* parent = nullptr);
    ~ChildRun() override; // kills and reaps a child still running

    // Starts the child. One that cannot start ends the run all the same, from
    // the event loop, with exitedWell() false.
    void start(const QString& program, const QStringList& arguments, int silenceLimitMs);
    // Kills the child's whole group and reaps it at once; no notice follows.
    void kill();

    bool exitedWell() const { return child_.exitedWell(); }
    bool silenced() const { return silenced_; }
    QString report() const { return child_.report(); }

    // The notices; empty ones are skipped, and one may empty them all.
    std::function<void(const QByteArray&)> onOutput;
    std::function<void(const QByteArray&)> onErrors;
    std::function<void()> onEnded;
    void dropNotices();

private:
    // Passes on what one pipe holds; false when it held nothing.
    bool read(bool output);
    void watch();
    void finish();

    ChildProcess child_;
    // Declared after child_, so they go before its pipes are closed.
    std::unique_ptr<QSocketNotifier> outputNotifier_;
    std::unique_ptr<QSocketNotifier> errorNotifier_;
    QTimer watch_; // looks for the child's end and for its silence
    QElapsedTimer silence_;
    int silenceLimitMs_ = 0;
    bool silenced_ = false;
    bool finished_ = false;
};

} // namespace media
