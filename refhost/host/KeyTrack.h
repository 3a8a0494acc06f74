#pragma once
// One parameter's keyframes as a host keeps them. A key's time is a fraction of a second
// (time / scale), so keys set at one frame rate land on the same instants at another. Between
// two keys the value moves in a straight line, or stays at the earlier key's value when that
// key holds; before the first key and after the last the nearest key's value stands.

#include <vector>

#include "AE_Effect.h"

namespace duovis::refhost {

struct KeyTime {
    A_long time = 0;
    A_u_long scale = 1;  // ticks a second, at least 1
};

struct Keyframe {
    KeyTime at;
    double value = 0;
    bool hold = false;  // the value stays until the next key
};

// Negative, zero or positive as `a` is before, at or after `b`.
int compareTimes(KeyTime a, KeyTime b);

class KeyTrack {
  public:
    bool empty() const { return keys_.empty(); }
    const std::vector<Keyframe>& keys() const { return keys_; }

    // Adds the key, replacing one at the same instant. Throws std::invalid_argument for a
    // scale of 0 or a value that is not a finite number.
    void set(const Keyframe& key);
    // Removes the key at `at`; false when there is none.
    bool remove(KeyTime at);
    // The key at exactly `at`, or null.
    const Keyframe* find(KeyTime at) const;

    // The value at `at`; the track must have a key.
    double valueAt(KeyTime at) const;

  private:
    std::vector<Keyframe> keys_;  // ordered by time, no two at one instant
};

}  // namespace duovis::refhost
