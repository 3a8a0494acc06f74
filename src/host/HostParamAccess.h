// The host's parameter array as a command handler reads and writes it: by position, checked
// against the kind the host registered, and every write marked changed so the host keeps it.
#pragma once

#include "AE_Effect.h"
#include "core/params/ParamId.h"
#include "core/params/ParamValues.h"

namespace duovis {

class HostParamAccess {
  public:
    HostParamAccess(PF_ParamDef* params[], A_long count) : params_(params), count_(count) {}

    // The entry, if the host handed it over with this type; null otherwise.
    const PF_ParamDef* def(ParamId id, PF_ParamType type) const;
    const PF_ParamDef* floatDef(ParamId id) const { return def(id, PF_Param_FLOAT_SLIDER); }

    // A popup's or checkbox's value; `fallback` when the entry is missing.
    int integer(ParamId id, int fallback) const;
    double floatValue(ParamId id) const;
    ParamValues values() const;

    void setFloat(ParamId id, double value);
    void setInteger(ParamId id, int32_t value);  // a popup or a checkbox
    void resetFloat(ParamId id);                 // back to the registered default

  private:
    PF_ParamDef* entry(ParamId id) const;

    PF_ParamDef** params_;
    A_long count_;
};

}  // namespace duovis
