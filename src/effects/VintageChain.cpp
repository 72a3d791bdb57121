#include "effects/VintageChain.h"

#include "imagefilter/ColourCube.h"
#include "imagefilter/Context.h"
#include "imagefilter/Glow.h"
#include "projector/Gate.h"
#include "projector/Grain.h"
#include "projector/Halation.h"
#include "projector/Motion.h"
#include "projector/Seeds.h"
#include "projector/Weave.h"
#include "stock/CubeCache.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace effects {

using imagefilter::Affine;
using imagefilter::Filter;
using imagefilter::Image;
using imagefilter::Rect;
using imagefilter::Vector4;

namespace {

constexpr const char* kImage = "inputImage";
constexpr const char* kBackground = "inputBackgroundImage";

// Builds the graph stage by stage; every stage's output is cropped to the
// current extent. Records each operation when asked to. `picture` is the
// source as the image holds it (after the weave): halation's highlights
// are taken from it.
class ChainBuilder final
{
public:
    ChainBuilder(const imagefilter::Bitmap& source, std::vector<VintageStep>* log,
                 const projector::FramePlace& place, const effects::Look& r)
        : source_(source), log_(log), place_(place)
    {
        // The source outlives the graph, which borrows it. The weave moves the
        // whole frame before any other stage, resampling rows as they are read.
        if (r.b_Weave())
            weave_ = projector::weaveAt(r.f_Weave(), r.u_Seed(), place);
        const auto rows =
            r.b_Weave() ? projector::weavedRows(source, weave_, r.f_Weave()) : nullptr;
        current_ = rows ? Image::fromRows(rows)
                        : Image::fromBitmap(std::shared_ptr<const imagefilter::Bitmap>(
                              &source, [](const imagefilter::Bitmap*) {}));
        if (!rows)
            weave_ = {};
    }

    Image build(const effects::Look& r)
    {
        if (r.b_Chrome())
            stage(Filter::named("CIPhotoEffectChrome", {{kImage, current_}}));
        if (r.b_Instant())
            stage(Filter::named("CIPhotoEffectInstant", {{kImage, current_}}));
        if (r.b_Process())
            stage(Filter::named("CIPhotoEffectProcess", {{kImage, current_}}));
        if (r.b_Sepia())
            stage(Filter::named("CISepiaTone", {{kImage, current_}}));
        if (r.b_Vignetting())
            stage(Filter::named("CIVignette", {{kImage, current_},
                                               {"inputRadius", 1.5f},
                                               {"inputIntensity", r.f_Vignetting() / 10.0f}}));
        stage(Filter::named("CIColorControls", {{kImage, current_},
                                                {"inputBrightness", r.f_Brightness() / 100.0f},
                                                {"inputContrast", r.f_Contrast() / 100.0f},
                                                {"inputSaturation", r.f_Saturation() / 100.0f}}));
        if (r.b_Gamma())
            stage(Filter::named("CIGammaAdjust",
                                {{kImage, current_}, {"inputPower", r.f_Gamma() / 100.0f}}));
        if (r.b_Exposure())
            stage(Filter::named("CIExposureAdjust",
                                {{kImage, current_}, {"inputEV", r.f_Exposure() / 100.0f}}));
        // Colour balance: three passes, each scaling one channel.
        const double red = r.f_Red_Balance() / 100.0f, green = r.f_Green_Balance() / 100.0f,
                     blue = r.f_Blue_Balance() / 100.0f;
        stage(Filter::named("CIColorMatrix",
                            {{kImage, current_}, {"inputRVector", Vector4{red, 0, 0, 0}}}));
        stage(Filter::named("CIColorMatrix",
                            {{kImage, current_}, {"inputGVector", Vector4{0, green, 0, 0}}}));
        stage(Filter::named("CIColorMatrix",
                            {{kImage, current_}, {"inputBVector", Vector4{0, 0, blue, 0}}}));
        if (r.b_Halation())
            halation(r);
        if (!r.s_Stock().empty() && r.f_Stock_Strength() != 0.0f)
            filmStock(r);
        if (r.b_Noise())
            grainAndScratches(r.f_Noise() / 500000.0f, r);
        if (r.b_Light()) {
            const float amount = r.f_Light() / 100.0f;
            stage(Filter::named("CIHighlightShadowAdjust", {{kImage, current_},
                                                            {"inputHighlightAmount", amount},
                                                            {"inputShadowAmount", amount}}));
        }
        // Flicker: the whole frame's exposure, a gain in linear light.
        if (r.b_Flicker())
            stage(Filter::named(
                "CIExposureAdjust",
                {{kImage, current_},
                 {"inputEV", float(projector::flickerStops(r.f_Flicker(), r.u_Seed(), place_))}}));
        return current_;
    }

private:
    void note(const Filter& f)
    {
        if (log_)
            log_->push_back({f.name(), f.givenInputs(), !f.madeWithValues()});
    }

    Image cropped(const Image& image, const Rect& rect)
    {
        if (log_)
            log_->push_back({"croppedTo",
                             {{"rect", Vector4{rect.x(), rect.y(), rect.width(), rect.height()}}},
                             false});
        return image.croppedTo(rect);
    }

    void stage(std::unique_ptr<Filter> filter)
    {
        note(*filter);
        current_ = cropped(filter->outputImage(), current_.extent());
    }

    std::unique_ptr<Filter> keyed(const char* name, std::initializer_list<Filter::Input> inputs)
    {
        auto filter = Filter::named(name);
        for (const Filter::Input& in : inputs)
            filter->setValue(in.first, in.second);
        note(*filter);
        return filter;
    }

    // A red-orange glow spread from the highlights of the frame as it was
    // exposed, added after the colour controls.
    void halation(const effects::Look& r)
    {
        float tint[3];
        projector::halationTint(r.f_Halation(), tint);
        if (log_)
            log_->push_back({"halation",
                             {{"strength", r.f_Halation()}, {"radius", r.f_Halation_Radius()}},
                             false});
        current_ = imagefilter::withGlow(current_,
                                         projector::halationGlow(source_, r.f_Halation_Radius(),
                                                                 r.b_Weave() ? &weave_ : nullptr,
                                                                 r.f_Weave()),
                                         tint[0], tint[1], tint[2]);
    }

    // The film stock's table over the graded colour. A file that cannot be
    // read now (the panel and the renderer refused bad ones up front) leaves
    // the stock out; it is logged once per change of the file.
    void filmStock(const effects::Look& r)
    {
        const stock::LoadedCube loaded = stock::loadCube(r.s_Stock());
        if (!loaded.cube) {
            if (loaded.read)
                std::fprintf(stderr, "oldreel: film stock %s left out: %s\n", r.s_Stock().c_str(),
                             loaded.error.c_str());
            return;
        }
        if (log_)
            log_->push_back({"filmStock", {{"strength", r.f_Stock_Strength()}}, false});
        current_ =
            imagefilter::withColourCube(current_, loaded.cube, r.f_Stock_Strength() / 100.0f);
    }

    // Grain: the noise tile at an offset drawn from the frame's seed, shown as
    // faint bright specks over the frame; scratches: the same noise stretched
    // into vertical streaks, turned into a dark mask and multiplied over.
    void grainAndScratches(float amount, const effects::Look& r)
    {
        const Image base = current_;
        const Image noise = keyed("CIRandomGenerator", {})->outputImage();
        const std::uint64_t seed = projector::frameSeed(r.u_Seed(), place_.number);
        const int tx = int(projector::uniformDraw(seed, 0) * 100000);
        const int ty = int(projector::uniformDraw(seed, 1) * 100000);
        if (log_)
            log_->push_back({"translate", {{"tx", tx}, {"ty", ty}}, false});
        const Image moved = noise.transformed(Affine::translation(tx, ty));

        // Fine specks stay one pixel each, whatever the frame's size: a
        // pixel's own noise value, so that they brighten a reduced frame as
        // much. Larger grains are the tile scaled with the picture's height.
        const double grainSize =
            projector::grainScaleFor(r.i_Grain_Size(), int(base.extent().height()));
        const Image grains =
            grainSize == 1.0 ? moved : moved.transformed(Affine::scale(grainSize, grainSize));
        const Image specks =
            keyed("CIColorMatrix", {{kImage, grains},
                                    {"inputRVector", Vector4{0, 1, 0, 0}},
                                    {"inputGVector", Vector4{0, 1, 0, 0}},
                                    {"inputBVector", Vector4{0, 1, 0, 0}},
                                    {"inputAVector", Vector4{0, double(amount), 0, 0}},
                                    {"inputBiasVector", Vector4{0, 0, 0, 0}}})
                ->outputImage();
        const Image speckled =
            keyed("CISourceOverCompositing", {{kImage, specks}, {kBackground, base}})
                ->outputImage();

        if (log_)
            log_->push_back({"scale", {{"sx", 1.5f}, {"sy", 25.0f}}, false});
        // On a reduced frame the streaks keep the full frame's size and place.
        const Image streaks =
            moved.transformed(Affine::scale(1.5 * place_.grainScale, 25.0 * place_.grainScale));
        const Image mask = keyed("CIColorMatrix", {{kImage, streaks},
                                                   {"inputRVector", Vector4{4, 0, 0, 0}},
                                                   {"inputGVector", Vector4{0, 0, 0, 0}},
                                                   {"inputBVector", Vector4{0, 0, 0, 0}},
                                                   {"inputAVector", Vector4{0, 0, 0, 0}},
                                                   {"inputBiasVector", Vector4{0, 1, 1, 1}}})
                               ->outputImage();
        const Image scratchMask = keyed("CIMinimumComponent", {{kImage, mask}})->outputImage();
        const Image scratched =
            keyed("CIMultiplyCompositing", {{kImage, scratchMask}, {kBackground, speckled}})
                ->outputImage();
        current_ = cropped(scratched, base.extent());
    }

    const imagefilter::Bitmap& source_;
    projector::Weave weave_;
    Image current_;
    std::vector<VintageStep>* log_;
    projector::FramePlace place_;
};

} // namespace

void renderVintage(const imagefilter::Bitmap& source, const effects::Look& record,
                   const projector::FramePlace& place, std::uint8_t* pixels, std::size_t rowBytes,
                   imagefilter::Context::ByteOrder order)
{
    if (source.isNull())
        return;
    const Image image = ChainBuilder(source, nullptr, place, record).build(record);
    imagefilter::Context context;
    context.setByteOrder(order);
    // The render writes every pixel of its rect; only a smaller extent leaves
    // some to clear.
    if (image.extent() != Rect::fromXYWH(0, 0, source.width, source.height)) {
        for (int y = 0; y < source.height; ++y)
            std::memset(pixels + std::size_t(y) * rowBytes, 0, std::size_t(source.width) * 4);
    }
    context.render(image, image.extent(), pixels, rowBytes);
    // The gate frames the finished picture; alpha is the last byte of each
    // pixel in both orders.
    if (record.i_Gate() != 0)
        projector::applyGate(pixels, source.width, source.height, rowBytes, record.i_Gate());
}

std::string VintageStep::describe() const
{
    std::string out = op + (keyByKey ? " [key by key]" : "");
    for (const auto& [key, value] : inputs)
        out += " " + key + "=" + value.toString();
    return out;
}

std::vector<VintageStep> vintageGraph(const effects::Look& record, int width, int height)
{
    imagefilter::Bitmap blank;
    blank.width = width;
    blank.height = height;
    blank.pixels.assign(std::size_t(width) * height * 4, 0);
    std::vector<VintageStep> steps;
    ChainBuilder(blank, &steps, {}, record).build(record);
    return steps;
}

std::string describeVintageGraph(const effects::Look& record, int width, int height)
{
    std::string out;
    for (const VintageStep& step : vintageGraph(record, width, height))
        out += step.describe() + "\n";
    return out;
}

} // namespace effects
