#include "ParamChange.h"

#include "AboutCommand.h"
#include "HostParamAccess.h"
#include "ParamClipboardFile.h"
#include "ToolLaunch.h"
#include "ToolMessageBox.h"
#include "core/frame/EyeGeometry.h"
#include "core/frame/GlobalDisplayState.h"
#include "core/params/Codes.h"
#include "core/params/ResetGroups.h"
#include "core/params/ShiftCoupling.h"

namespace duovis {

namespace {

// The eye the shift sliders are measured in: the layer, halved along a full-size demux.
EyeSize eyeForShifts(const PF_InData& in, const HostParamAccess& p) {
    const int demux = demuxCodeFromPopup(p.integer(PRIMARY_DEMUX_MODE, 1));
    const auto side = [](A_long v) { return v > 0 ? static_cast<uint32_t>(v) : 0u; };
    return computeEyeSize(side(in.width), side(in.height), Ratio{}, Ratio{}, demux);
}

void resetToDefaults(HostParamAccess& p, ParamId button) {
    for (ParamId id : resetTargets(button)) p.resetFloat(id);
}

void coupleShiftTwin(const PF_InData& in, HostParamAccess& p, ParamId changed, const ShiftTwin& twin) {
    const PF_ParamDef* twinDef = p.floatDef(twin.twin);
    if (!twinDef || !p.floatDef(changed)) return;
    const EyeSize eye = eyeForShifts(in, p);
    const int dimension = twin.axis == ShiftAxis::Horizontal ? eye.width : eye.height;
    const auto coupled = coupleShift(p.floatValue(changed), twin.fromPercent, dimension,
                                     twinDef->u.fs_d.valid_min, twinDef->u.fs_d.valid_max);
    if (!coupled) return;
    if (coupled->changedValue) p.setFloat(changed, *coupled->changedValue);
    p.setFloat(twin.twin, coupled->twinValue);
}

void toggleGlobalDisplay(HostParamAccess& p) {
    GlobalDisplayState& state = globalDisplayState();
    state.displaySwitch = toggledDisplaySwitch(state.displaySwitch);
    state.displayMode = p.integer(DISPLAY_TYPE, state.displayMode);
}

}  // namespace

PF_Err userChangedParam(PF_InData* in, PF_ParamDef* params[], const PF_UserChangedParamExtra* extra) {
    if (!in || !params || !extra) return PF_Err_NONE;
    HostParamAccess p(params, in->num_params);
    const int position = extra->param_index;
    if (position <= INPUT_LAYER || position >= PARAM_COUNT) return PF_Err_NONE;
    const auto id = static_cast<ParamId>(position);

    if (!resetTargets(id).empty()) {
        resetToDefaults(p, id);
        return PF_Err_NONE;
    }
    if (const auto twin = shiftTwin(id)) {
        coupleShiftTwin(*in, p, id, *twin);
        return PF_Err_NONE;
    }
    switch (id) {
        case ABOUT_BUTTON:
            (void)showAbout();
            break;
        case LAUNCH_TOOL:
            (void)launchExternalTool(in, params, globalDisplayState().framesPerSecond, showToolMessage);
            break;
        case DISPLAY_TYPE:
            globalDisplayState().displayMode = p.integer(DISPLAY_TYPE, globalDisplayState().displayMode);
            break;
        case GLOBAL_DISPLAY_SWITCH:
            toggleGlobalDisplay(p);
            break;
        case COPY_PARAMS:
            copyParamsToClipboard(p);
            break;
        case PASTE_PARAMS:
            pasteParamsFromClipboard(p);
            break;
        default:
            break;  // other supervised entries ("Auto Crop", "Swap Left and Right") need nothing
    }
    return PF_Err_NONE;
}

}  // namespace duovis
