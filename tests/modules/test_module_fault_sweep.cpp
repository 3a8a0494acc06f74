// Every host service the modules call fails in turn, over a whole life of one instance:
// global set-up, parameter set-up, sequence set-up, frame set-up, render, flatten and the
// set-downs. Whichever call fails, the module must answer with a host error code (or carry
// on), leave the output world as it was or fully rendered, and give back every handle and
// suite it took.
#include "ModuleFixture.h"

#include <optional>
#include <set>

namespace duovis::moduletest {
namespace {

constexpr int kW = 12;
constexpr int kH = 8;
// Distinct from what the modules return of their own accord, so a pass-through shows.
constexpr PF_Err kInjected = PF_Err_INTERNAL_STRUCT_DAMAGED;

struct SweepCase {
    Deliverable module;
    HostApp app;
    A_long display;
    int outputShrink;  // a granted output this much smaller sends the render down its copy path
};

void PrintTo(const SweepCase& c, std::ostream* os) {
    *os << c.module.name << (c.app == HostApp::AfterEffects ? " ae" : " premiere") << " display " << c.display
        << (c.outputShrink ? " shrunk output" : "");
}

World pattern(PixelFormat format, int seed) {
    return format == PixelFormat::Argb8 ? patternArgb(kW, kH, seed) : patternBgra(kW, kH, seed);
}

void fillSentinel(World& world) {
    if (world.format() == PixelFormat::Argb8) {
        world.fillArgb(PF_Pixel8{7, 11, 13, 17});
    } else {
        world.fillBgra(PF_Pixel_BGRA_32f{-3.0f, 5.0f, -7.0f, 9.0f});
    }
}

bool isHostErrorCode(PF_Err err) {
    static const std::set<PF_Err> kCodes = {PF_Err_OUT_OF_MEMORY,    PF_Err_INTERNAL_STRUCT_DAMAGED,
                                            PF_Err_INVALID_INDEX,    PF_Err_UNRECOGNIZED_PARAM_TYPE,
                                            PF_Err_INVALID_CALLBACK, PF_Err_BAD_CALLBACK_PARAM,
                                            A_Err_MISSING_SUITE};
    return kCodes.count(err) > 0;
}

// What one life of an instance did.
struct Life {
    std::vector<std::pair<std::string, PF_Err>> results;  // each command in host order
    // What global set-up told the host about pixel formats, when it succeeded.
    std::optional<std::pair<std::vector<PrPixelFormat>, bool>> formats;
    std::optional<PF_Err> renderResult;
    World beforeRender;
    World afterRender;
    int serviceCalls = 0;
    std::string failedService;
    int leakedHandles = 0;  // live handles neither the host nor anyone else holds
    bool suitesBalanced = true;
};

// A host's life of one instance with the Nth service call failing (0: none). Set-up stops at
// the first failure; the host then tears down what was set up and unloads (global set-down).
// Without `withSecondary` no layer is chosen as the secondary layer.
Life live(const Module& module, const SweepCase& c, int failAt, bool withSecondary = true) {
    Life life;
    const int handlesBefore = refhost::handles::liveCount();
    {
        EffectInstance fx(module, c.app);
        fx.faults().failServiceCallAt = failAt;
        fx.faults().serviceError = kInjected;
        fx.faults().outputShrinkX = c.outputShrink;
        const auto step = [&](const char* name, PF_Err err) {
            life.results.emplace_back(name, err);
            return err == PF_Err_NONE;
        };
        const bool global = step("global set-up", fx.globalSetup());
        if (global) life.formats.emplace(fx.suites().pixelFormats(), fx.suites().wantsMatchingPixelFormat());
        // The layers come in the worlds the host gives this module once it is set up.
        fx.setInput(Layer::still(pattern(fx.pixelFormat(), 1)));
        Layer right = Layer::still(pattern(fx.pixelFormat(), 90));
        if (global && step("params set-up", fx.paramsSetup())) {
            fx.chooseLayer(kSecondaryLayer, withSecondary ? &right : nullptr);
            fx.params().setPopup(kDisplayType, c.display);
            if (step("sequence set-up", fx.sequenceSetup())) {
                if (step("frame set-up", fx.frameSetup())) {
                    fillSentinel(fx.output());
                    life.beforeRender = fx.output();
                    life.renderResult = fx.render();
                    life.results.emplace_back("render", *life.renderResult);
                    life.afterRender = fx.output();
                }
                step("sequence flatten", fx.sequenceFlatten());
                step("sequence set-down", fx.sequenceSetdown());
            }
        }
        step("global set-down", fx.globalSetdown());
        life.serviceCalls = fx.faults().serviceCalls();
        life.failedService = fx.faults().failedService();
        const bool hostHolds = refhost::handles::isLive(fx.sequenceData());
        life.leakedHandles = refhost::handles::liveCount() - handlesBefore - (hostHolds ? 1 : 0);
        life.suitesBalanced = fx.suites().outstanding().empty();
    }
    return life;
}

class ModuleFaultSweep : public ::testing::TestWithParam<SweepCase> {};

TEST_P(ModuleFaultSweep, EveryFailedServiceCallIsAnsweredCleanly) {
    const SweepCase& c = GetParam();
    SKIP_UNLESS_BUILT(c.module);
    const Module module(c.module.path);
    const Life clean = live(module, c, 0);
    for (const auto& [command, err] : clean.results) ASSERT_EQ(err, PF_Err_NONE) << command;
    ASSERT_TRUE(clean.renderResult.has_value());
    ASSERT_FALSE(clean.afterRender.samePixels(clean.beforeRender)) << "the clean render wrote nothing";
    ASSERT_GT(clean.serviceCalls, 0);
    // A render whose secondary check-out fails still draws the frame, with no secondary pixels.
    const Life noSecondary = live(module, c, 0, false);

    for (int n = 1; n <= clean.serviceCalls; ++n) {
        const Life life = live(module, c, n);
        SCOPED_TRACE("call " + std::to_string(n) + " of " + std::to_string(clean.serviceCalls) + " (" +
                     life.failedService + ") failed");
        ASSERT_FALSE(life.failedService.empty()) << "the sequence of calls is not the clean run's";
        for (const auto& [command, err] : life.results)
            EXPECT_TRUE(err == PF_Err_NONE || isHostErrorCode(err)) << command << " returned " << err;
        // A global set-up that succeeded registered what the clean one did, or the host could
        // hand the render worlds it cannot read.
        if (life.formats) {
            EXPECT_EQ(*life.formats, *clean.formats) << "global set-up succeeded without its pixel formats";
        }
        if (life.renderResult) {
            const bool whole = life.afterRender.samePixels(clean.afterRender);
            const bool untouched = life.afterRender.samePixels(life.beforeRender);
            if (*life.renderResult == PF_Err_NONE) {
                EXPECT_TRUE(whole) << "the render reported success with a different picture";
            } else {
                const bool withoutSecondary = life.afterRender.samePixels(noSecondary.afterRender);
                EXPECT_TRUE(whole || untouched || withoutSecondary)
                    << "a failed render left a partial picture";
            }
        }
        EXPECT_EQ(life.leakedHandles, 0);
        // A refused release leaves the suite with the module as far as the host knows.
        if (life.failedService != "ReleaseSuite") {
            EXPECT_TRUE(life.suitesBalanced);
        }
    }
}

const SweepCase kSweepCases[] = {
    {kDuovisX, HostApp::AfterEffects, kSbs100, 0}, {kDuovisX, HostApp::AfterEffects, kLeft, 3},
    {kDuovisX, HostApp::Premiere, kAnaglyph, 0},   {kDuovisX, HostApp::Premiere, kLeft, 3},
    {kDuovis, HostApp::AfterEffects, kSbs100, 0},  {kDuovis, HostApp::AfterEffects, kLeft, 3},
    {kDuovis, HostApp::Premiere, kAnaglyph, 0},    {kDuovis, HostApp::Premiere, kLeft, 3},
};

std::string sweepName(const ::testing::TestParamInfo<SweepCase>& tp) {
    const SweepCase& c = tp.param;
    return std::string(c.module.name) + (c.app == HostApp::AfterEffects ? "_ae" : "_premiere") +
           (c.outputShrink ? "_copy_path" : "_display_" + std::to_string(c.display));
}

INSTANTIATE_TEST_SUITE_P(Lives, ModuleFaultSweep, ::testing::ValuesIn(kSweepCases), sweepName);

}  // namespace
}  // namespace duovis::moduletest
