#include <gtest/gtest.h>

#include "core/params/ParamDocs.h"
#include "core/params/ParamTable.h"

namespace duovis {
namespace {

// A person reading a tooltip or an engine's metadata learns what every control does, and every
// number comes with its unit.
TEST(ParamDocs, EveryControlSaysWhatItDoesAndEveryValueItsUnit) {
    for (const ParamDef& def : paramTable()) {
        const bool control = def.kind == ParamKind::FloatSlider || def.kind == ParamKind::Popup ||
                             def.kind == ParamKind::Checkbox || def.kind == ParamKind::Button;
        if (!control || def.position == ABOUT_BUTTON || def.position == GLOBAL_DISPLAY_SWITCH) continue;
        const ParamDoc doc = paramDoc(def.position);
        EXPECT_FALSE(doc.description.empty()) << def.identifier;
        if (def.kind == ParamKind::FloatSlider) {
            EXPECT_FALSE(doc.unit.empty()) << def.identifier;
        }
    }
}

struct DocRow {
    ParamId id;
    const char* unit;
    const char* mentions;
};

class ParamDocRows : public testing::TestWithParam<DocRow> {};

// Rows where a slip of an offset in the position arithmetic would land on a neighbour.
TEST_P(ParamDocRows, NamesTheRightUnitAndSubject) {
    const ParamDoc doc = paramDoc(GetParam().id);
    EXPECT_EQ(doc.unit, GetParam().unit);
    EXPECT_NE(doc.description.find(GetParam().mentions), std::string::npos) << doc.description;
}

INSTANTIATE_TEST_SUITE_P(Rows, ParamDocRows,
                         testing::Values(DocRow{HSHIFT_PCT_B, "%", "eye width"},
                                         DocRow{VSHIFT_PX_R, "px", "right eye's vertical shift in pixels"},
                                         DocRow{SCALE_L, "log2", "left eye's scale"},
                                         DocRow{VKEYSTONE_B, "°", "Vertical keystone"},
                                         DocRow{CROP_B_LEFT, "%", "left edge of both eyes"},
                                         DocRow{CROP_R_BOTTOM, "%", "Bottom edge of the right eye"},
                                         DocRow{CROP_L_TOP, "%", "top edge of the left eye"},
                                         DocRow{FIELD_OF_VIEW, "°", "keystones"},
                                         DocRow{SECONDARY_FRAME_OFFSET, "frames", "later"}));

}  // namespace
}  // namespace duovis
