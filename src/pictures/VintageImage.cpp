#include "pictures/VintageImage.h"

#include "effects/VintageChain.h"

#include <QSysInfo>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <vector>

namespace pictures {

namespace {

// The memory of rendered frames, kept for the next ones: a frame larger than
// malloc keeps for reuse (32 MB: a 4K frame) would otherwise be mapped afresh
// each time, every page of it faulted in and zeroed while the render writes
// it. A frame's image gives its buffer back when its last copy goes; the two
// most recently given back are kept. Never destroyed, so that an image that
// outlives the statics at exit can still give its buffer back.
class FrameBuffers final
{
public:
    static FrameBuffers& instance()
    {
        static FrameBuffers* const buffers = new FrameBuffers;
        return *buffers;
    }

    // A buffer of at least `bytes`, 64-byte aligned.
    std::uint8_t* take(std::size_t bytes)
    {
        {
            const std::lock_guard lock(mutex_);
            for (auto it = kept_.begin(); it != kept_.end(); ++it) {
                if (it->bytes == bytes) {
                    std::uint8_t* data = it->data;
                    kept_.erase(it);
                    return data;
                }
            }
        }
        auto* block =
            static_cast<std::uint8_t*>(std::aligned_alloc(kHeader, kHeader + rounded(bytes)));
        if (!block)
            return nullptr;
        std::memcpy(block, &bytes, sizeof bytes); // the size, ahead of the pixels
        return block + kHeader;
    }

    // A QImageCleanupFunction: `data` is what take() gave.
    static void giveBack(void* data)
    {
        auto* pixels = static_cast<std::uint8_t*>(data);
        std::size_t bytes;
        std::memcpy(&bytes, pixels - kHeader, sizeof bytes);
        std::uint8_t* dropped = nullptr;
        {
            FrameBuffers& self = instance();
            const std::lock_guard lock(self.mutex_);
            self.kept_.push_back({pixels, bytes});
            if (self.kept_.size() > kKept) {
                dropped = self.kept_.front().data;
                self.kept_.erase(self.kept_.begin());
            }
        }
        if (dropped)
            std::free(dropped - kHeader);
    }

private:
    static constexpr std::size_t kHeader = 64, kKept = 2;
    static std::size_t rounded(std::size_t bytes)
    {
        return (bytes + kHeader - 1) / kHeader * kHeader;
    }
    struct Kept
    {
        std::uint8_t* data;
        std::size_t bytes;
    };
    std::mutex mutex_;
    std::vector<Kept> kept_; // oldest first
};

} // namespace

QImage vintageImage(const imagefilter::Bitmap& source, const effects::Look& record,
                    const projector::FramePlace& place)
{
    if (source.isNull())
        return QImage();
    // The result is rendered straight into Qt's native premultiplied ARGB, which
    // the preview draws and the JPEG encoder reads without converting it first.
    auto order = imagefilter::Context::ByteOrder::Rgba;
    QImage::Format format = QImage::Format_RGBA8888_Premultiplied;
    if (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
        order = imagefilter::Context::ByteOrder::Bgra;
        format = QImage::Format_ARGB32_Premultiplied;
    }
    const std::size_t rowBytes = std::size_t(source.width) * 4;
    const std::size_t bytes = rowBytes * std::size_t(source.height);
    std::uint8_t* pixels = FrameBuffers::instance().take(bytes);
    QImage result = pixels ? QImage(pixels, source.width, source.height, qsizetype(rowBytes),
                                    format, FrameBuffers::giveBack, pixels)
                           : QImage(source.width, source.height, format);
    effects::renderVintage(source, record, place, result.bits(), std::size_t(result.bytesPerLine()),
                           order);
    return result;
}

} // namespace pictures
