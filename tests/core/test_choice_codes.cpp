#include "core/params/ChoiceCodes.h"
#include "core/params/ParamTable.h"

#include <gtest/gtest.h>

#include <string>

namespace duovis {
namespace {

// The choice text a 1-based value of a popup shows, as the host lists it.
std::string choiceText(ParamId id, int value) {
    std::string choices = paramDef(id).choices;
    for (int i = 1; i < value; ++i) choices.erase(0, choices.find('|') + 1);
    return choices.substr(0, choices.find('|'));
}

TEST(ChoiceCodes, DisplayValuesPackAsTheirChoicesSay) {
    struct Row {
        DisplayCode code;
        const char* choice;
        EyePacking packing;
    };
    const Row rows[] = {
        {DISPLAY_LEFT, "Left", EyePacking::None},
        {DISPLAY_RIGHT, "Right", EyePacking::None},
        {DISPLAY_SBS_HALF, "Side-By-Side(50%)", EyePacking::SideBySide},
        {DISPLAY_SBS_FULL, "Side-By-Side(100%)", EyePacking::SideBySide},
        {DISPLAY_TB_HALF, "Top-Bottom(50%)", EyePacking::TopBottom},
        {DISPLAY_TB_FULL, "Top-Bottom(100%)", EyePacking::TopBottom},
        {DISPLAY_INTERLACED, "Line Interlaced", EyePacking::None},
        {DISPLAY_ANAGLYPH, "Anaglyph (Red/Cyan)", EyePacking::None},
        {DISPLAY_CHECKERBOARD, "Checkerboard", EyePacking::None},
        {DISPLAY_PARALLAX, "Corvant Parallax", EyePacking::None},
    };
    for (const Row& row : rows) {
        const int32_t value = displayTypeValue(row.code);
        EXPECT_EQ(choiceText(DISPLAY_TYPE, value), row.choice) << row.code;
        EXPECT_EQ(displayPacking(value), row.packing) << row.choice;
    }
    // Values a damaged project could carry pack nothing rather than reading past the table.
    for (const int32_t value : {0, -1, kDisplayTypeCount + 1, 131 + 1})
        EXPECT_EQ(displayPacking(value), EyePacking::None) << value;
}

TEST(ChoiceCodes, DemuxValuesChooseTheCodeAskedFor) {
    struct Row {
        EyePacking packing;
        bool fullSize;
        DemuxCode code;
        const char* choice;
    };
    const Row rows[] = {
        {EyePacking::None, false, DEMUX_NONE, "None"},
        {EyePacking::None, true, DEMUX_NONE, "None"},
        {EyePacking::SideBySide, false, DEMUX_SBS_HALF, "Side-By-Side(50%)"},
        {EyePacking::SideBySide, true, DEMUX_SBS_FULL, "Side-By-Side(100%)"},
        {EyePacking::TopBottom, false, DEMUX_TB_HALF, "Top-Bottom(50%)"},
        {EyePacking::TopBottom, true, DEMUX_TB_FULL, "Top-Bottom(100%)"},
    };
    for (const Row& row : rows) {
        const DemuxCode code = demuxCodeFor(row.packing, row.fullSize);
        EXPECT_EQ(code, row.code) << row.choice;
        // The popup lists the demux modes in another order than the codes run.
        const int32_t value = demuxPopupValue(code);
        EXPECT_EQ(demuxCodeFromPopup(value), code) << row.choice;
        EXPECT_EQ(choiceText(PRIMARY_DEMUX_MODE, value), row.choice);
    }
}

}  // namespace
}  // namespace duovis
