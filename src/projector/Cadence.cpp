#include "projector/Cadence.h"

#include <cmath>

namespace projector {

const std::vector<int>& crankRates()
{
    static const std::vector<int> rates{16, 18, 24};
    return rates;
}

long long heldFrame(long long number, double rate, int crankedAt)
{
    if (crankedAt <= 0 || !(rate > crankedAt) || number <= 0)
        return number;
    // Step k covers the frames whose time lies in [k, k + 1) / crankedAt; the
    // small margin keeps a frame that falls exactly on a step's start in it
    // despite rounding (29.97 is 30000/1001).
    constexpr double margin = 1e-9;
    const double step = std::floor(double(number) * crankedAt / rate + margin);
    const long long first = (long long)std::ceil(step * rate / crankedAt - margin);
    return first <= number ? first : number;
}

CadenceHold::Shown CadenceHold::show(long long number, const imagefilter::Bitmap& frame)
{
    const long long held = heldFrame(number, rate_, crankedAt_);
    if (held == number && crankedAt_ <= 0)
        return {&frame, number};
    if (!holding_ || held != heldNumber_) {
        held_ = frame;
        heldNumber_ = held;
        holding_ = true;
    }
    return {&held_, heldNumber_};
}

} // namespace projector
