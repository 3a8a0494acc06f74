// The host's own semantics that the module tests rely on.
#include <gtest/gtest.h>

#include "EffectInstance.h"
#include "HandleArena.h"
#include "ParamStore.h"
#include "SuiteHost.h"
#include "WorkerPool.h"
#include "World.h"

#include <atomic>
#include <set>
#include <vector>

namespace duovis::refhost {
namespace {

struct WorldCase {
    PixelFormat format;
    int width, padding, rowbytes;
};

class RefhostWorld : public ::testing::TestWithParam<WorldCase> {};

TEST_P(RefhostWorld, RowbytesIncludePaddingAndViewAddressesTopLeft) {
    const WorldCase& c = GetParam();
    World world(c.width, 3, c.format, c.padding);
    EXPECT_EQ(world.rowbytes(), c.rowbytes);
    PF_LayerDef* def = world.def();
    EXPECT_EQ(def->rowbytes, c.rowbytes);
    EXPECT_EQ(def->data, world.pixelBytes(0, 0));
    EXPECT_EQ(world.pixelBytes(0, 2) - world.pixelBytes(0, 0), 2 * c.rowbytes);
    World copy = world;
    EXPECT_NE(copy.def()->data, def->data) << "a copied world must own its pixels";
}

// Handed-over pixels come in packed rows whatever the padding, and the world keeps none.
TEST_P(RefhostWorld, TakenPixelsArePackedRows) {
    const WorldCase& c = GetParam();
    World world(c.width, 3, c.format, c.padding);
    const int pixel = bytesPerPixel(c.format);
    for (int y = 0; y < 3; ++y)
        for (int b = 0; b < c.width * pixel; ++b)
            world.pixelBytes(0, y)[b] = static_cast<std::uint8_t>(y * 100 + b);
    const std::vector<std::uint8_t> pixels = world.takePixels();
    ASSERT_EQ(pixels.size(), static_cast<std::size_t>(3 * c.width * pixel));
    for (int y = 0; y < 3; ++y)
        for (int b = 0; b < c.width * pixel; ++b)
            ASSERT_EQ(pixels[static_cast<std::size_t>(y * c.width * pixel + b)],
                      static_cast<std::uint8_t>(y * 100 + b))
                << "row " << y << " byte " << b;
    EXPECT_TRUE(world.empty());
    EXPECT_EQ(world.width(), 0);
}

INSTANTIATE_TEST_SUITE_P(Formats, RefhostWorld,
                         ::testing::Values(WorldCase{PixelFormat::Argb8, 5, 0, 20},
                                           WorldCase{PixelFormat::Argb8, 5, 12, 32},
                                           WorldCase{PixelFormat::Bgra32f, 5, 0, 80},
                                           WorldCase{PixelFormat::Bgra32f, 5, 4, 84}));

TEST(RefhostParams, PopupsCountFromOneAndSlidersKeepTheirValidRange) {
    ParamStore store;
    PF_ParamDef popup{};
    popup.param_type = PF_Param_POPUP;
    popup.u.pd = PF_PopupDef{1, 3, 1, "a|b|c"};
    PF_ParamDef slider{};
    slider.param_type = PF_Param_FLOAT_SLIDER;
    slider.u.fs_d.valid_min = -2.0f;
    slider.u.fs_d.valid_max = 2.0f;
    store.append(popup);
    store.append(slider);
    for (A_long bad : {0, 4}) EXPECT_THROW(store.setPopup(1, bad), std::invalid_argument);
    store.setPopup(1, 3);
    EXPECT_EQ(store.popup(1), 3);
    EXPECT_THROW(store.setFloat(2, 2.5), std::invalid_argument);
    EXPECT_THROW(store.setCheckbox(1, true), std::invalid_argument);
    EXPECT_STREQ(store.at(1).u.pd.namesptr, "a|b|c");
    EXPECT_NE(store.at(1).u.pd.namesptr, popup.u.pd.namesptr) << "the host keeps its own copy of the text";
}

TEST(RefhostHandles, StrayAndRepeatedDisposalsAreCountedNotFatal) {
    const int live = handles::liveCount();
    const int bad = handles::badDisposeCount();
    PF_Handle h = handles::create(8);
    EXPECT_EQ(handles::size(h), 8u);
    EXPECT_EQ(handles::lock(h), *h);
    handles::unlock(h);
    handles::dispose(h);
    handles::dispose(h);
    EXPECT_EQ(handles::liveCount(), live);
    EXPECT_EQ(handles::badDisposeCount(), bad + 1);
    PF_Handle empty = handles::create(0);
    EXPECT_EQ(handles::lock(empty), nullptr) << "an empty handle has no block to lock";
    handles::dispose(empty);
}

TEST(RefhostSuites, RefusalsAndUnmatchedReleasesShowInTheBalance) {
    Faults faults;
    faults.refusedSuites.insert(kPFUtilitySuite);
    SuiteHost host(faults);
    SuiteHost::ScopedCurrent current(host);
    SPBasicSuite* basic = host.basicSuite();
    const void* table = nullptr;
    EXPECT_EQ(basic->AcquireSuite(kPFUtilitySuite, 4, &table), kSPSuiteNotFoundError);
    EXPECT_EQ(table, nullptr);
    EXPECT_EQ(basic->AcquireSuite(kPFHandleSuite, 1, &table), kSPSuiteNotFoundError) << "wrong version";
    EXPECT_EQ(basic->AcquireSuite(kPFHandleSuite, 2, &table), kSPNoError);
    EXPECT_NE(table, nullptr);
    EXPECT_EQ(host.outstanding().size(), 1u);
    EXPECT_EQ(basic->ReleaseSuite(kPFHandleSuite, 2), kSPNoError);
    EXPECT_TRUE(host.outstanding().empty());
    EXPECT_NE(basic->ReleaseSuite(kPFHandleSuite, 2), kSPNoError);
    EXPECT_FALSE(host.outstanding().empty());
}

// The worlds each host gives an effect, by the pixel formats it registered.
TEST(RefhostPixelFormat, EachEffectGetsOnlyWhatItRegistered) {
    const PrPixelFormat floatBgra = PrPixelFormat_BGRA_4444_32f,
                        other = PrPixelFormat_FOURCC('b', 'g', 'r', 'a');
    const struct {
        HostApp app;
        std::vector<PrPixelFormat> registered;
        std::optional<PixelFormat> served;
    } cases[] = {
        {HostApp::AfterEffects, {}, PixelFormat::Argb8},
        {HostApp::AfterEffects, {floatBgra}, PixelFormat::Argb8},
        {HostApp::Premiere, {}, PixelFormat::Argb8},
        {HostApp::Premiere, {floatBgra}, PixelFormat::Bgra32f},
        {HostApp::Premiere, {other, floatBgra}, PixelFormat::Bgra32f},
        {HostApp::Premiere, {other}, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(servedPixelFormat(c.app, c.registered), c.served) << c.registered.size();
}

struct PoolCase {
    int threads;
    A_long count;
    bool backwards;
    std::set<A_long> failing;  // iterations that report an error (their index + 1)
};

class RefhostWorkerPool : public ::testing::TestWithParam<PoolCase> {};

TEST_P(RefhostWorkerPool, RunsEachIterationOnceAndReportsAFailure) {
    const PoolCase& c = GetParam();
    WorkerPool pool(c.threads);
    for (int job = 0; job < 3; ++job) {  // the pool's threads serve one job after another
        std::vector<std::atomic<int>> runs(static_cast<std::size_t>(c.count));
        std::atomic<bool> threadInRange{true};
        const PF_Err err = pool.run(
            c.count,
            [&](A_long thread, A_long i) {
                if (thread < 0 || thread >= c.threads) threadInRange = false;
                ++runs[static_cast<std::size_t>(i)];
                return c.failing.count(i) != 0 ? static_cast<PF_Err>(i + 1) : PF_Err_NONE;
            },
            c.backwards);
        EXPECT_TRUE(threadInRange);
        int total = 0;
        for (const auto& n : runs) {
            EXPECT_LE(n.load(), 1);
            total += n.load();
        }
        if (c.failing.empty()) {
            EXPECT_EQ(err, PF_Err_NONE);
            EXPECT_EQ(total, c.count);
        } else if (c.threads == 1) {
            // Alone, the pool stops at the first failure in its order.
            EXPECT_EQ(err, c.backwards ? *c.failing.rbegin() + 1 : *c.failing.begin() + 1);
        } else {
            EXPECT_TRUE(c.failing.count(err - 1) != 0) << "error " << err;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Jobs, RefhostWorkerPool,
                         ::testing::Values(PoolCase{1, 5, false, {}}, PoolCase{4, 1000, false, {}},
                                           PoolCase{7, 3, true, {}}, PoolCase{3, 0, false, {}},
                                           PoolCase{1, 9, false, {4, 6}}, PoolCase{1, 9, true, {4, 6}},
                                           PoolCase{4, 200, false, {50, 120}}));

}  // namespace
}  // namespace duovis::refhost
