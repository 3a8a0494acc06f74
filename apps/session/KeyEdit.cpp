#include "session/KeyEdit.h"

#include <stdexcept>

#include "session/HostKeys.h"

namespace duovis::session {

void prepareKey(refhost::ParamStore& store, int position, bool hold, const std::string& id) {
    if (!store.timeVaries(position))
        throw std::runtime_error(id + " cannot vary in time: set it without --at");
    const refhost::KeyTime now = store.now();
    const refhost::Keyframe* there = store.keyAt(position, now);
    const double value = there != nullptr ? there->value : [&] {
        const PF_ParamDef def = store.current(position);
        return def.param_type == PF_Param_FLOAT_SLIDER ? def.u.fs_d.value
               : def.param_type == PF_Param_POPUP      ? static_cast<double>(def.u.pd.value)
                                                       : static_cast<double>(def.u.bd.value != 0);
    }();
    store.setKey(position, refhost::Keyframe{now, value, hold});
}

void removeKeys(refhost::ParamStore& store, int position, std::optional<refhost::KeyTime> at,
                const std::string& id, int frame) {
    if (store.keys(position).empty()) throw std::runtime_error(id + " has no keys");
    if (at && store.keyAt(position, *at) == nullptr)
        throw std::runtime_error(id + " has no key at frame " + std::to_string(frame));
    for (const int p : keyedTogether(store, position)) {
        if (at) {
            store.removeKey(p, *at);
        } else {
            store.clearKeys(p);
        }
    }
}

}  // namespace duovis::session
