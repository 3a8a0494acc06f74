#include "MltRender.h"

#include "MltValues.h"
#include "engine/EngineRender.h"
#include "engine/ShiftTwins.h"

#include <atomic>
#include <climits>
#include <exception>
#include <functional>
#include <stdexcept>
#include <string>

namespace duovis::mlt {

namespace {

struct Bands {
    const std::function<void(int32_t)>* band;
    std::atomic<bool> failed{false};
};

int runSlice(int /*id*/, int index, int /*jobs*/, void* cookie) {
    // Called on MLT's worker threads: nothing may leave it.
    auto* bands = static_cast<Bands*>(cookie);
    try {
        (*bands->band)(index);
    } catch (...) {
        bands->failed = true;
    }
    return 0;
}

// The bands on MLT's shared slice pool; a band that failed fails the frame.
void runBandsOnSlices(int32_t count, const std::function<void(int32_t)>& band) {
    Bands bands{&band};
    mlt_slices_run_normal(count, runSlice, &bands);
    if (bands.failed) throw std::runtime_error("a band of the frame failed");
}

// One line for the user, once per service while it stays the same: a refused value would
// otherwise repeat on every frame. The frame itself fails, so MLT shows no image made from it.
void reportOnce(mlt_service service, const std::string& message) {
    mlt_properties props = MLT_SERVICE_PROPERTIES(service);
    const char* last = mlt_properties_get(props, "_duovis_reported");
    if (last && message == last) return;
    mlt_properties_set(props, "_duovis_reported", message.c_str());
    mlt_log_error(service, "duovis: %s\n", message.c_str());
}

// The frame's image as RGBA, asked for at `width` x `height`; null after logging why not.
uint8_t* fetchRgba(mlt_service service, mlt_frame frame, int* width, int* height, const char* which) {
    mlt_image_format format = mlt_image_rgba;
    uint8_t* image = nullptr;
    if (mlt_frame_get_image(frame, &image, &format, width, height, 0) || !image || format != mlt_image_rgba ||
        *width <= 0 || *height <= 0) {
        mlt_log_error(service, "duovis: the %s frame at %d has no RGBA image\n", which,
                      int(mlt_frame_get_position(frame)));
        return nullptr;
    }
    return image;
}

// The size to ask the eyes for so that the image fills the `width` x `height` frame MLT asked
// for: half of it where the display type puts two eyes side by side or one above the other,
// twice it where a full-size packed frame yields one eye's width or height.
void inputSizeFor(const ParamValues& v, int* width, int* height) {
    const engine::EngineSize out = engine::outputSize(v, *width, *height);
    if (out.width > 0 && out.width != *width) *width = int(int64_t(*width) * *width / out.width);
    if (out.height > 0 && out.height != *height) *height = int(int64_t(*height) * *height / out.height);
}

int renderInto(mlt_service service, mlt_frame left, ParamValues& v, const engine::EngineImage& first,
               const engine::EngineImage* second, int position, uint8_t** image, int* width, int* height) {
    engine::applyPixelShifts(v, uint32_t(first.width), uint32_t(first.height));
    const engine::EngineSize size = engine::outputSize(v, first.width, first.height);
    if (size.width <= 0 || size.height <= 0) {
        mlt_log_error(service, "duovis: a %dx%d frame leaves no image for this demux mode\n", first.width,
                      first.height);
        return 1;
    }
    // MLT counts an image's bytes in an int.
    const int64_t bytes = int64_t(size.width) * size.height * 4;
    auto* out = bytes <= INT_MAX ? static_cast<uint8_t*>(mlt_pool_alloc(int(bytes))) : nullptr;
    if (!out) {
        mlt_log_error(service, "duovis: no memory for a %dx%d frame\n", size.width, size.height);
        return 1;
    }
    try {
        const engine::EngineTarget target{out, size.width, size.height, int64_t(size.width) * 4};
        engine::renderFrame(v, engine::EnginePixels::Rgba8, first, second, target, position,
                            runBandsOnSlices);
    } catch (const std::exception& e) {
        mlt_pool_release(out);
        mlt_log_error(service, "duovis: frame %d: %s\n", position, e.what());
        return 1;
    }
    mlt_frame_set_image(left, out, int(bytes), mlt_pool_release);
    mlt_properties props = MLT_FRAME_PROPERTIES(left);
    mlt_properties_set_int(props, "width", size.width);
    mlt_properties_set_int(props, "height", size.height);
    *image = out;
    *width = size.width;
    *height = size.height;
    return 0;
}

}  // namespace

int renderOnFrame(mlt_service service, mlt_frame left, mlt_frame right, int position, int length,
                  uint8_t** image, int* width, int* height) {
    try {
        ParamValues v;
        const std::string refused = readValues(MLT_SERVICE_PROPERTIES(service), position, length, v);
        if (!refused.empty()) {
            reportOnce(service, refused);
            return 1;
        }
        if (*width > 0 && *height > 0) inputSizeFor(v, width, height);
        const int askedWidth = *width, askedHeight = *height;
        uint8_t* first = fetchRgba(service, left, width, height, "first");
        if (!first) return 1;
        const engine::EngineImage a{first, *width, *height, int64_t(*width) * 4};
        engine::EngineImage b;
        if (right) {
            int w = askedWidth, h = askedHeight;
            uint8_t* second = fetchRgba(service, right, &w, &h, "second");
            if (!second) return 1;
            b = engine::EngineImage{second, w, h, int64_t(w) * 4};
        }
        return renderInto(service, left, v, a, right ? &b : nullptr, position, image, width, height);
    } catch (...) {
        mlt_log_error(service, "duovis: frame %d could not be rendered\n", position);
        return 1;
    }
}

}  // namespace duovis::mlt
