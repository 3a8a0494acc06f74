#include "ParamStore.h"

#include <stdexcept>

namespace duovis::refhost {

namespace {

PF_ParamDef inputLayerDef() {
    PF_ParamDef def{};
    def.param_type = PF_Param_LAYER;
    return def;
}

}  // namespace

ParamStore::ParamStore() {
    clear();
}

void ParamStore::clear() {
    defs_.assign(1, inputLayerDef());
    strings_.clear();
}

const A_char* ParamStore::own(const A_char* text) {
    if (text == nullptr) return nullptr;
    strings_.emplace_back(text);
    return strings_.back().c_str();
}

void ParamStore::append(const PF_ParamDef& def) {
    PF_ParamDef copy = def;
    copy.name[PF_MAX_EFFECT_PARAM_NAME_LEN] = '\0';
    switch (copy.param_type) {
        case PF_Param_POPUP:
            copy.u.pd.namesptr = own(copy.u.pd.namesptr);
            break;
        case PF_Param_CHECKBOX:
            copy.u.bd.nameptr = own(copy.u.bd.nameptr);
            break;
        case PF_Param_BUTTON:
            copy.u.button_d.namesptr = own(copy.u.button_d.namesptr);
            break;
        default:
            break;
    }
    defs_.push_back(copy);
}

const PF_ParamDef& ParamStore::at(int position) const {
    if (position < 0 || position >= count()) throw std::out_of_range("no parameter at this position");
    return defs_[static_cast<std::size_t>(position)];
}

PF_ParamDef& ParamStore::mutableAt(int position, PF_ParamType kind) {
    const PF_ParamDef& def = at(position);
    if (def.param_type != kind) throw std::invalid_argument("parameter is of another kind");
    return defs_[static_cast<std::size_t>(position)];
}

int ParamStore::positionOfId(A_long id) const {
    for (int i = 1; i < count(); ++i)
        if (defs_[static_cast<std::size_t>(i)].uu.id == id) return i;
    return -1;
}

int ParamStore::positionOfName(const std::string& name, int nth) const {
    for (int i = 1; i < count(); ++i) {
        if (name == defs_[static_cast<std::size_t>(i)].name && nth-- == 0) return i;
    }
    return -1;
}

void ParamStore::setPopup(int position, A_long value) {
    PF_ParamDef& def = mutableAt(position, PF_Param_POPUP);
    if (value < 1 || value > def.u.pd.num_choices) throw std::invalid_argument("popup choice out of range");
    def.u.pd.value = value;
}

void ParamStore::setCheckbox(int position, bool on) {
    mutableAt(position, PF_Param_CHECKBOX).u.bd.value = on ? 1 : 0;
}

void ParamStore::setFloat(int position, double value) {
    PF_ParamDef& def = mutableAt(position, PF_Param_FLOAT_SLIDER);
    if (value < static_cast<double>(def.u.fs_d.valid_min) ||
        value > static_cast<double>(def.u.fs_d.valid_max)) {
        throw std::invalid_argument("slider value outside its valid range");
    }
    def.u.fs_d.value = value;
}

A_long ParamStore::popup(int position) const {
    const PF_ParamDef& def = at(position);
    if (def.param_type != PF_Param_POPUP) throw std::invalid_argument("not a popup");
    return def.u.pd.value;
}

bool ParamStore::checkbox(int position) const {
    const PF_ParamDef& def = at(position);
    if (def.param_type != PF_Param_CHECKBOX) throw std::invalid_argument("not a checkbox");
    return def.u.bd.value != 0;
}

double ParamStore::floatValue(int position) const {
    const PF_ParamDef& def = at(position);
    if (def.param_type != PF_Param_FLOAT_SLIDER) throw std::invalid_argument("not a float slider");
    return def.u.fs_d.value;
}

void ParamStore::adopt(int position, const PF_ParamDef& written) {
    PF_ParamDef& def = defs_.at(static_cast<std::size_t>(position));
    switch (def.param_type) {
        case PF_Param_POPUP:
            def.u.pd.value = written.u.pd.value;
            break;
        case PF_Param_CHECKBOX:
            def.u.bd.value = written.u.bd.value;
            break;
        case PF_Param_FLOAT_SLIDER:
            def.u.fs_d.value = written.u.fs_d.value;
            break;
        case PF_Param_COLOR:
            def.u.cd.value = written.u.cd.value;
            break;
        default:
            break;  // layers, buttons and group markers carry no value to take
    }
}

}  // namespace duovis::refhost
