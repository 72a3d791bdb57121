#pragma once

#include "imagefilter/Bitmap.h"
#include "imagefilter/Image.h"

#include <cstddef>
#include <cstdint>

namespace imagefilter {

// Renders images into 8-bit bitmaps. Rows are split into bands shared out
// over the process's worker threads (WorkerPool.h; the calling thread works
// too); a small render runs inline. The bytes never depend on the thread count
// or the band size, since every row is computed on its own. Any number of
// threads may render at once, with one context each or with the same one.
class Context final
{
public:
    Context();

    // Threads used by contexts made from now on; 0 = one per core (the default).
    static void setDefaultThreadCount(int threads);
    static int defaultThreadCount();

    // Which runs of position-free colour filters render from a 3-D table
    // baked once per graph rather than pixel by pixel through their exact
    // kernels. For the whole process, from the next graph's first render on.
    enum class BakedColour {
        // The exact kernels everywhere: the reference the tables are held to
        // (OLDREEL_FILTER_BAKED=0 at start).
        Never,
        // The default: only runs holding a filter that costs more than the
        // table's look-up, a 3-D film stock (withColourCube).
        WherePaying,
        // Every run that does more than one affine map (OLDREEL_FILTER_BAKED=1
        // at start).
        Always,
    };
    static void setBakedColour(BakedColour mode);
    static BakedColour bakedColourMode();
    // Always when on, the default when off.
    static void setBakedColour(bool on);
    static bool bakedColour();

    void setThreadCount(int threads) { threads_ = threads; }
    int threadCount() const { return threads_; }
    // Rows per band handed to a thread at a time.
    void setBandRows(int rows) { bandRows_ = rows > 0 ? rows : 1; }
    // Renders of fewer pixels than this run on the calling thread alone.
    void setInlinePixelLimit(long pixels) { inlineLimit_ = pixels; }

    // The byte order of a rendered pixel: R, G, B, A (a Bitmap's) or B, G, R, A
    // (the native premultiplied ARGB of a QImage on little-endian machines,
    // which Qt draws and encodes without converting first).
    enum class ByteOrder {
        Rgba,
        Bgra,
    };
    void setByteOrder(ByteOrder order) { order_ = order; }

    // The image over rect (whole pixels; the rect's own lower-left corner is the
    // bitmap's bottom row), encoded to sRGB, clamped and rounded. Outside the
    // image's extent the bitmap is transparent black. A null image or an empty
    // rect gives a null bitmap.
    Bitmap render(const Image& image, const Rect& rect) const;
    // The same into caller-owned memory laid out like a Bitmap's rows (top row
    // first, 4 bytes a pixel) with the given stride in bytes; nothing is written
    // for a null image or an empty rect.
    void render(const Image& image, const Rect& rect, std::uint8_t* pixels,
                std::size_t stride) const;

private:
    int threads_;
    int bandRows_ = 16;
    long inlineLimit_ = 64 * 1024;
    ByteOrder order_ = ByteOrder::Rgba;
};

} // namespace imagefilter
