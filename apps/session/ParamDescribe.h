#pragma once
// Words for registered parameters: kind names, choice lists and the listing `params` prints.

#include <string>
#include <vector>

#include "ParamStore.h"
#include "core/params/ParamDocs.h"

namespace duovis::session {

std::string kindName(PF_ParamType type);
std::vector<std::string> popupChoices(const PF_ParamDef& def);
// The values a setter accepts, for refusals and the listing: "1..14 or a choice", "-50..50".
std::string validRange(const PF_ParamDef& def);

// The table's identifier for a registered position: what `-p` and project files name it by.
std::string identifierAt(int position);
// Its unit and what it does, for tooltips and listings ({} for a position outside the table).
ParamDoc docAt(int position);

std::string describeText(const refhost::ParamStore& store);
std::string describeJson(const refhost::ParamStore& store);

}  // namespace duovis::session
