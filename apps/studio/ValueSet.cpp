#include "ValueSet.h"

#include <algorithm>

namespace duovis::studio {

namespace {

bool sameValue(const PF_ParamDef& a, const PF_ParamDef& b) {
    switch (a.param_type) {
        case PF_Param_POPUP:
            return a.u.pd.value == b.u.pd.value;
        case PF_Param_CHECKBOX:
            return a.u.bd.value == b.u.bd.value;
        case PF_Param_FLOAT_SLIDER:
            return a.u.fs_d.value == b.u.fs_d.value;
        case PF_Param_COLOR:
            return a.u.cd.value.red == b.u.cd.value.red && a.u.cd.value.green == b.u.cd.value.green &&
                   a.u.cd.value.blue == b.u.cd.value.blue && a.u.cd.value.alpha == b.u.cd.value.alpha;
        default:
            return true;  // no value
    }
}

}  // namespace

ValueSet snapshotValues(const refhost::ParamStore& store) {
    ValueSet values;
    values.reserve(static_cast<std::size_t>(store.count()));
    for (int i = 0; i < store.count(); ++i) values.push_back(store.at(i));
    return values;
}

void restoreValues(refhost::ParamStore& store, const ValueSet& values) {
    const int shared = std::min(store.count(), static_cast<int>(values.size()));
    for (int i = 1; i < shared; ++i) {
        // Another host's table may hold a different kind at a position (a drawn area where
        // this one has a colour): its bytes are no value here.
        const PF_ParamDef& value = values[static_cast<std::size_t>(i)];
        if (value.param_type == store.at(i).param_type) store.adopt(i, value);
    }
}

std::vector<int> differingPositions(const ValueSet& a, const ValueSet& b) {
    std::vector<int> positions;
    const std::size_t shared = std::min(a.size(), b.size());
    for (std::size_t i = 1; i < shared; ++i)
        if (!sameValue(a[i], b[i])) positions.push_back(static_cast<int>(i));
    return positions;
}

}  // namespace duovis::studio
