// The noise tile: one fixed 512 x 512 tile of four uniform planes, repeated.

#include "imagefilter/Nodes.h"

#include <algorithm>
#include <cstring>
#include <mutex>

namespace imagefilter::detail {

namespace {

struct Tile
{
    std::unique_ptr<float[]> planes[4];

    Tile()
    {
        constexpr int count = RandomNode::kTile * RandomNode::kTile;
        for (auto& p : planes)
            p = std::make_unique<float[]>(count);
        // splitmix64 from a fixed seed: the same tile on every run and platform.
        std::uint64_t state = 0x0ED5EE1F11A5EEDull;
        auto next = [&state] {
            std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            return z ^ (z >> 31);
        };
        for (int i = 0; i < count; ++i)
            for (auto& p : planes)
                p[i] = float(next() >> 40) * (1.0f / 16777216.0f);
    }
};

const Tile& tile()
{
    static const Tile instance;
    return instance;
}

// A plane for reading in place: the colour divided by max(alpha, 1e-5), as a
// colour filter divides it (alpha as it is), each row stored twice over so
// that any run of up to a tile's width from any column is contiguous. Made
// when first asked for.
std::unique_ptr<float[]> wrappedStraight(int channel)
{
    constexpr int kTile = RandomNode::kTile;
    auto out = std::make_unique<float[]>(std::size_t(2) * kTile * kTile);
    const float* in = tile().planes[channel].get();
    const float* alpha = tile().planes[3].get();
    for (int j = 0; j < kTile; ++j) {
        for (int i = 0; i < kTile; ++i) {
            const int at = j * kTile + i;
            const float v =
                channel == 3 ? in[at] : in[at] * (1.0f / (alpha[at] > 1e-5f ? alpha[at] : 1e-5f));
            out[std::size_t(j) * 2 * kTile + i] = out[std::size_t(j) * 2 * kTile + kTile + i] = v;
        }
    }
    return out;
}

} // namespace

RandomNode::RandomNode() : Node(Rect::infinite())
{
    tile();
}

const float* RandomNode::plane(int channel)
{
    return tile().planes[channel].get();
}

const float* RandomNode::wrappedStraightPlane(int channel)
{
    static std::once_flag made[4];
    static std::unique_ptr<float[]> planes[4];
    std::call_once(made[channel], [channel] { planes[channel] = wrappedStraight(channel); });
    return planes[channel].get();
}

void RandomNode::rowInside(int y, int x0, int n, const Planar& out, Scratch&,
                           unsigned channels) const
{
    const int j = y & (kTile - 1);
    float* dst[4] = {out.r, out.g, out.b, out.a};
    for (int c = 0; c < 4; ++c) {
        if (!(channels & (1u << c))) { // not read: left at 0
            std::memset(dst[c], 0, std::size_t(n) * sizeof(float));
            continue;
        }
        for (int done = 0; done < n;) {
            const int i = (x0 + done) & (kTile - 1);
            const int len = std::min(n - done, kTile - i);
            std::memcpy(dst[c] + done, plane(c) + j * kTile + i, std::size_t(len) * sizeof(float));
            done += len;
        }
    }
}

} // namespace imagefilter::detail
