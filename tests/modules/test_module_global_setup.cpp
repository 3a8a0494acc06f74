// Global set-up in both hosts: version, flags, the editing host's pixel format, suite use.
#include "ModuleFixture.h"

namespace duovis::moduletest {
namespace {

struct GlobalCase {
    const char* label;
    const Deliverable* module;
    HostApp app;
    std::vector<PrPixelFormat> formats;
    std::vector<std::string> suiteLog;
};

void PrintTo(const GlobalCase& c, std::ostream* os) {
    *os << c.label;
}

const std::vector<std::string> kPremiereLog = {"acquire PF Pixel Format Suite 1",
                                               "acquire PF Utility Suite 4", "release PF Utility Suite 4",
                                               "release PF Pixel Format Suite 1"};

class ModuleGlobalSetup : public ::testing::TestWithParam<GlobalCase> {};

TEST_P(ModuleGlobalSetup, ReportsVersionFlagsAndFormats) {
    const GlobalCase& c = GetParam();
    SKIP_UNLESS_BUILT(*c.module);
    Session s(*c.module, c.app);
    ASSERT_EQ(s.fx.globalSetup(), PF_Err_NONE);
    const PF_OutData& out = s.fx.outData();
    EXPECT_EQ(out.my_version, c.module->version);
    EXPECT_EQ(out.out_flags & 0x1244, 0x1244);
    EXPECT_EQ(out.out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE, 0);
    EXPECT_EQ(out.out_flags2 & 0x100, 0x100);
    EXPECT_EQ(out.out_flags2 & PF_OutFlag2_I_AM_THREADSAFE, 0);
    EXPECT_EQ(out.global_data, nullptr);
    EXPECT_EQ(s.fx.suites().pixelFormats(), c.formats);
    if (!c.formats.empty()) {
        EXPECT_GE(s.fx.suites().pixelFormatClears(), 1);
        EXPECT_TRUE(s.fx.suites().wantsMatchingPixelFormat());
    }
    EXPECT_EQ(s.fx.suites().log(), c.suiteLog);
    EXPECT_TRUE(s.fx.suites().outstanding().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Hosts, ModuleGlobalSetup,
    ::testing::Values(GlobalCase{"X_AfterEffects", &kDuovisX, HostApp::AfterEffects, {}, {}},
                      GlobalCase{"X_Premiere", &kDuovisX, HostApp::Premiere, {0x61726742}, kPremiereLog},
                      GlobalCase{"Plain_AfterEffects", &kDuovis, HostApp::AfterEffects, {}, {}},
                      GlobalCase{"Plain_Premiere", &kDuovis, HostApp::Premiere, {}, {}}),
    [](const auto& tp) { return std::string(tp.param.label); });

struct RefusalCase {
    const char* label;
    const char* suite;
};

void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.label;
}

class ModuleSuiteRefusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(ModuleSuiteRefusal, PremiereGlobalSetupFailsWithMissingSuite) {
    SKIP_UNLESS_BUILT(kDuovisX);
    Session s(kDuovisX, HostApp::Premiere);
    s.fx.faults().refusedSuites.insert(GetParam().suite);
    EXPECT_EQ(s.fx.globalSetup(), A_Err_MISSING_SUITE);
    EXPECT_NE(s.fx.outData().out_flags & PF_OutFlag_DISPLAY_ERROR_MESSAGE, 0);
    EXPECT_STREQ(s.fx.outData().return_msg, "Not able to acquire AEFX Suite.");
    EXPECT_TRUE(s.fx.suites().outstanding().empty()) << "a suite acquired before the refusal stayed held";
}

INSTANTIATE_TEST_SUITE_P(Suites, ModuleSuiteRefusal,
                         ::testing::Values(RefusalCase{"PixelFormat", "PF Pixel Format Suite"},
                                           RefusalCase{"Utility", "PF Utility Suite"}),
                         [](const auto& tp) { return std::string(tp.param.label); });

}  // namespace
}  // namespace duovis::moduletest
