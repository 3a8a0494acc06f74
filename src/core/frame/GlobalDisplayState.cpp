#include "core/frame/GlobalDisplayState.h"

#include "core/params/Codes.h"

namespace duovis {

namespace {
GlobalDisplayState* g_state = nullptr;

constexpr int kDefaultDisplayTypeValue = DISPLAY_SBS_HALF + 1;
}  // namespace

GlobalDisplayState& globalDisplayState() {
    if (!g_state) g_state = new GlobalDisplayState();
    return *g_state;
}

void deleteGlobalDisplayState() {
    delete g_state;
    g_state = nullptr;
}

int displayCodeInForce(const GlobalDisplayState& state, int displayTypeValue) {
    if (state.displaySwitch > 0 && isDisplayTypeValue(state.displayMode)) return state.displayMode - 1;
    if (isDisplayTypeValue(displayTypeValue)) return displayTypeValue - 1;
    return kDefaultDisplayTypeValue - 1;
}

int32_t toggledDisplaySwitch(int32_t displaySwitch) {
    if (displaySwitch == 0 || displaySwitch == INT32_MIN) return 1;
    return -displaySwitch;
}

}  // namespace duovis
