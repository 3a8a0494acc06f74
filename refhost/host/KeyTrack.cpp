#include "KeyTrack.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <stdexcept>

namespace duovis::refhost {

namespace {

double seconds(KeyTime t) {
    return static_cast<double>(t.time) / static_cast<double>(t.scale);
}

// How far `at` lies from `from` to `to`. On one scale, as keys on frames of one rate are, it is
// one division of whole numbers, so a static render of the same value matches it bit for bit.
double fraction(KeyTime from, KeyTime at, KeyTime to) {
    if (from.scale == at.scale && at.scale == to.scale)
        return static_cast<double>(static_cast<std::int64_t>(at.time) - from.time) /
               static_cast<double>(static_cast<std::int64_t>(to.time) - from.time);
    return (seconds(at) - seconds(from)) / (seconds(to) - seconds(from));
}

}  // namespace

int compareTimes(KeyTime a, KeyTime b) {
    // A signed 32-bit time times an unsigned 32-bit scale stays inside 64 bits.
    const std::int64_t left = static_cast<std::int64_t>(a.time) * static_cast<std::int64_t>(b.scale);
    const std::int64_t right = static_cast<std::int64_t>(b.time) * static_cast<std::int64_t>(a.scale);
    return left < right ? -1 : left > right ? 1 : 0;
}

void KeyTrack::set(const Keyframe& key) {
    if (key.at.scale == 0) throw std::invalid_argument("a key's time scale must not be 0");
    if (!std::isfinite(key.value)) throw std::invalid_argument("a key's value must be a finite number");
    const auto after = std::find_if(keys_.begin(), keys_.end(),
                                    [&](const Keyframe& k) { return compareTimes(k.at, key.at) >= 0; });
    if (after != keys_.end() && compareTimes(after->at, key.at) == 0) {
        *after = key;
        return;
    }
    keys_.insert(after, key);
}

bool KeyTrack::remove(KeyTime at) {
    const auto it = std::find_if(keys_.begin(), keys_.end(),
                                 [&](const Keyframe& k) { return compareTimes(k.at, at) == 0; });
    if (it == keys_.end()) return false;
    keys_.erase(it);
    return true;
}

const Keyframe* KeyTrack::find(KeyTime at) const {
    for (const Keyframe& k : keys_)
        if (compareTimes(k.at, at) == 0) return &k;
    return nullptr;
}

double KeyTrack::valueAt(KeyTime at) const {
    if (keys_.empty()) throw std::logic_error("a track without keys has no value");
    if (compareTimes(at, keys_.front().at) <= 0) return keys_.front().value;
    for (std::size_t i = 1; i < keys_.size(); ++i) {
        const Keyframe& next = keys_[i];
        if (compareTimes(at, next.at) >= 0) continue;
        const Keyframe& prev = keys_[i - 1];
        if (prev.hold) return prev.value;
        return prev.value + (next.value - prev.value) * fraction(prev.at, at, next.at);
    }
    return keys_.back().value;
}

}  // namespace duovis::refhost
