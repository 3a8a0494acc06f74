// One frame through the engine adapter: the engines' layouts, the output size and the bands.
#include "core/params/Codes.h"
#include "engine/EngineRender.h"
#include "engine/PixelConvert.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

namespace duovis::engine {
namespace {

struct Frame {
    int32_t width, height, channelBytes;
    std::vector<uint8_t> bytes;
    Frame(int32_t w, int32_t h, EnginePixels p, uint32_t seed)
        : width(w),
          height(h),
          channelBytes(p == EnginePixels::Rgba8 ? 1 : 2),
          bytes(size_t(w) * h * 4 * channelBytes) {
        std::mt19937 gen(seed);
        for (uint8_t& b : bytes) b = uint8_t(gen());
    }
    int64_t stride() const { return int64_t(width) * 4 * channelBytes; }
    EngineImage image() const { return EngineImage{bytes.data(), width, height, stride()}; }
    EngineTarget target() { return EngineTarget{bytes.data(), width, height, stride()}; }
};

ParamValues withDisplay(int popup) {
    ParamValues v = ParamValues::defaults();
    v[DISPLAY_TYPE] = popup;
    return v;
}

// The engine's bands last to first, each on a thread of its own.
void runBandsInReverseOnThreads(int32_t count, const std::function<void(int32_t)>& band) {
    std::vector<std::thread> threads;
    for (int32_t i = count - 1; i >= 0; --i) threads.emplace_back([&band, i] { band(i); });
    for (std::thread& t : threads) t.join();
}

Frame render(const ParamValues& v, EnginePixels p, const Frame& left, const Frame* right,
             const BandRunner& run) {
    const EngineSize size = outputSize(v, left.width, left.height);
    Frame out(size.width, size.height, p, 7);
    const EngineImage second = right ? right->image() : EngineImage{};
    renderFrame(v, p, left.image(), right ? &second : nullptr, out.target(), 30, run);
    return out;
}

TEST(EngineRender, PixelsDoNotDependOnHowTheBandsRun) {
    for (EnginePixels p : {EnginePixels::Rgba8, EnginePixels::Rgba64}) {
        const Frame left(320, 241, p, 1), right(320, 241, p, 2);
        for (int popup = 1; popup <= kDisplayTypeCount; ++popup) {
            ParamValues v = withDisplay(popup);
            v[VSHIFT_PCT_R] = 3.5;
            v[ROTATE_L] = 2;
            const Frame one = render(v, p, left, &right, runBandsInline);
            const Frame many = render(v, p, left, &right, runBandsInReverseOnThreads);
            EXPECT_EQ(one.bytes, many.bytes) << kDisplayTypes[popup - 1].name;
        }
    }
}

TEST(EngineRender, OneEyeUnchangedComesBackInTheEnginesChannelOrder) {
    // "Left" and "Right" with no adjustment copy one eye: any slip in the channel order shows.
    for (EnginePixels p : {EnginePixels::Rgba8, EnginePixels::Rgba64}) {
        const Frame left(64, 48, p, 3), right(64, 48, p, 4);
        EXPECT_EQ(render(withDisplay(1), p, left, &right, runBandsInline).bytes, left.bytes);
        EXPECT_EQ(render(withDisplay(2), p, left, &right, runBandsInline).bytes, right.bytes);
    }
}

struct SizeCase {
    int displayPopup, demuxPopup;
    int32_t width, height;  // of the output, from a 64 x 48 frame
};

TEST(EngineRender, OutputSizeFollowsTheDisplayTypeAndDemux) {
    const SizeCase cases[] = {
        {3, 1, 64, 48},   // side-by-side 50 %
        {4, 1, 128, 48},  // side-by-side 100 %: twice as wide
        {6, 1, 64, 96},   // top-bottom 100 %: twice as high
        {4, 4, 64, 48},   // a full-size side-by-side frame in, the same out
        {8, 4, 32, 48},   // ... or one eye's width as an anaglyph
        {6, 5, 64, 48},   // a full-size top-bottom frame in, the same out
    };
    for (const SizeCase& c : cases) {
        ParamValues v = withDisplay(c.displayPopup);
        v[PRIMARY_DEMUX_MODE] = c.demuxPopup;
        const EngineSize got = outputSize(v, 64, 48);
        EXPECT_EQ(got.width, c.width) << c.displayPopup << "/" << c.demuxPopup;
        EXPECT_EQ(got.height, c.height) << c.displayPopup << "/" << c.demuxPopup;
    }
}

TEST(EngineRender, ALargerTargetGetsTheImageCentredAndASmallerOneIsRefused) {
    const EnginePixels p = EnginePixels::Rgba8;
    const Frame left(16, 8, p, 5);
    Frame big(20, 12, p, 6);
    const std::vector<uint8_t> before = big.bytes;
    renderFrame(withDisplay(1), p, left.image(), nullptr, big.target(), 0, runBandsInline);
    for (int32_t y = 0; y < big.height; ++y) {
        for (int32_t x = 0; x < big.width; ++x) {
            const bool inside = x >= 2 && x < 18 && y >= 2 && y < 10;
            const size_t at = (size_t(y) * big.width + x) * 4;
            const uint8_t* want =
                inside ? &left.bytes[(size_t(y - 2) * left.width + (x - 2)) * 4] : &before[at];
            ASSERT_EQ(std::memcmp(&big.bytes[at], want, 4), 0) << x << "," << y;
        }
    }
    Frame small(16, 8, p, 6);
    EXPECT_THROW(renderFrame(withDisplay(4), p, left.image(), nullptr, small.target(), 0, runBandsInline),
                 std::invalid_argument);
    EXPECT_THROW(renderFrame(withDisplay(1), p, EngineImage{}, nullptr, small.target(), 0, runBandsInline),
                 std::invalid_argument);
    EngineImage shortRows = left.image();
    shortRows.stride = 16;
    EXPECT_THROW(renderFrame(withDisplay(1), p, shortRows, nullptr, small.target(), 0, runBandsInline),
                 std::invalid_argument);
}

TEST(EngineRender, FloatChannelsComeBackAs16BitsClampedAndRoundedHalfUp) {
    // What the float render may leave beyond 0..1 (and NaN) must not wrap around.
    const struct {
        float value;
        uint16_t want;
    } cases[] = {
        {0.0f, 0},
        {-1.0f, 0},
        {NAN, 0},
        {1.0f, 65535},
        {2.0f, 65535},
        {INFINITY, 65535},
        {0.5f / 65535.0f, 1},
        {0.49f / 65535.0f, 0},
        {1000.0f / 65535.0f, 1000},
    };
    for (const auto& c : cases) EXPECT_EQ(channel16(c.value), c.want) << c.value;
}

}  // namespace
}  // namespace duovis::engine
