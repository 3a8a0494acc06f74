// One measurement, as both the effect's press and `depthscope analyse` run it.
#pragma once

#include "Correction.h"
#include "EyeViews.h"
#include "Matching.h"

#include <string>

namespace depthscope {

struct Analysis {
    bool ok = false;
    std::string error;  // why there is no correction
    EyeViews views;
    EyeMatches pairs;
    Correction correction;
};

Analysis analyse(const EyeViews& views, const duovis::ParamValues& current);

}  // namespace depthscope
