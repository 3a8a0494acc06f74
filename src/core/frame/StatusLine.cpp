#include "core/frame/StatusLine.h"

#include "core/params/Codes.h"

namespace duovis {

namespace {

constexpr float kGreyOff = 0.5f;
constexpr float kGreyOn = 0.67f;
const char* const kOffText = "Global Display: OFF";

}  // namespace

StatusLine statusLine(int32_t displaySwitch, int32_t displayMode) {
    if (displaySwitch < 0) return {kOffText, kGreyOff};
    if (displayMode == 0) return {"Global Display: ON, mode: NONE.", kGreyOn};
    // The mode is a 1-based "Display Type" value; the line repeats that choice's name.
    if (!isDisplayTypeValue(displayMode)) return {kOffText, kGreyOn};
    const int code = displayMode - 1;
    return {std::string("Global Display: ON, mode: ") + kDisplayTypes[code].name + ".", kGreyOn};
}

}  // namespace duovis
