// The depth budget from a dense disparity map of the corrected pair: both eyes rendered through
// the effect's geometry at the replied values, matched by semi-global matching at a reduced
// size, each disparity kept only where the right eye's map agrees with the left's. Sparse
// features miss smooth surfaces, and a handful of them cannot set the near end; every matched
// pixel can.
#pragma once

#include "core/frame/EyeGeometry.h"
#include "core/params/ParamValues.h"

#include <opencv2/core.hpp>

namespace depthscope {

struct DepthBudget {
    bool measured = false;           // enough of the picture matched
    double nearPct = 0, farPct = 0;  // 2nd and 98th percentiles, right minus left, percent of the width
    double validShare = 0;           // share of the map's pixels with a consistent disparity
    cv::Mat pct;  // the map: right minus left in percent of the width, NaN where unmatched (CV_32F)
};

// The pair as displayed under `v`, searched for disparities between `fromPct` and `toPct` (right
// minus left, percent of the width) and a margin around them.
DepthBudget denseDepth(const cv::Mat& left, const cv::Mat& right, const duovis::ParamValues& v,
                       duovis::EyeSize eye, double fromPct, double toPct);

}  // namespace depthscope
