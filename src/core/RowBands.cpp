#include "RowBands.h"

#include "Codes.h"

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
    plan.sharedEnd = plan.height;
    if (eyeWidth <= 0 || eyeHeight <= 0) return plan;
    // In the top-bottom squeeze an odd grid shares its middle destination row between the
    // right eye's first row and the left eye's last, and the last row's store must remain; so
    // the last row runs once every band is done.
    if (displayCode == DISPLAY_TB_HALF && plan.height % 2 != 0) plan.sharedEnd = plan.height - 1;
    int64_t rows = (kMinBandPositions + eyeWidth - 1) / eyeWidth;
    rows += rows % 2;  // bands start on even rows: the rows squeezed into one stay together
    const int64_t count = (plan.sharedEnd + rows - 1) / rows;
    if (count < 2) {
        plan.sharedEnd = plan.height;
        return plan;
    }
    plan.rows = int32_t(rows);
    plan.count = int32_t(count);
    return plan;
}

RowBand rowBandAt(const RowBandPlan& plan, int32_t index) {
    if (plan.count < 2) return RowBand{0, plan.height};
    const int32_t begin = index * plan.rows;
    return RowBand{begin, std::min(plan.sharedEnd, begin + plan.rows)};
}

RowBand rowsAfterBands(const RowBandPlan& plan) {
    return RowBand{plan.sharedEnd, plan.height};
}

}  // namespace duovis
