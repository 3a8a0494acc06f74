#include "session/HostKeys.h"

#include <cmath>
#include <stdexcept>

#include "core/params/ParamTable.h"
#include "core/params/ResetGroups.h"

namespace duovis::session {

refhost::KeyTime frameTime(const refhost::HostTime& clock, int frame) {
    return refhost::KeyTime{static_cast<A_long>(static_cast<long long>(frame) * clock.timeStep),
                            clock.timeScale};
}

int frameAt(const refhost::HostTime& clock, refhost::KeyTime at) {
    const double frames = static_cast<double>(at.time) * clock.timeScale /
                          (static_cast<double>(at.scale) * std::max<A_long>(clock.timeStep, 1));
    return static_cast<int>(std::lround(frames));
}

void applyKeys(const std::map<std::string, std::vector<ProjectKey>>& keys, refhost::EffectInstance& fx) {
    refhost::ParamStore& store = fx.params();
    for (const auto& [id, list] : keys) {
        const auto param = findParam(id);
        const int position = param ? static_cast<int>(*param) : store.count();
        if (position >= store.count()) continue;  // not registered in this host
        for (const ProjectKey& k : list) {
            try {
                store.setKey(position, refhost::Keyframe{frameTime(fx.time(), k.frame), k.value, k.hold});
            } catch (const std::exception& e) {
                throw std::runtime_error("key of " + id + " at frame " + std::to_string(k.frame) + ": " +
                                         e.what());
            }
        }
    }
}

std::map<std::string, std::vector<ProjectKey>> captureKeys(const refhost::EffectInstance& fx) {
    std::map<std::string, std::vector<ProjectKey>> keys;
    const refhost::ParamStore& store = fx.params();
    for (int i = 1; i < store.count() && i < PARAM_COUNT; ++i) {
        for (const refhost::Keyframe& k : store.keys(i))
            keys[paramDef(static_cast<ParamId>(i)).identifier].push_back(
                ProjectKey{frameAt(fx.time(), k.at), k.value, k.hold});
    }
    return keys;
}

std::vector<int> keyedTogether(const refhost::ParamStore& store, int position) {
    std::vector<int> positions{position};
    if (position <= 0 || position >= PARAM_COUNT) return positions;
    if (const auto twin = shiftTwin(static_cast<ParamId>(position)))
        if (static_cast<int>(twin->twin) < store.count()) positions.push_back(static_cast<int>(twin->twin));
    return positions;
}

}  // namespace duovis::session
