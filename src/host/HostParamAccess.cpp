#include "HostParamAccess.h"

#include "HostParams.h"

namespace duovis {

PF_ParamDef* HostParamAccess::entry(ParamId id) const {
    if (!params_ || id < 0 || id >= count_) return nullptr;
    return params_[id];
}

const PF_ParamDef* HostParamAccess::def(ParamId id, PF_ParamType type) const {
    const PF_ParamDef* p = entry(id);
    return p && p->param_type == type ? p : nullptr;
}

int HostParamAccess::integer(ParamId id, int fallback) const {
    if (const PF_ParamDef* p = def(id, PF_Param_POPUP)) return p->u.pd.value;
    if (const PF_ParamDef* p = def(id, PF_Param_CHECKBOX)) return p->u.bd.value;
    return fallback;
}

double HostParamAccess::floatValue(ParamId id) const {
    const PF_ParamDef* p = floatDef(id);
    return p ? p->u.fs_d.value : 0.0;
}

ParamValues HostParamAccess::values() const {
    return paramValuesFromHost(params_, count_);
}

void HostParamAccess::setFloat(ParamId id, double value) {
    PF_ParamDef* p = entry(id);
    if (!p || p->param_type != PF_Param_FLOAT_SLIDER) return;
    p->u.fs_d.value = value;
    p->uu.change_flags |= PF_ChangeFlag_CHANGED_VALUE;
}

void HostParamAccess::setInteger(ParamId id, int32_t value) {
    PF_ParamDef* p = entry(id);
    if (!p) return;
    if (p->param_type == PF_Param_POPUP) {
        p->u.pd.value = value;
    } else if (p->param_type == PF_Param_CHECKBOX) {
        p->u.bd.value = value;
    } else {
        return;
    }
    p->uu.change_flags |= PF_ChangeFlag_CHANGED_VALUE;
}

void HostParamAccess::resetFloat(ParamId id) {
    if (const PF_ParamDef* p = floatDef(id)) setFloat(id, static_cast<double>(p->u.fs_d.dephault));
}

}  // namespace duovis
