// What each parameter means to a person: its unit and a one-line description saying what it
// does. Panels, tooltips and the engines' generated metadata all read these, so the words are
// written once.
#pragma once

#include <string>

#include "core/params/ParamId.h"

namespace duovis {

struct ParamDoc {
    std::string unit;         // short, for beside a value: "%", "px", "°", "frames"; "" for none
    std::string description;  // one sentence: what the control does, in which unit
};

ParamDoc paramDoc(ParamId id);

}  // namespace duovis
