#pragma once

// One set of worker threads for every render in the process, started on
// first use and grown on demand, so that a render hands its bands out without
// creating threads. Any number of threads may run renders at once: each
// render is a job that idle workers join, and its caller always works on it
// too, so a render never waits for a worker that is busy elsewhere.
// forEachBand is the face for work outside a filter graph; WorkerPool itself
// is internal.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace imagefilter {

// Runs `rows(first, last)` over [0, count) in bands of about 32 rows on the
// worker pool, the calling thread taking part, with as many threads as
// Context::defaultThreadCount() allows (so a render set to one stays on one).
void forEachBand(int count, const std::function<void(int first, int last)>& rows);

} // namespace imagefilter

namespace imagefilter::detail {

class WorkerPool final
{
public:
    // Runs `work` on the calling thread and on up to `helpers` workers at once,
    // and returns when every run of it has returned. `work` must share its
    // job out itself (the bands of a render through an atomic counter).
    static void run(int helpers, const std::function<void()>& work);

    // Workers started so far (for tests and benchmarks).
    static int workerCount();

    WorkerPool() = default;
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

private:
    struct Job
    {
        const std::function<void()>* work;
        int wanted;     // helpers still welcome
        int active = 0; // helpers inside work() now
        std::condition_variable left;
    };

    void runJob(int helpers, const std::function<void()>& work);
    void grow(int workers);
    void loop();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Job*> queue_;
    std::vector<std::thread> threads_;
    bool stopping_ = false;
};

} // namespace imagefilter::detail
