#include "ParamRegistration.h"

#include "core/params/TimeVariation.h"

namespace duovis {

namespace {

constexpr PF_ParamFlags kSupervisedConstant = PF_ParamFlag_SUPERVISE | PF_ParamFlag_CANNOT_TIME_VARY;
constexpr float kCurveTolerance = 0.05f;
constexpr A_short kDataAreaWidth = 300;
constexpr A_short kDataAreaHeight = 20;

PF_ParamType hostType(ParamKind kind) {
    switch (kind) {
        case ParamKind::Popup:
            return PF_Param_POPUP;
        case ParamKind::Checkbox:
            return PF_Param_CHECKBOX;
        case ParamKind::FloatSlider:
            return PF_Param_FLOAT_SLIDER;
        case ParamKind::Button:
            return PF_Param_BUTTON;
        case ParamKind::Color:
            return PF_Param_COLOR;
        case ParamKind::ArbitraryData:
            return PF_Param_ARBITRARY_DATA;
        case ParamKind::GroupStart:
            return PF_Param_GROUP_START;
        case ParamKind::GroupEnd:
            return PF_Param_GROUP_END;
        case ParamKind::InputLayer:
        case ParamKind::LayerChoice:
            break;
    }
    return PF_Param_LAYER;
}

// Both, Left and Right of the percent and pixel shift families: animatable, but each change
// must reach the change handler so the percent and pixel twins stay in step.
bool isCoupledShift(ParamId id) {
    if (id < HSHIFT_PCT_GROUP || id > VSHIFT_PX_GROUP_END) return false;
    const int slot = (id - HSHIFT_PCT_GROUP) % kFamilySize;
    return slot == FAMILY_BOTH || slot == FAMILY_LEFT || slot == FAMILY_RIGHT;
}

}  // namespace

PF_ParamFlags registrationFlags(ParamId id, ParamKind hostKind) {
    switch (hostKind) {
        case ParamKind::Popup:
        case ParamKind::Checkbox:
        case ParamKind::Button:
            return kSupervisedConstant;
        case ParamKind::ArbitraryData:
            return PF_ParamFlag_CANNOT_TIME_VARY;
        default:
            break;
    }
    if (isCoupledShift(id)) return PF_ParamFlag_SUPERVISE;
    if (hostKind == ParamKind::FloatSlider && !sliderTimeVaries(id)) return PF_ParamFlag_CANNOT_TIME_VARY;
    return PF_ParamFlag_NONE;
}

PF_ParamUIFlags registrationUiFlags(ParamId id, ParamKind hostKind, bool afterEffects) {
    if (paramHiddenInHost(id, afterEffects)) return PF_PUI_INVISIBLE;
    if (hostKind == ParamKind::ArbitraryData) return PF_PUI_CONTROL;  // the status line is drawn there
    if (hostKind == ParamKind::Button) return PF_PUI_ECW_SEPARATOR;
    return PF_PUI_NONE;
}

PF_ParamDef registrationDef(const ParamDef& d, bool afterEffects) {
    const ParamKind kind = paramKindInHost(d.position, afterEffects);
    PF_ParamDef def{};
    def.uu.id = d.hostId;
    def.param_type = hostType(kind);
    def.flags = registrationFlags(d.position, kind);
    def.ui_flags = registrationUiFlags(d.position, kind, afterEffects);
    switch (kind) {
        case ParamKind::Popup:
            def.u.pd.value = static_cast<A_long>(d.defaultValue);
            def.u.pd.num_choices = static_cast<A_short>(d.choiceCount);
            def.u.pd.dephault = static_cast<A_short>(d.defaultValue);
            def.u.pd.namesptr = d.choices;
            break;
        case ParamKind::Checkbox:
            def.u.bd.value = static_cast<A_long>(d.defaultValue);
            def.u.bd.dephault = static_cast<PF_Boolean>(d.defaultValue);
            def.u.bd.nameptr = "";
            break;
        case ParamKind::FloatSlider:
            def.u.fs_d.value = static_cast<PF_FpLong>(d.defaultValue);
            def.u.fs_d.valid_min = d.validMin;
            def.u.fs_d.valid_max = d.validMax;
            def.u.fs_d.slider_min = d.sliderMin;
            def.u.fs_d.slider_max = d.sliderMax;
            def.u.fs_d.dephault = d.defaultValue;
            def.u.fs_d.precision = static_cast<A_short>(d.precision);
            def.u.fs_d.display_flags = PF_ValueDisplayFlag_NONE;
            def.u.fs_d.fs_flags = PF_FSliderFlag_NONE;
            def.u.fs_d.curve_tolerance = kCurveTolerance;
            break;
        case ParamKind::Button:
            def.u.button_d.namesptr = d.buttonLabel;
            break;
        case ParamKind::LayerChoice:
            def.u.ld.dephault = PF_LayerDefault_NONE;
            break;
        case ParamKind::Color:
            def.u.cd.value = PF_Pixel{255, 0, 0, 0};  // opaque black
            def.u.cd.dephault = def.u.cd.value;
            break;
        case ParamKind::ArbitraryData:
            def.u.arb_d.id = static_cast<A_short>(d.hostId);
            def.ui_width = kDataAreaWidth;
            def.ui_height = kDataAreaHeight;
            break;
        case ParamKind::InputLayer:
        case ParamKind::GroupStart:
        case ParamKind::GroupEnd:
            break;
    }
    return def;
}

}  // namespace duovis
