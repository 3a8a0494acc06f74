// The CPU render shared out over the host's worker threads: whatever the thread count and the
// order the host runs the bands in, the output is the one a single pass gives; a host without
// the service gets that single pass, and the service's error reaches the host.
#include "ModuleFixture.h"
#include "core/params/ParamId.h"

namespace duovis::moduletest {
namespace {

struct ThreadCase {
    std::string label;
    A_long display;  // 1-based, as the host stores it
    int width, height;
    bool shared;  // the render hands bands to the host; else one pass
    A_long primaryDemux = 1;
    bool swapAndLens = false;
    bool rotatedAndKeystoned = false;
};

void PrintTo(const ThreadCase& c, std::ostream* os) {
    *os << c.label;
}

// Large enough for several bands; odd sizes give the squeezes a shared middle column or row.
// An odd grid in the top-bottom squeeze has no split that keeps every store's winner.
const ThreadCase kCases[] = {
    {"sbs_half_odd", 3, 1031, 263, true},
    {"tb_half_even", 5, 1024, 250, true},
    {"tb_half_odd", 5, 1031, 263, false},
    {"tb_half_odd_swapped_lens", 5, 1029, 261, false, 1, true},
    {"tb_half_from_sbs_primary", 5, 2051, 262, true, 4},
    {"interlaced_rotated", 7, 1031, 263, true, 1, false, true},
    {"anaglyph_from_sbs_half", 8, 1031, 263, true, 2},
    {"checkerboard_keystoned_lens", 13, 1031, 262, true, 1, true, true},
};

// A host's way of running the service: thread count, and bands handed out last first.
struct HostThreads {
    int threads;
    bool backwards;
};
const HostThreads kHostThreads[] = {{1, false}, {2, false}, {3, false}, {7, false}, {1, true}, {3, true}};

struct ThreadSession : Session {
    ThreadSession(const Deliverable& d, HostApp app, const ThreadCase& c) : Session(d, app) {
        EXPECT_EQ(fx.globalSetup(), PF_Err_NONE);
        const auto frame = [&](int seed) {
            return fx.pixelFormat() == PixelFormat::Argb8 ? patternArgb(c.width, c.height, seed, 8)
                                                          : patternBgra(c.width, c.height, seed);
        };
        left = Layer::still(frame(1));
        right = Layer::still(frame(90));
        fx.setInput(left);
        EXPECT_EQ(fx.paramsSetup(), PF_Err_NONE);
        EXPECT_EQ(fx.sequenceSetup(), PF_Err_NONE);
        fx.chooseLayer(SECONDARY_LAYER, &right);
        refhost::ParamStore& p = fx.params();
        p.setPopup(DISPLAY_TYPE, c.display);
        p.setPopup(PRIMARY_DEMUX_MODE, c.primaryDemux);
        if (c.swapAndLens) {
            p.setCheckbox(SWAP_LR, true);
            p.setCheckbox(LG_ENABLE, true);
        }
        if (c.rotatedAndKeystoned) {
            p.setFloat(ROTATE_B, 3.0);
            p.setFloat(HKEYSTONE_L, 7.5);
            p.setCheckbox(AUTO_CROP, true);
            p.setPopup(AUTO_SCALE, 2);  // scale to fit
        }
    }
    World renderWith(int threads, bool backwards) {
        fx.setWorkerThreads(threads);
        fx.faults().iterateBackwards = backwards;
        EXPECT_EQ(fx.renderFrame(), PF_Err_NONE);
        return fx.output();
    }
    Layer left, right;
};

class ModuleThreads : public ::testing::TestWithParam<std::tuple<Deliverable, ThreadCase>> {};

TEST_P(ModuleThreads, EveryThreadCountGivesTheSinglePassBytes) {
    const auto& [module, c] = GetParam();
    SKIP_UNLESS_BUILT(module);
    for (HostApp app : {HostApp::AfterEffects, HostApp::Premiere}) {
        SCOPED_TRACE(app == HostApp::AfterEffects ? "compositing host" : "editing host");
        ThreadSession s(module, app, c);
        // Without the service the render makes one pass over the grid itself.
        s.fx.faults().noIterateService = true;
        const World single = s.renderWith(1, false);
        EXPECT_EQ(s.fx.calls().iterateCalls, 0);
        s.fx.faults().noIterateService = false;
        for (const HostThreads& h : kHostThreads) {
            SCOPED_TRACE(std::to_string(h.threads) +
                         (h.backwards ? " threads, bands last first" : " threads"));
            const World banded = s.renderWith(h.threads, h.backwards);
            EXPECT_EQ(s.fx.calls().iterateCalls, c.shared ? 1 : 0);
            EXPECT_EQ(s.fx.calls().lastIterations > 1, c.shared);
            EXPECT_TRUE(banded.samePixels(single));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Frames, ModuleThreads, forBothModules(kCases), ModuleRowName<&ThreadCase::label>{});

class ModuleThreadService : public ::testing::TestWithParam<Deliverable> {};

TEST_P(ModuleThreadService, SmallFramesAndServiceErrors) {
    SKIP_UNLESS_BUILT(GetParam());
    {
        // A small frame costs less in one pass than handed out.
        ThreadSession s(GetParam(), HostApp::AfterEffects, ThreadCase{"small", 8, 64, 40, false});
        s.renderWith(2, false);
        EXPECT_EQ(s.fx.calls().iterateCalls, 0);
    }
    const ThreadCase big{"big", 5, 1031, 262, true};
    const PF_Err kInjected = PF_Err_INTERNAL_STRUCT_DAMAGED;
    for (const HostThreads& h : kHostThreads) {
        // A host that stops part way reports its error; the secondary layer still goes back.
        ThreadSession s(GetParam(), HostApp::AfterEffects, big);
        s.fx.setWorkerThreads(h.threads);
        s.fx.faults().iterateBackwards = h.backwards;
        s.fx.faults().interruptIterationAt = 2;
        s.fx.faults().iterateError = kInjected;
        EXPECT_EQ(s.fx.renderFrame(), kInjected) << h.threads << " threads";
        EXPECT_EQ(s.fx.calls().checkins, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(Modules, ModuleThreadService, ::testing::Values(kDuovisX, kDuovis),
                         [](const auto& tp) { return std::string(tp.param.name); });

}  // namespace
}  // namespace duovis::moduletest
