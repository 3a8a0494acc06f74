#include "core/kernel/RowBands.h"

#include "core/params/Codes.h"

#include <algorithm>

namespace duovis {

namespace {
// Eye-grid positions of the smallest band: tens of microseconds of kernel work, against a
// hand-over of well under one.
constexpr int64_t kMinBandPositions = 32768;
}  // namespace

RowBandPlan planRowBands(int32_t eyeWidth, int32_t eyeHeight, int32_t displayCode) {
    RowBandPlan plan;
    plan.height = std::max(eyeHeight, int32_t(0));
    if (eyeWidth <= 0 || eyeHeight <= 0) return plan;
    // The top-bottom squeeze stores rows 2k and 2k + 1 of the left eye in one row, which a
    // band starting on an even row keeps together. With an odd height the right eye pairs
    // rows 2k - 1 and 2k instead, and its first row meets the left eye's last: every split
    // separates a pair whose later row must win, so such a grid goes in one pass.
    if (displayCode == DISPLAY_TB_HALF && eyeHeight % 2 != 0) return plan;
    int64_t rows = (kMinBandPositions + eyeWidth - 1) / eyeWidth;
    rows += rows % 2;
    const int64_t count = (int64_t(eyeHeight) + rows - 1) / rows;
    if (count < 2) return plan;
    plan.rows = int32_t(rows);
    plan.count = int32_t(count);
    return plan;
}

RowBand rowBandAt(const RowBandPlan& plan, int32_t index) {
    if (plan.count < 2) return RowBand{0, plan.height};
    const int32_t begin = index * plan.rows;
    return RowBand{begin, std::min(plan.height, begin + plan.rows)};
}

}  // namespace duovis
