#pragma once
// `-p NAME=VALUE` assignments: which registered entry NAME means and what VALUE sets.

#include <optional>
#include <string>

#include "ParamStore.h"

namespace duovis::session {

// Position of the entry `key` names: a position number, an identifier (`HSHIFT_PCT_B`) or a
// UI name, identifiers and names compared without regard to case. Throws std::runtime_error for a key that
// names nothing.
int resolveParam(const refhost::ParamStore& store, const std::string& key);

// Applies one "KEY=VALUE" text and returns the entry's position; refusals name the entry
// and its valid range or choices.
int assignParam(refhost::ParamStore& store, const std::string& assignment);

struct SliderRequest {
    int position;
    double value;
};
// The slider and number an assignment asks for, before the effect has its say; nullopt for
// other kinds. Throws as assignParam does for a key or value it would refuse.
std::optional<SliderRequest> sliderRequest(const refhost::ParamStore& store, const std::string& assignment);

}  // namespace duovis::session
