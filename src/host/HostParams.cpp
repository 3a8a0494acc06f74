#include "HostParams.h"

#include "core/params/ParamTable.h"

#include <cstddef>

namespace duovis {

ParamValues paramValuesFromHost(PF_ParamDef* const params[], A_long count) {
    ParamValues v = ParamValues::defaults();
    if (!params) return v;
    for (const ParamDef& d : paramTable()) {
        if (d.position >= count) break;
        const PF_ParamDef* p = params[d.position];
        if (!p) continue;
        double& value = v.values[std::size_t(d.position)];
        switch (d.kind) {
            case ParamKind::Popup:
                value = p->u.pd.value;
                break;
            case ParamKind::Checkbox:
                value = p->u.bd.value;
                break;
            case ParamKind::FloatSlider:
                value = p->u.fs_d.value;
                break;
            default:
                break;  // buttons, groups, layers, colour and data areas carry no value here
        }
    }
    return v;
}

LayerSize layerSize(const PF_InData* in) {
    const auto ratio = [](const PF_RationalScale& r) { return Ratio{static_cast<uint32_t>(r.num), r.den}; };
    return LayerSize{static_cast<uint32_t>(in->width), static_cast<uint32_t>(in->height),
                     ratio(in->downsample_x), ratio(in->downsample_y)};
}

}  // namespace duovis
