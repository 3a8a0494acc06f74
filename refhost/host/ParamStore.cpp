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
    tracks_.clear();
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
    const PF_ParamDef& def = mutableAt(position, PF_Param_POPUP);
    if (value < 1 || value > def.u.pd.num_choices) throw std::invalid_argument("popup choice out of range");
    store(position, PF_Param_POPUP, static_cast<double>(value));
}

void ParamStore::setCheckbox(int position, bool on) {
    store(position, PF_Param_CHECKBOX, on ? 1.0 : 0.0);
}

void ParamStore::setFloat(int position, double value) {
    const PF_ParamDef& def = mutableAt(position, PF_Param_FLOAT_SLIDER);
    if (value < static_cast<double>(def.u.fs_d.valid_min) ||
        value > static_cast<double>(def.u.fs_d.valid_max)) {
        throw std::invalid_argument("slider value outside its valid range");
    }
    store(position, PF_Param_FLOAT_SLIDER, value);
}

void ParamStore::store(int position, PF_ParamType kind, double value) {
    PF_ParamDef& def = mutableAt(position, kind);
    if (!animated(position)) {
        putNumber(def, value);
        return;
    }
    KeyTrack& track = tracks_.at(position);
    const Keyframe* there = track.find(now());
    track.set(Keyframe{now(), value, there != nullptr ? there->hold : kind != PF_Param_FLOAT_SLIDER});
}

A_long ParamStore::popup(int position) const {
    const PF_ParamDef def = current(position);
    if (def.param_type != PF_Param_POPUP) throw std::invalid_argument("not a popup");
    return def.u.pd.value;
}

bool ParamStore::checkbox(int position) const {
    const PF_ParamDef def = current(position);
    if (def.param_type != PF_Param_CHECKBOX) throw std::invalid_argument("not a checkbox");
    return def.u.bd.value != 0;
}

double ParamStore::floatValue(int position) const {
    const PF_ParamDef def = current(position);
    if (def.param_type != PF_Param_FLOAT_SLIDER) throw std::invalid_argument("not a float slider");
    return def.u.fs_d.value;
}

void ParamStore::adopt(int position, const PF_ParamDef& written, bool keyIt, bool hold) {
    PF_ParamDef& def = defs_.at(static_cast<std::size_t>(position));
    switch (def.param_type) {
        case PF_Param_POPUP:
        case PF_Param_CHECKBOX:
        case PF_Param_FLOAT_SLIDER:
            break;
        case PF_Param_COLOR:
            def.u.cd.value = written.u.cd.value;
            return;
        default:
            return;  // layers, buttons and group markers carry no value to take
    }
    const double value = numberOf(written);
    if (!animated(position) && !(keyIt && timeVaries(position))) {
        putNumber(def, value);
        return;
    }
    // The effect's own writes are not range-checked, as a host takes them.
    KeyTrack& track = tracks_[position];
    const Keyframe* there = track.find(now());
    track.set(Keyframe{now(), value, there != nullptr ? there->hold : hold});
}

KeyTime ParamStore::now() const {
    if (clock_ == nullptr || clock_->timeScale == 0) return KeyTime{0, 1};
    return KeyTime{clock_->currentTime, clock_->timeScale};
}

double ParamStore::numberOf(const PF_ParamDef& def) {
    switch (def.param_type) {
        case PF_Param_POPUP:
            return static_cast<double>(def.u.pd.value);
        case PF_Param_CHECKBOX:
            return def.u.bd.value != 0 ? 1.0 : 0.0;
        case PF_Param_FLOAT_SLIDER:
            return def.u.fs_d.value;
        default:
            return 0.0;
    }
}

void ParamStore::putNumber(PF_ParamDef& def, double value) {
    switch (def.param_type) {
        case PF_Param_POPUP:
            def.u.pd.value = static_cast<A_long>(value);
            break;
        case PF_Param_CHECKBOX:
            def.u.bd.value = value != 0.0 ? 1 : 0;
            break;
        case PF_Param_FLOAT_SLIDER:
            def.u.fs_d.value = value;
            break;
        default:
            break;
    }
}

PF_ParamDef ParamStore::valueAt(int position, KeyTime at) const {
    PF_ParamDef def = this->at(position);
    const auto track = tracks_.find(position);
    if (track != tracks_.end()) putNumber(def, track->second.valueAt(at));
    return def;
}

bool ParamStore::timeVaries(int position) const {
    const PF_ParamDef& def = at(position);
    const bool carriesValue = def.param_type == PF_Param_POPUP || def.param_type == PF_Param_CHECKBOX ||
                              def.param_type == PF_Param_FLOAT_SLIDER;
    return carriesValue && (def.flags & PF_ParamFlag_CANNOT_TIME_VARY) == 0;
}

bool ParamStore::animated(int position) const {
    return tracks_.count(position) != 0;
}

const std::vector<Keyframe>& ParamStore::keys(int position) const {
    static const std::vector<Keyframe> none;
    const auto track = tracks_.find(position);
    return track == tracks_.end() ? none : track->second.keys();
}

const Keyframe* ParamStore::keyAt(int position, KeyTime at) const {
    const auto track = tracks_.find(position);
    return track == tracks_.end() ? nullptr : track->second.find(at);
}

void ParamStore::setKey(int position, Keyframe key) {
    if (!timeVaries(position)) throw std::invalid_argument("this parameter cannot vary in time");
    const PF_ParamDef& def = at(position);
    if (def.param_type == PF_Param_POPUP && (key.value < 1 || key.value > def.u.pd.num_choices))
        throw std::invalid_argument("popup choice out of range");
    if (def.param_type == PF_Param_FLOAT_SLIDER && (key.value < static_cast<double>(def.u.fs_d.valid_min) ||
                                                    key.value > static_cast<double>(def.u.fs_d.valid_max)))
        throw std::invalid_argument("slider value outside its valid range");
    if (def.param_type != PF_Param_FLOAT_SLIDER) key.hold = true;
    tracks_[position].set(key);
}

bool ParamStore::removeKey(int position, KeyTime at) {
    const auto track = tracks_.find(position);
    if (track == tracks_.end()) return false;
    const Keyframe* key = track->second.find(at);
    if (key == nullptr) return false;
    const double value = key->value;
    track->second.remove(at);
    if (track->second.empty()) {
        putNumber(defs_.at(static_cast<std::size_t>(position)), value);
        tracks_.erase(track);
    }
    return true;
}

void ParamStore::clearKeys(int position) {
    const auto track = tracks_.find(position);
    if (track == tracks_.end()) return;
    putNumber(defs_.at(static_cast<std::size_t>(position)), track->second.valueAt(now()));
    tracks_.erase(track);
}

}  // namespace duovis::refhost
