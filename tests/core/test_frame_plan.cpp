#include "core/frame/FramePlan.h"
#include "core/frame/KernelSetup.h"
#include "core/params/Codes.h"
#include "core/params/ParamTable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace duovis {
namespace {

struct Base {
    const char* name;
    ParamValues values;
};

std::vector<Base> bases() {
    ParamValues adjusted = ParamValues::defaults();
    adjusted[ROTATE_B] = 3;
    adjusted[HKEYSTONE_L] = 10;
    adjusted[CROP_L_LEFT] = 7;
    adjusted[AUTO_CROP] = 1;
    adjusted[AUTO_CENTER] = 1;
    adjusted[AUTO_SCALE] = 3;
    ParamValues packed = ParamValues::defaults();
    packed[PRIMARY_DEMUX_MODE] = 4;  // side by side, full width
    packed[DISPLAY_TYPE] = 1 + DISPLAY_TB_FULL;
    packed[LG_ENABLE] = 1;
    packed[HSHIFT_PCT_R] = 2.5;
    return {{"defaults", ParamValues::defaults()}, {"adjusted", adjusted}, {"packed", packed}};
}

// A value other than the default for any entry, inside what the host lets a user type.
double otherValue(const ParamDef& d) {
    if (d.kind == ParamKind::FloatSlider) return d.defaultValue == d.validMax ? d.validMin : d.validMax;
    return d.defaultValue == 1 ? 2 : 1;
}

TransformKernelArgs argsFor(const ParamValues& v) {
    const GlobalDisplayState state;
    const FramePlan plan = planFrame(state, v, LayerSize{1920, 1080});
    KernelFrames frames;
    frames.primary = KernelFrame{nullptr, 1920, 1920, 1080};
    return fillKernelArgs(v, frames, plan, 17);
}

// What the GPU filter fetches from the host is all a frame may depend on.
TEST(FramePlan, EntriesNoRenderReadsLeaveTheKernelArgumentsAlone) {
    int changed = 0;
    for (const Base& b : bases()) {
        const TransformKernelArgs expected = argsFor(b.values);
        for (const ParamDef& d : paramTable()) {
            if (d.readByRender) continue;
            ParamValues v = b.values;
            v[d.position] = otherValue(d);
            const TransformKernelArgs got = argsFor(v);
            EXPECT_EQ(std::memcmp(&got, &expected, sizeof got), 0) << b.name << ": " << d.identifier;
            ++changed;
        }
    }
    EXPECT_GT(changed, 0);
}

}  // namespace
}  // namespace duovis
