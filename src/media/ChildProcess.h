#pragma once

#include <QString>
#include <QStringList>
#include <mutex>
#include <sys/types.h>

namespace media {

// A transcoder child whose pipes are read and written from worker threads:
// no event loop, no QProcess. The child runs in a process group of its own (so
// a terminal's Ctrl+C reaches only us and a stop also reaches whatever a
// script child started), dies with this process, and keeps its standard error
// in memory for the error text. Every pipe end we keep is close-on-exec, so a
// second child never holds the first one's pipe open.
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
    bool start(const QString& program, const QStringList& arguments, bool feedInput,
               bool readOutput, const QStringList& environment = {});

    int inputFd() const { return input_; }
    int outputFd() const { return output_; }
    void closeInput();

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

    bool started() const { return pid_ > 0; }
    // "exit status N" or "killed by signal N" once reaped.
    QString endText() const;
    // The last lines the child wrote to its standard error (at most ~2000 characters).
    QString errorTail() const;
    // Why start() failed.
    const QString& error() const { return error_; }

private:
    void reapLocked(int status);

    mutable std::mutex mutex_;
    pid_t pid_ = -1;
    bool reaped_ = false;
    int status_ = 0;
    int input_ = -1;
    int output_ = -1;
    int errors_ = -1; // an anonymous in-memory file holding the child's standard error
    QString error_;
};

} // namespace media
