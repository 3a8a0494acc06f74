#include "session/ParamAssign.h"

#include <QString>
#include <cctype>
#include <stdexcept>
#include <utility>
#include <vector>

#include "core/params/ParamTable.h"
#include "session/Numbers.h"
#include "session/ParamDescribe.h"

namespace duovis::session {

namespace {

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool allDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

std::string label(const PF_ParamDef& def, int position) {
    return "parameter " + std::to_string(position) + " \"" + def.name + "\"";
}

void setPopup(refhost::ParamStore& store, int position, const std::string& value) {
    const PF_ParamDef& def = store.at(position);
    const auto choices = popupChoices(def);
    for (std::size_t i = 0; i < choices.size(); ++i) {
        if (choices[i] == value) {
            store.setPopup(position, static_cast<A_long>(i + 1));
            return;
        }
    }
    if (allDigits(value) && value.size() < 6) {
        const int n = std::stoi(value);
        if (n >= 1 && n <= def.u.pd.num_choices) {
            store.setPopup(position, n);
            return;
        }
    }
    std::string list;
    for (std::size_t i = 0; i < choices.size(); ++i)
        list += (i ? ", " : "") + std::to_string(i + 1) + "=" + choices[i];
    throw std::runtime_error(label(def, position) + ": '" + value + "' is not a choice (" + list + ")");
}

void setCheckbox(refhost::ParamStore& store, int position, const std::string& value) {
    const std::string v = lower(value);
    if (v == "on" || v == "true" || v == "1") {
        store.setCheckbox(position, true);
    } else if (v == "off" || v == "false" || v == "0") {
        store.setCheckbox(position, false);
    } else {
        throw std::runtime_error(label(store.at(position), position) + ": '" + value +
                                 "' is not on/off/true/false/1/0");
    }
}

void setFloat(refhost::ParamStore& store, int position, const std::string& value) {
    const PF_ParamDef& def = store.at(position);
    const double v = parseDouble(value, label(def, position));
    if (v < static_cast<double>(def.u.fs_d.valid_min) || v > static_cast<double>(def.u.fs_d.valid_max))
        throw std::runtime_error(label(def, position) + ": " + value + " is outside " + validRange(def));
    store.setFloat(position, v);
}

std::pair<std::string, std::string> splitAssignment(const std::string& assignment) {
    const auto eq = assignment.find('=');
    if (eq == std::string::npos || eq == 0)
        throw std::runtime_error("-p '" + assignment + "': expected ID=VALUE");
    return {assignment.substr(0, eq), assignment.substr(eq + 1)};
}

}  // namespace

int resolveParam(const refhost::ParamStore& store, const std::string& key) {
    if (allDigits(key) && key.size() < 6) {
        const int position = std::stoi(key);
        if (position >= 1 && position < store.count()) return position;
        throw std::runtime_error("no parameter at position " + key + " (1.." +
                                 std::to_string(store.count() - 1) + ")");
    }
    // Identifiers are the stable way to name an entry: the module registers entries at the
    // positions of the shared parameter table, so the table's identifier gives the position.
    if (const auto id = findParam(key)) {
        const int position = static_cast<int>(*id);
        if (position >= 1 && position < store.count()) return position;
    }
    // Names repeat across groups ("Demux Mode"), so "GROUP/NAME" picks one and a bare name
    // that several entries share is refused rather than guessed.
    const std::string wanted = lower(key);
    std::vector<int> matches;
    std::vector<std::string> groups;
    for (int i = 1; i < store.count(); ++i) {
        const PF_ParamDef& def = store.at(i);
        if (def.param_type == PF_Param_GROUP_START) groups.push_back(lower(def.name));
        if (def.param_type == PF_Param_GROUP_END && !groups.empty()) groups.pop_back();
        const std::string name = lower(def.name);
        if (name.empty() || def.param_type == PF_Param_GROUP_START) continue;
        const bool qualified = !groups.empty() && groups.back() + "/" + name == wanted;
        if (name == wanted || qualified) matches.push_back(i);
    }
    if (matches.size() == 1) return matches.front();
    if (matches.size() > 1) {
        std::string where;
        for (int m : matches) where += (where.empty() ? "" : ", ") + std::to_string(m);
        throw std::runtime_error("parameter name '" + key + "' is shared by positions " + where +
                                 "; give the position or GROUP/NAME");
    }
    throw std::runtime_error("unknown parameter '" + key + "' (see duovis params)");
}

int assignParam(refhost::ParamStore& store, const std::string& assignment) {
    const auto [key, value] = splitAssignment(assignment);
    const int position = resolveParam(store, key);
    const PF_ParamDef& def = store.at(position);
    switch (def.param_type) {
        case PF_Param_POPUP:
            setPopup(store, position, value);
            break;
        case PF_Param_CHECKBOX:
            setCheckbox(store, position, value);
            break;
        case PF_Param_FLOAT_SLIDER:
            setFloat(store, position, value);
            break;
        default:
            throw std::runtime_error(label(def, position) + " is a " + kindName(def.param_type) +
                                     " and takes no value");
    }
    return position;
}

std::optional<SliderRequest> sliderRequest(const refhost::ParamStore& store, const std::string& assignment) {
    const auto [key, value] = splitAssignment(assignment);
    const int position = resolveParam(store, key);
    const PF_ParamDef& def = store.at(position);
    if (def.param_type != PF_Param_FLOAT_SLIDER) return std::nullopt;
    return SliderRequest{position, parseDouble(value, label(def, position))};
}

}  // namespace duovis::session
