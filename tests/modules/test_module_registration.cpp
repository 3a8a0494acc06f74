// Parameter registration in both hosts, checked against the list's kinds and flag rules.
#include "ModuleFixture.h"

namespace duovis::moduletest {
namespace {

// Kinds of positions 1 to 70 and 143 to 146; the twelve families between are "GBFFFE" each.
// G group start, E group end, B button, P popup, C checkbox, F float slider, L layer choice,
// K position 14 (color or arbitrary data by host).
constexpr char kHead[] = "GBEBPGCFFFPEBKGPPEGLPPFEGCCCEGCCPEGCCCCEGBGFFFFEGFFFFEGFFFFECEGBGBFFFE";
constexpr char kTail[] = "FEBB";
constexpr int kFirstFamily = 71;
constexpr int kFamilies = 12;

char kindAt(int pos) {
    if (pos <= 70) return kHead[pos - 1];
    if (pos < kFirstFamily + 6 * kFamilies) return "GBFFFE"[(pos - kFirstFamily) % 6];
    return kTail[pos - 143];
}

bool isShiftSlider(int pos) {
    // The first four families are the percent and pixel shifts; offsets 2..4 are Both/Left/Right.
    const int offset = (pos - kFirstFamily) % 6;
    return pos >= kFirstFamily && pos < kFirstFamily + 24 && offset >= 2 && offset <= 4;
}

bool isFamilyReset(int pos) {
    return pos >= kFirstFamily && pos < 143 && (pos - kFirstFamily) % 6 == 1;
}

struct Expected {
    PF_ParamType type;
    PF_ParamFlags flags;
    PF_ParamUIFlags uiFlags;
};

Expected expectedAt(int pos, bool afterEffects) {
    const char kind = kindAt(pos);
    Expected e{};
    switch (kind) {
        case 'G':
            e.type = PF_Param_GROUP_START;
            break;
        case 'E':
            e.type = PF_Param_GROUP_END;
            break;
        case 'B':
            e.type = PF_Param_BUTTON;
            break;
        case 'P':
            e.type = PF_Param_POPUP;
            break;
        case 'C':
            e.type = PF_Param_CHECKBOX;
            break;
        case 'F':
            e.type = PF_Param_FLOAT_SLIDER;
            break;
        case 'L':
            e.type = PF_Param_LAYER;
            break;
        default:
            e.type = afterEffects ? PF_Param_COLOR : PF_Param_ARBITRARY_DATA;
            break;
    }
    if (kind == 'B' || kind == 'P' || kind == 'C')
        e.flags = PF_ParamFlag_SUPERVISE | PF_ParamFlag_CANNOT_TIME_VARY;
    if (isShiftSlider(pos)) e.flags = PF_ParamFlag_SUPERVISE;
    if (pos == kFrameOffset || (kind == 'K' && !afterEffects)) e.flags = PF_ParamFlag_CANNOT_TIME_VARY;

    if (pos == 2 || pos == 42 || pos == 64 || pos == 66 || pos == 145 || pos == 146 || isFamilyReset(pos) ||
        (pos == 13 && !afterEffects)) {
        e.uiFlags = PF_PUI_ECW_SEPARATOR;
    }
    if (pos == 4 || (afterEffects && (pos == 13 || pos == 14))) e.uiFlags = PF_PUI_INVISIBLE;
    if (pos == 14 && !afterEffects) e.uiFlags = PF_PUI_CONTROL;
    return e;
}

struct HostCase {
    const char* label;
    const Deliverable* module;
    HostApp app;
};

void PrintTo(const HostCase& c, std::ostream* os) {
    *os << c.label;
}

class ModuleRegistration : public ::testing::TestWithParam<HostCase> {};

TEST_P(ModuleRegistration, RegistersTheWholeListWithItsFlags) {
    const HostCase& c = GetParam();
    SKIP_UNLESS_BUILT(*c.module);
    Session s(*c.module, c.app);
    ASSERT_EQ(s.fx.globalSetup(), PF_Err_NONE);
    ASSERT_EQ(s.fx.paramsSetup(), PF_Err_NONE);
    EXPECT_EQ(s.fx.outData().num_params, 147);
    ASSERT_EQ(s.fx.params().count(), 147);
    const bool ae = c.app == HostApp::AfterEffects;
    for (int pos = 1; pos < 147; ++pos) {
        const PF_ParamDef& def = s.fx.params().at(pos);
        const Expected e = expectedAt(pos, ae);
        EXPECT_EQ(def.param_type, e.type) << "position " << pos << " " << def.name;
        EXPECT_EQ(def.flags, e.flags) << "position " << pos << " " << def.name;
        EXPECT_EQ(def.ui_flags, e.uiFlags) << "position " << pos << " " << def.name;
        if (def.param_type == PF_Param_GROUP_END) {
            EXPECT_STREQ(def.name, "") << "position " << pos;
        }
    }
    const PF_ParamDef& settings = s.fx.params().at(14);
    if (!ae) {
        EXPECT_EQ(settings.u.arb_d.id, 301);
        EXPECT_EQ(settings.ui_width, 300);
        EXPECT_EQ(settings.ui_height, 20);
    } else {
        EXPECT_EQ(settings.u.cd.value.alpha, 255);
    }
    EXPECT_STREQ(s.fx.params().at(13).u.button_d.namesptr, "Switch ON / OFF");
    EXPECT_EQ(s.fx.params().popup(kDisplayType), 3);
    EXPECT_EQ(s.fx.params().popup(kLgBorder), 2);
}

TEST_P(ModuleRegistration, StopsAtTheFirstRefusedAdd) {
    const HostCase& c = GetParam();
    SKIP_UNLESS_BUILT(*c.module);
    for (PF_Err refusal : {PF_Err_OUT_OF_MEMORY, PF_Err_INTERNAL_STRUCT_DAMAGED}) {
        Session s(*c.module, c.app);
        s.fx.faults().failAddParamAt = 10;
        s.fx.faults().addParamError = refusal;
        ASSERT_EQ(s.fx.globalSetup(), PF_Err_NONE);
        EXPECT_EQ(s.fx.paramsSetup(), refusal);
        EXPECT_EQ(s.fx.calls().addParamCalls, 10);
        EXPECT_EQ(s.fx.params().count(), 1 + 9);
        EXPECT_NE(s.fx.outData().num_params, 147);
    }
}

INSTANTIATE_TEST_SUITE_P(Hosts, ModuleRegistration,
                         ::testing::Values(HostCase{"X_AfterEffects", &kDuovisX, HostApp::AfterEffects},
                                           HostCase{"X_Premiere", &kDuovisX, HostApp::Premiere},
                                           HostCase{"Plain_AfterEffects", &kDuovis, HostApp::AfterEffects},
                                           HostCase{"Plain_Premiere", &kDuovis, HostApp::Premiere}),
                         [](const auto& tp) { return std::string(tp.param.label); });

}  // namespace
}  // namespace duovis::moduletest
