#pragma once
// The parameter definitions an effect registered and their current values, kept the way a
// host keeps them: position 0 is the input layer, popups count from 1, and a value the
// effect writes during a command is taken only when it sets the changed-value flag.

#include <deque>
#include <string>
#include <vector>

#include "AE_Effect.h"

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

    // Value setters check the kind and range the definition declares; they throw
    // std::invalid_argument when the host would refuse the value.
    void setPopup(int position, A_long value);
    void setCheckbox(int position, bool on);
    void setFloat(int position, double value);
    A_long popup(int position) const;
    bool checkbox(int position) const;
    double floatValue(int position) const;

    // Takes back the value of an entry the effect marked changed during a command.
    void adopt(int position, const PF_ParamDef& written);

  private:
    PF_ParamDef& mutableAt(int position, PF_ParamType kind);
    const A_char* own(const A_char* text);

    std::vector<PF_ParamDef> defs_;
    std::deque<std::string> strings_;  // stable storage for the definitions' text pointers
};

}  // namespace duovis::refhost
