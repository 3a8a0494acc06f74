// The effect's parameter list: for every position its identifier, persistent host id, kind,
// UI name, ranges, default, popup choices, button label and group nesting. Registration, the
// change handler, the render paths and the command-line tool all read this one table.
#pragma once

#include "core/params/ParamId.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace duovis {

enum class ParamKind {
    InputLayer,
    LayerChoice,
    Popup,
    Checkbox,
    FloatSlider,
    Button,
    Color,
    ArbitraryData,
    GroupStart,
    GroupEnd
};

// The two plug-ins built from this code base. Their lists differ only in the About button's name.
enum class Deliverable { DuovisX, Duovis };

// The input layer is supplied by the host and never registered, so it has no host id.
constexpr int32_t kNoHostId = 0;

// The host copies at most this many characters of a name.
constexpr int kMaxUiNameLength = 31;

struct ParamDef {
    ParamId position = INPUT_LAYER;
    const char* identifier = "";  // UPPER_SNAKE, the same text as the ParamId enumerator
    int32_t hostId = kNoHostId;
    ParamKind kind = ParamKind::InputLayer;  // the After Effects form (see paramKindInHost)
    const char* uiName = "";                 // empty for group ends and the input layer
    float validMin = 0, validMax = 0;        // float sliders: what can be typed
    float sliderMin = 0, sliderMax = 0;      // float sliders: what the slider spans
    float defaultValue = 0;                  // popups 1-based, checkboxes 0 or 1
    int precision = 0;                       // float sliders: decimals shown
    const char* choices = "";                // popups: the choices joined by "|"
    int choiceCount = 0;
    const char* buttonLabel = "";
    int depth = 0;  // nesting level; a group end sits at its group start's level
    // A render reads this entry's value (the GPU filter fetches exactly these from the host);
    // no other entry can change a rendered frame.
    bool readByRender = false;
};

using ParamDefTable = std::array<ParamDef, PARAM_COUNT>;

// Built once on first use and never changed afterwards.
const ParamDefTable& paramTable(Deliverable deliverable = Deliverable::DuovisX);
const ParamDef& paramDef(ParamId id, Deliverable deliverable = Deliverable::DuovisX);

// The entry whose identifier matches, ignoring case ("hshift_pct_b" finds HSHIFT_PCT_B).
std::optional<ParamId> findParam(std::string_view identifier);

// Positions 13 and 14 keep their places in every host but change form: in After Effects both
// are hidden and "Global Display Settings" is a color; elsewhere the switch is a visible button
// and the settings entry is an arbitrary-data area the effect draws its status line into.
ParamKind paramKindInHost(ParamId id, bool afterEffects);
bool paramHiddenInHost(ParamId id, bool afterEffects);

}  // namespace duovis
