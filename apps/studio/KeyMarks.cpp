#include "KeyMarks.h"

#include <algorithm>

#include "session/HostKeys.h"

namespace duovis::studio {

KeyMark keyMarkAt(const refhost::ParamStore& store, int position) {
    if (!store.animated(position)) return KeyMark::None;
    return store.keyAt(position, store.now()) != nullptr ? KeyMark::Here : KeyMark::Elsewhere;
}

std::vector<int> keyFrames(const refhost::EffectInstance& fx, int position) {
    const refhost::ParamStore& store = fx.params();
    std::vector<int> frames;
    for (int p = position > 0 ? position : 1; p < (position > 0 ? position + 1 : store.count()); ++p)
        for (const refhost::Keyframe& key : store.keys(p))
            frames.push_back(session::frameAt(fx.time(), key.at));
    std::sort(frames.begin(), frames.end());
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
    return frames;
}

std::optional<int> neighbourKey(const std::vector<int>& frames, int from, int step) {
    if (step > 0) {
        const auto next = std::upper_bound(frames.begin(), frames.end(), from);
        if (next != frames.end()) return *next;
    } else if (step < 0) {
        const auto at = std::lower_bound(frames.begin(), frames.end(), from);
        if (at != frames.begin()) return *std::prev(at);
    }
    return std::nullopt;
}

}  // namespace duovis::studio
