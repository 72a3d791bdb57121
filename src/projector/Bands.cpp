#include "projector/Bands.h"

#include "imagefilter/Context.h"
#include "imagefilter/WorkerPool.h"

#include <algorithm>
#include <atomic>
#include <thread>

namespace projector {

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
    // The filter library's thread count, so a render set to one thread stays on one.
    const int chosen = imagefilter::Context::defaultThreadCount();
    const int threads = std::max(1, chosen > 0 ? chosen : int(std::thread::hardware_concurrency()));
    imagefilter::detail::WorkerPool::run(std::min(threads, bands) - 1, work);
}

} // namespace projector
