#include "media/StreamThread.h"

namespace media {

StreamThread::~StreamThread()
{
    join();
}

void StreamThread::start(std::function<void()> body)
{
    std::lock_guard lock(joinMutex_);
    thread_ = std::thread(std::move(body));
}

void StreamThread::join()
{
    std::lock_guard lock(joinMutex_);
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id())
        thread_.join();
}

} // namespace media
