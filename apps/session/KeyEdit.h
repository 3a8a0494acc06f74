#pragma once
// A user's edits of keys: a value set at a frame becomes a key there, and removing a key takes
// the shift twin's key along, so the percent and pixel views stay in step over time.

#include <optional>
#include <string>

#include "ParamStore.h"

namespace duovis::session {

// Readies a key at the store's current time for the value the caller sets next: an entry
// without a key there gets one holding its value now, and the key takes `hold`. Throws naming
// `id` for an entry that cannot vary in time.
void prepareKey(refhost::ParamStore& store, int position, bool hold, const std::string& id);

// Removes the entry's key at `at` (every key when none), and its twin's. Throws naming `id`
// when the entry has no such key.
void removeKeys(refhost::ParamStore& store, int position, std::optional<refhost::KeyTime> at,
                const std::string& id, int frame);

}  // namespace duovis::session
