#include "ValueSet.h"

#include <algorithm>
#include <memory>

namespace duovis::studio {

namespace {

bool sameValue(const PF_ParamDef& a, const PF_ParamDef& b) {
    switch (a.param_type) {
        case PF_Param_POPUP:
            return a.u.pd.value == b.u.pd.value;
        case PF_Param_CHECKBOX:
            return a.u.bd.value == b.u.bd.value;
        case PF_Param_FLOAT_SLIDER:
            return a.u.fs_d.value == b.u.fs_d.value;
        case PF_Param_COLOR:
            return a.u.cd.value.red == b.u.cd.value.red && a.u.cd.value.green == b.u.cd.value.green &&
                   a.u.cd.value.blue == b.u.cd.value.blue && a.u.cd.value.alpha == b.u.cd.value.alpha;
        default:
            return true;  // no value
    }
}

bool sameKeys(const std::vector<refhost::Keyframe>& a, const std::vector<refhost::Keyframe>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
        return refhost::compareTimes(x.at, y.at) == 0 && x.value == y.value && x.hold == y.hold;
    });
}

const std::vector<refhost::Keyframe>& keysOf(const ValueSet& set, int position) {
    static const std::vector<refhost::Keyframe> none;
    const auto it = set.keys.find(position);
    return it == set.keys.end() ? none : it->second;
}

// The entry holding `value`, in the form its kind keeps.
PF_ParamDef holding(PF_ParamDef def, double value) {
    if (def.param_type == PF_Param_POPUP) def.u.pd.value = static_cast<A_long>(value);
    if (def.param_type == PF_Param_CHECKBOX) def.u.bd.value = value != 0.0 ? 1 : 0;
    if (def.param_type == PF_Param_FLOAT_SLIDER) def.u.fs_d.value = value;
    return def;
}

// The store keys what the effect writes at the clock's time, unchecked: a clock set to each
// key's own time puts the keys back exactly, whatever rate they were set at.
void placeKeys(refhost::EffectInstance& fx, int position, const PF_ParamDef& def,
               const std::vector<refhost::Keyframe>& keys) {
    struct Borrowed {
        refhost::EffectInstance& fx;
        std::unique_ptr<refhost::HostTime> at;  // off the stack: the store keeps its address
        ~Borrowed() { fx.params().followClock(&fx.time()); }
    } clock{fx, std::make_unique<refhost::HostTime>(fx.time())};
    fx.params().followClock(clock.at.get());
    for (const refhost::Keyframe& key : keys) {
        clock.at->currentTime = key.at.time;
        clock.at->timeScale = key.at.scale;
        fx.params().adopt(position, holding(def, key.value), true, key.hold);
    }
}

}  // namespace

ValueSet snapshotValues(const refhost::ParamStore& store) {
    ValueSet values;
    values.reserve(static_cast<std::size_t>(store.count()));
    for (int i = 0; i < store.count(); ++i) {
        values.push_back(store.current(i));
        if (store.animated(i)) values.keys[i] = store.keys(i);
    }
    return values;
}

void restoreValues(refhost::EffectInstance& fx, const ValueSet& values) {
    refhost::ParamStore& store = fx.params();
    const int shared = std::min(store.count(), static_cast<int>(values.size()));
    for (int i = 1; i < shared; ++i) {
        // Another host's table may hold a different kind at a position (a drawn area where
        // this one has a colour): its bytes are no value here.
        const PF_ParamDef& def = values[static_cast<std::size_t>(i)];
        if (def.param_type != store.at(i).param_type) continue;
        store.clearKeys(i);
        store.adopt(i, def);
        if (const auto& keys = keysOf(values, i); !keys.empty()) placeKeys(fx, i, def, keys);
    }
}

std::vector<int> differingPositions(const ValueSet& a, const ValueSet& b) {
    std::vector<int> positions;
    const std::size_t shared = std::min(a.size(), b.size());
    for (std::size_t i = 1; i < shared; ++i)
        if (!sameValue(a[i], b[i]) ||
            !sameKeys(keysOf(a, static_cast<int>(i)), keysOf(b, static_cast<int>(i))))
            positions.push_back(static_cast<int>(i));
    return positions;
}

}  // namespace duovis::studio
