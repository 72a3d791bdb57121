#include "imagefilter/Context.h"

#include "imagefilter/ColourLut.h"
#include "imagefilter/Node.h"
#include "imagefilter/Nodes.h"
#include "imagefilter/PixelMath.h"
#include "imagefilter/Simd.h"
#include "imagefilter/Srgb8.h"
#include "imagefilter/WorkerPool.h"

#include <atomic>
#include <cmath>
#include <thread>

namespace imagefilter {

namespace {

std::atomic<int> gDefaultThreads{0};

// Row segments: long enough that the per-segment work of every node (one
// virtual call per kernel, the spans and the scratch) stays small, short
// enough that a chain's buffers stay in the first two cache levels.
constexpr int kSegment = 512;

inline bool allOpaque(const float* a, int n)
{
    int transparent = 0;
    for (int i = 0; i < n; ++i)
        transparent |= int(!(a[i] >= 1.0f));
    return transparent == 0;
}

// `first` and `third` are the planes of the pixel's first and third bytes:
// red and blue for RGBA, blue and red for BGRA.
void encodeSegment(const float* first, const float* green, const float* third, const float* alpha,
                   int n, std::uint8_t* dst)
{
    const Srgb8& t = Srgb8::tables();
    if (simd::run<allOpaque>(alpha, n)) { // the usual case: no alpha work
        t.encodeOpaque(first, green, third, n, dst);
        return;
    }
    for (int i = 0; i < n; ++i, dst += 4) {
        float a = alpha[i];
        a = a > 0.0f ? (a < 1.0f ? a : 1.0f) : 0.0f;
        const int a8 = int(a * 255.0f + 0.5f);
        if (a8 == 255) {
            dst[0] = t.encode(first[i]);
            dst[1] = t.encode(green[i]);
            dst[2] = t.encode(third[i]);
        } else if (a8 == 0) {
            dst[0] = dst[1] = dst[2] = 0;
        } else {
            // encode the straight colour, then premultiply the 8-bit value
            const float inv = 1.0f / a;
            dst[0] = std::uint8_t((t.encode(first[i] * inv) * a8 + 127) / 255);
            dst[1] = std::uint8_t((t.encode(green[i] * inv) * a8 + 127) / 255);
            dst[2] = std::uint8_t((t.encode(third[i] * inv) * a8 + 127) / 255);
        }
        dst[3] = std::uint8_t(a8);
    }
}

} // namespace

Context::Context() : threads_(gDefaultThreads.load()) {}

void Context::setDefaultThreadCount(int threads)
{
    gDefaultThreads = threads < 0 ? 0 : threads;
}
int Context::defaultThreadCount()
{
    return gDefaultThreads.load();
}

void Context::setBakedColour(BakedColour mode)
{
    detail::setBaking(mode);
}
Context::BakedColour Context::bakedColourMode()
{
    return detail::baking();
}
void Context::setBakedColour(bool on)
{
    detail::setBaking(on ? BakedColour::Always : BakedColour::WherePaying);
}
bool Context::bakedColour()
{
    return detail::baking() == BakedColour::Always;
}

Bitmap Context::render(const Image& image, const Rect& rect) const
{
    Bitmap out;
    if (image.isNull() || rect.isEmpty() || rect.isInfinite())
        return out;
    out.width = int(std::ceil(rect.x1)) - int(std::floor(rect.x0));
    out.height = int(std::ceil(rect.y1)) - int(std::floor(rect.y0));
    out.pixels.assign(std::size_t(out.width) * out.height * 4, 0);
    render(image, rect, out.pixels.data(), std::size_t(out.width) * 4);
    return out;
}

void Context::render(const Image& image, const Rect& rect, std::uint8_t* pixels,
                     std::size_t stride) const
{
    if (image.isNull() || rect.isEmpty() || rect.isInfinite())
        return;
    const int x0 = int(std::floor(rect.x0)), y0 = int(std::floor(rect.y0));
    const int w = int(std::ceil(rect.x1)) - x0, h = int(std::ceil(rect.y1)) - y0;
    const detail::Node& node = *image.node();

    const bool bgra = order_ == ByteOrder::Bgra;
    std::atomic<int> nextBand{0};
    const int bands = (h + bandRows_ - 1) / bandRows_;
    // A run ending in a look leaves encoded values, which opaque rows write
    // as bytes at once: decoding them and encoding back would give the same
    // bytes for twice the work.
    const auto* encodedRun = dynamic_cast<const detail::ColourNode*>(&node);
    if (encodedRun && !encodedRun->endsEncoded())
        encodedRun = nullptr;
    // Whether pixels x .. x + n - 1 of row y all lie inside the node's extent.
    auto inside = [&extent = node.extent()](int y, int x, int n) {
        if (!(y + 0.5 >= extent.y0 && y + 0.5 < extent.y1))
            return false;
        int first, last;
        detail::pixelSpan(extent.x0, extent.x1, x, n, first, last);
        return first == 0 && last == n;
    };
    // Each row is computed on its own, by whichever thread takes its band, so
    // the bytes never depend on the threads or the band size.
    const std::function<void()> work = [&] {
        detail::Scratch scratch;
        detail::Scratch::Frame frame(scratch);
        const detail::Planar buf = frame.planar(kSegment);
        const float* first =
            bgra ? buf.b : buf.r; // the planes of each pixel's first and third byte
        const float* third = bgra ? buf.r : buf.b;
        for (int band; (band = nextBand.fetch_add(1)) < bands;) {
            const int rowEnd = std::min(h, (band + 1) * bandRows_);
            for (int r = band * bandRows_; r < rowEnd; ++r) {
                const int y = y0 + h - 1 - r; // stored rows run from the top down
                std::uint8_t* dst = pixels + std::size_t(r) * stride;
                for (int x = 0; x < w; x += kSegment) {
                    const int n = std::min(kSegment, w - x);
                    std::uint8_t* out = dst + std::size_t(x) * 4;
                    if (!encodedRun || !inside(y, x0 + x, n)) {
                        node.row(y, x0 + x, n, buf, scratch);
                    } else if (encodedRun->rowEncodedIfOpaque(y, x0 + x, n, buf, scratch)) {
                        Srgb8::quantizeOpaque(first, buf.g, third, n, out);
                        continue;
                    }
                    encodeSegment(first, buf.g, third, buf.a, n, out);
                }
            }
        }
    };

    int threads = threads_ > 0 ? threads_ : int(std::thread::hardware_concurrency());
    if (threads < 1)
        threads = 1;
    if (long(w) * h < inlineLimit_)
        threads = 1;
    threads = std::min(threads, bands);
    detail::WorkerPool::run(threads - 1, work);
}

} // namespace imagefilter
