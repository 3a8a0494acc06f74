#pragma once
// The parameter definitions an effect registered and their current values, kept the way a
// host keeps them: position 0 is the input layer, popups count from 1, and a value the
// effect writes during a command is taken only when it sets the changed-value flag. An entry
// with keys is animated: its value is the one at the host's current time, and a value set
// while it is animated sets the key at that time.

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "AE_Effect.h"
#include "HostTime.h"
#include "KeyTrack.h"

namespace duovis::refhost {

class ParamStore {
  public:
    ParamStore();

    void clear();                         // back to the input layer alone
    void append(const PF_ParamDef& def);  // a registered copy; its strings are copied too

    int count() const { return static_cast<int>(defs_.size()); }
    const PF_ParamDef& at(int position) const;

    // Position of the entry with host id `id`, or -1.
    int positionOfId(A_long id) const;
    // Position of the `nth` entry (0-based) called `name`, or -1.
    int positionOfName(const std::string& name, int nth = 0) const;

    // The clock whose current time animated values are read and keyed at; without one, time 0.
    void followClock(const HostTime* clock) { clock_ = clock; }
    KeyTime now() const;

    // The definition with its value at the current time, or at `at`: what a command gets.
    PF_ParamDef current(int position) const { return valueAt(position, now()); }
    PF_ParamDef valueAt(int position, KeyTime at) const;

    // Whether the entry's value may change over time (a slider, popup or checkbox the effect
    // has not marked as unable to vary in time).
    bool timeVaries(int position) const;
    bool animated(int position) const;
    // Empty for an entry without keys.
    const std::vector<Keyframe>& keys(int position) const;
    // The entry's key at exactly `at`, or null.
    const Keyframe* keyAt(int position, KeyTime at) const;
    // Sets a key, checked as the value setters check a value; popups and checkboxes hold.
    // Throws std::invalid_argument for an entry that cannot vary in time.
    void setKey(int position, Keyframe key);
    // Removes the key at `at`; the last key's removal leaves its value as the static value.
    bool removeKey(int position, KeyTime at);
    // Removes every key, keeping the value at the current time as the static value.
    void clearKeys(int position);

    // Value setters check the kind and range the definition declares; they throw
    // std::invalid_argument when the host would refuse the value. An animated entry gets the
    // value as a key at the current time (keeping that key's hold), others as their value.
    void setPopup(int position, A_long value);
    void setCheckbox(int position, bool on);
    void setFloat(int position, double value);
    A_long popup(int position) const;
    bool checkbox(int position) const;
    double floatValue(int position) const;

    // Takes back the value of an entry the effect marked changed during a command; `keyIt`
    // keys an entry that can vary in time even if it has no key yet (with that hold).
    void adopt(int position, const PF_ParamDef& written, bool keyIt = false, bool hold = false);

  private:
    PF_ParamDef& mutableAt(int position, PF_ParamType kind);
    const A_char* own(const A_char* text);
    // The value a definition holds, as a number, and the definition holding `value`.
    static double numberOf(const PF_ParamDef& def);
    static void putNumber(PF_ParamDef& def, double value);
    // Where a value that passed its checks goes: the key at now, or the static value.
    void store(int position, PF_ParamType kind, double value);

    std::vector<PF_ParamDef> defs_;
    std::deque<std::string> strings_;  // stable storage for the definitions' text pointers
    std::map<int, KeyTrack> tracks_;   // only entries with keys
    const HostTime* clock_ = nullptr;
};

}  // namespace duovis::refhost
