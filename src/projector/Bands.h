#pragma once

#include <functional>

namespace projector {

// Runs `rows(first, last)` over [0, count) in bands of about 32 rows on the
// filter library's worker pool, the calling thread taking part.
void forEachBand(int count, const std::function<void(int first, int last)>& rows);

} // namespace projector
