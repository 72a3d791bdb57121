// Feeds arbitrary chunks of the transcoder's standard error to the progress
// scan, and arbitrary (in-range) durations and percents to the clocks of the
// preview position and the cut: none may crash, overflow or misformat.
#include "export/ExportTexts.h"
#include "views/PreviewTime.h"

#include <QString>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

// A clock text "hh:mm:ss.mmm" with at least two digits of hours.
bool wellFormedClock(const QString& text)
{
    const qsizetype n = text.size();
    if (n < 12 || text[n - 4] != u'.' || text[n - 7] != u':' || text[n - 10] != u':')
        return false;
    for (const QChar c : text)
        if (!c.isDigit() && c != u':' && c != u'.')
            return false;
    return true;
}

template <typename T> T take(const std::uint8_t*& data, std::size_t& size)
{
    T value{};
    const std::size_t n = size < sizeof(T) ? size : sizeof(T);
    std::memcpy(&value, data, n);
    data += n;
    size -= n;
    return value;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // Durations up to the largest a two-digit-field clock can name.
    const auto duration = std::int64_t(take<std::uint32_t>(data, size) % 362440u);
    float a = float(take<std::uint16_t>(data, size)) / 655.35f; // 0 to 100
    float b = float(take<std::uint16_t>(data, size)) / 655.35f;
    if (a > b)
        std::swap(a, b);

    const views::PreviewTime time = views::previewTime(duration, b);
    if (time.minutes > 59 || time.seconds > 59 || time.milliseconds > 999)
        __builtin_trap();
    if (!wellFormedClock(views::labelText(time)) || views::seekText(time).size() < 8)
        __builtin_trap();

    const QString chunk = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    if (const auto position = exporting::lastCompletePosition(chunk)) {
        if (position->size() != 8)
            __builtin_trap();
    }
    const float percent = exporting::progressPercent(std::uint64_t(duration), float(b));
    if (std::isnan(percent))
        __builtin_trap();
    return 0;
}
