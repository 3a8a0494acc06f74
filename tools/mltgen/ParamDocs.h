// What the generated descriptions say about one offered parameter, from the parameter table.
#pragma once

#include "core/params/ParamId.h"

#include <string>
#include <vector>

namespace duovis::mltgen {

enum class DocKind { Choice, Toggle, Number };

struct ParamDoc {
    ParamId id;
    std::string name;         // the property, lower_snake
    std::string title;        // the effect's own label
    std::string label;        // the title with its group where the title alone does not say
                              // which control it is (panels that show no groups: Kdenlive's)
    std::string description;  // where it sits in the effect's panel, and what it takes
    std::string unit;         // empty when none
    DocKind kind;
    double minimum, maximum, defaultValue;
    int decimals;
    std::vector<std::string> choices;
    bool animatable;
};

// Every property the engines offer, in the effect's order.
std::vector<ParamDoc> paramDocs();

}  // namespace duovis::mltgen
