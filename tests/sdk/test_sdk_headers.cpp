#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>

#include "sdk_layout_facts.h"

extern "C" {
extern const size_t sdk_c_layout_facts[];
extern const size_t sdk_c_layout_fact_count;
}

namespace duovis {
namespace {

struct Fact {
    const char* what;
    std::uint64_t actual;
    std::uint64_t expected;
};

// Values the host and the descriptor reader depend on bit for bit.
TEST(SdkHeaders, WireValuesMatchTheHost) {
    const Fact facts[] = {
        {"kind key", PiPL_KEY_KIND, 0x6B696E64u},
        {"vendor 8BIM", PiPL_VENDOR_CODE, 0x3842494Du},
        {"effect kind eFKT", PiPL_KIND_EFFECT, 0x65464B54u},
        {"resource type PiPL", PiPL_RESOURCE_TYPE, 0x5069504Cu},
        {"spec version 13.4", PiPL_SPEC_VERSION(PF_PLUG_IN_VERSION, PF_PLUG_IN_SUBVERS), 0x0004000Du},
        {"version 1.0 build 0", PiPL_EFFECT_VERSION(1, 0, 0, PiPL_STAGE_DEVELOP, 0), 0x80000u},
        {"version 1.0 build 1", PiPL_EFFECT_VERSION(1, 0, 0, PiPL_STAGE_DEVELOP, 1), 0x80001u},
        {"stage field", PiPL_EFFECT_VERSION(0, 0, 0, PiPL_STAGE_RELEASE, 0), 0x600u},
        {"appl id FXTC", PF_APPL_ID_AFTER_EFFECTS, PF_FOUR_CHAR_CODE('F', 'X', 'T', 'C')},
        {"appl id PrMr", PF_APPL_ID_PREMIERE, PF_FOUR_CHAR_CODE('P', 'r', 'M', 'r')},
        {"BGRA float fourcc", PrPixelFormat_BGRA_4444_32f, PrPixelFormat_FOURCC('B', 'g', 'r', 'a')},
        {"global out flags",
         PF_OutFlag_NON_PARAM_VARY | PF_OutFlag_USE_OUTPUT_EXTENT | PF_OutFlag_I_EXPAND_BUFFER |
             PF_OutFlag_I_SHRINK_BUFFER,
         0x1244u},
        {"supervised popup flags", PF_ParamFlag_SUPERVISE | PF_ParamFlag_CANNOT_TIME_VARY, 0x42u},
        {"render command", PF_Cmd_RENDER, 11u},
        {"event command", PF_Cmd_EVENT, 15u},
        {"bad callback param", PF_Err_BAD_CALLBACK_PARAM, 516u},
        {"missing suite", A_Err_MISSING_SUITE, 13u},
    };
    for (const Fact& f : facts) {
        EXPECT_EQ(f.actual, f.expected) << f.what;
    }
}

TEST(SdkHeaders, PixelChannelsLieInHostOrder) {
    EXPECT_EQ(sizeof(PF_Pixel), 4u);
    EXPECT_EQ(offsetof(PF_Pixel, alpha), 0u);
    EXPECT_EQ(offsetof(PF_Pixel, red), 1u);
    EXPECT_EQ(offsetof(PF_Pixel, green), 2u);
    EXPECT_EQ(offsetof(PF_Pixel, blue), 3u);
    EXPECT_EQ(sizeof(PF_Pixel_BGRA_32f), 16u);
    EXPECT_EQ(offsetof(PF_Pixel_BGRA_32f, blue), 0u);
    EXPECT_EQ(offsetof(PF_Pixel_BGRA_32f, alpha), 12u);
    EXPECT_EQ(sizeof(PF_ParamDef::name), PF_MAX_EFFECT_PARAM_NAME_LEN + 1u);
}

// A plug-in compiled as C++ and a host compiled as C must see the same records.
TEST(SdkHeaders, CAndCxxAgreeOnLayout) {
#define SDK_AS_FACT(expr) {#expr, static_cast<std::uint64_t>(expr), 0},
    Fact cxx[] = {SDK_LAYOUT_FACTS(SDK_AS_FACT)};
#undef SDK_AS_FACT
    ASSERT_EQ(sdk_c_layout_fact_count, sizeof(cxx) / sizeof(cxx[0]));
    for (std::size_t i = 0; i < sdk_c_layout_fact_count; ++i) {
        EXPECT_EQ(cxx[i].actual, sdk_c_layout_facts[i]) << cxx[i].what;
    }
}

}  // namespace
}  // namespace duovis
