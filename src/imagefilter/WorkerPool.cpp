#include "imagefilter/WorkerPool.h"

#include "imagefilter/Context.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>

namespace imagefilter::detail {

namespace {

// The most workers the pool keeps, whatever thread count a context asks for.
constexpr int kMaxWorkers = 63;

// Cleared when the pool is destroyed at exit: a render after that (from
// another static destructor) runs on its calling thread alone.
std::atomic<WorkerPool*> gPool{nullptr};

WorkerPool* pool()
{
    static WorkerPool instance;
    static const bool registered = [] {
        gPool.store(&instance);
        return true;
    }();
    (void)registered;
    return gPool.load();
}

} // namespace

WorkerPool::~WorkerPool()
{
    gPool.store(nullptr);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    // A worker inside a job finishes its share first; its caller waits for it.
    for (std::thread& t : threads_)
        t.join();
}

void WorkerPool::run(int helpers, const std::function<void()>& work)
{
    WorkerPool* p = helpers > 0 ? pool() : nullptr;
    if (!p) {
        work();
        return;
    }
    p->runJob(std::min(helpers, kMaxWorkers), work);
}

int WorkerPool::workerCount()
{
    WorkerPool* p = pool();
    if (!p)
        return 0;
    std::lock_guard<std::mutex> lock(p->mutex_);
    return int(p->threads_.size());
}

void WorkerPool::runJob(int helpers, const std::function<void()>& work)
{
    Job job{&work, helpers, 0, {}};
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!stopping_) {
            grow(helpers);
            queue_.push_back(&job);
        }
    }
    for (int i = 0; i < helpers; ++i)
        wake_.notify_one();
    work();
    std::unique_lock<std::mutex> lock(mutex_);
    // No worker joins once the job has left the queue; wait for those inside.
    const auto it = std::find(queue_.begin(), queue_.end(), &job);
    if (it != queue_.end())
        queue_.erase(it);
    job.left.wait(lock, [&job] { return job.active == 0; });
}

void WorkerPool::grow(int workers)
{
    while (int(threads_.size()) < workers) {
        try {
            threads_.emplace_back([this] { loop(); });
        } catch (const std::system_error&) {
            break; // fewer helpers: the callers do the rest themselves
        }
    }
}

void WorkerPool::loop()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_)
            return;
        Job* job = queue_.front();
        ++job->active;
        if (--job->wanted == 0)
            queue_.pop_front();
        lock.unlock();
        (*job->work)();
        lock.lock();
        // The caller cannot leave before this, since it waits under the same
        // mutex for active to reach 0.
        if (--job->active == 0)
            job->left.notify_all();
    }
}

} // namespace imagefilter::detail

namespace imagefilter {

void forEachBand(int count, const std::function<void(int, int)>& rows)
{
    constexpr int kBand = 32;
    const int bands = (count + kBand - 1) / kBand;
    if (bands <= 1) {
        if (count > 0)
            rows(0, count);
        return;
    }
    std::atomic<int> next{0};
    const std::function<void()> work = [&] {
        for (int band = next++; band < bands; band = next++)
            rows(band * kBand, std::min(count, (band + 1) * kBand));
    };
    const int chosen = Context::defaultThreadCount();
    const int threads = std::max(1, chosen > 0 ? chosen : int(std::thread::hardware_concurrency()));
    detail::WorkerPool::run(std::min(threads, bands) - 1, work);
}

} // namespace imagefilter
