// Positions of the effect's parameters. The host hands values over as an array indexed by
// position; position 0 is the host's own input layer. The GPU filter interface counts the
// same entries without the input layer (index = position - 1).
#pragma once

namespace duovis {

// The twelve transformation families, in list order. Each occupies six consecutive positions
// (group, reset, Both, Left, Right, group end) inside the "Transformations" group.
#define DUOVIS_XFORM_FAMILIES(X) \
    X(HSHIFT_PCT)                \
    X(VSHIFT_PCT)                \
    X(HSHIFT_PX)                 \
    X(VSHIFT_PX)                 \
    X(SCALE)                     \
    X(HSCALE)                    \
    X(VSCALE)                    \
    X(ROTATE)                    \
    X(HSKEW)                     \
    X(VSKEW)                     \
    X(HKEYSTONE)                 \
    X(VKEYSTONE)

#define DUOVIS_FAMILY_POSITIONS(prefix) \
    prefix##_GROUP, prefix##_RESET, prefix##_B, prefix##_L, prefix##_R, prefix##_GROUP_END,

enum ParamId : int {
    INPUT_LAYER = 0,
    ABOUT_GROUP,
    ABOUT_BUTTON,
    ABOUT_GROUP_END,
    LAUNCH_TOOL,
    DISPLAY_TYPE,
    LG_GROUP,
    LG_ENABLE,
    LG_CENTER_X,
    LG_CENTER_Y,
    LG_RADIUS,
    LG_BORDER_COLOR,
    LG_GROUP_END,
    GLOBAL_DISPLAY_SWITCH,
    GLOBAL_DISPLAY_SETTINGS,
    PRIMARY_GROUP,
    PRIMARY_DEMUX_MODE,
    PRIMARY_DEMUX_CHANNEL,
    PRIMARY_GROUP_END,
    SECONDARY_GROUP,
    SECONDARY_LAYER,
    SECONDARY_DEMUX_MODE,
    SECONDARY_DEMUX_CHANNEL,
    SECONDARY_FRAME_OFFSET,
    SECONDARY_GROUP_END,
    DISPLAY_GROUP,
    SWAP_LR,
    GRAYSCALE,
    INTERLACE_ODD,
    DISPLAY_GROUP_END,
    AUTO_GROUP,
    AUTO_CROP,
    AUTO_CENTER,
    AUTO_SCALE,
    AUTO_GROUP_END,
    FLIP_GROUP,
    FLIP_L_H,
    FLIP_L_V,
    FLIP_R_H,
    FLIP_R_V,
    FLIP_GROUP_END,
    CROP_GROUP,
    CROP_RESET,
    CROP_B_GROUP,
    CROP_B_LEFT,
    CROP_B_TOP,
    CROP_B_RIGHT,
    CROP_B_BOTTOM,
    CROP_B_GROUP_END,
    CROP_L_GROUP,
    CROP_L_LEFT,
    CROP_L_TOP,
    CROP_L_RIGHT,
    CROP_L_BOTTOM,
    CROP_L_GROUP_END,
    CROP_R_GROUP,
    CROP_R_LEFT,
    CROP_R_TOP,
    CROP_R_RIGHT,
    CROP_R_BOTTOM,
    CROP_R_GROUP_END,
    CROP_WITH_AUTO,
    CROP_GROUP_END,
    XFORM_GROUP,
    XFORM_RESET_ALL,
    MASTER_GROUP,
    MASTER_RESET,
    MASTER_HSHIFT_PCT,
    MASTER_VSHIFT_PCT,
    MASTER_SCALE,
    MASTER_GROUP_END,
    DUOVIS_XFORM_FAMILIES(DUOVIS_FAMILY_POSITIONS) FIELD_OF_VIEW,
    XFORM_GROUP_END,
    COPY_PARAMS,
    PASTE_PARAMS,
    PARAM_COUNT
};

#undef DUOVIS_FAMILY_POSITIONS

static_assert(HSHIFT_PCT_GROUP == 71, "first family starts at 71");
static_assert(SCALE_L == 98, "family layout");
static_assert(VKEYSTONE_GROUP_END == 142, "last family ends at 142");
static_assert(FIELD_OF_VIEW == 143 && PASTE_PARAMS == 146, "tail of the list");
static_assert(PARAM_COUNT == 147, "147 entries including the input layer");

// Offsets inside one transformation family.
enum FamilySlot : int { FAMILY_GROUP = 0, FAMILY_RESET, FAMILY_BOTH, FAMILY_LEFT, FAMILY_RIGHT, FAMILY_END };
constexpr int kFamilySize = 6;

}  // namespace duovis
