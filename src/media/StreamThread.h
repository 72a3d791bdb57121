#pragma once

#include <functional>
#include <mutex>
#include <thread>

namespace media {

// The thread that feeds or drains a streaming transcoder child. join() may be
// called by several threads at once (a signal's stop and the consumer's) and
// from the thread itself: only one caller joins, and the thread never joins
// itself.
class StreamThread final
{
public:
    StreamThread() = default;
    ~StreamThread(); // joins
    StreamThread(const StreamThread&) = delete;
    StreamThread& operator=(const StreamThread&) = delete;

    void start(std::function<void()> body);
    void join();

private:
    std::thread thread_;
    std::mutex joinMutex_;
};

} // namespace media
