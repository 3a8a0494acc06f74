#include "Correction.h"

#include "core/params/Codes.h"
#include "core/params/ParamTable.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace depthscope {

using namespace duovis;

namespace {

// Both eyes' points as the effect displays them under `v`.
struct Displayed {
    StereoGeometry g;
    std::vector<cv::Point2d> left, right;
};

Displayed display(const ParamValues& v, EyeSize eye, const EyeMatches& pairs) {
    Displayed d;
    d.g = displayGeometry(v, eye);
    for (std::size_t i = 0; i < pairs.left.size(); ++i) {
        bool okL = false, okR = false;
        const cv::Point2d l = mapThrough(d.g.forwardL, pairs.left[i], okL);
        const cv::Point2d r = mapThrough(d.g.forwardR, pairs.right[i], okR);
        if (!okL || !okR) continue;
        d.left.push_back(l);
        d.right.push_back(r);
    }
    return d;
}

// The fit takes the right eye onto the left; the misalignment is its inverse, read at the
// centre.
Misalignment misalignmentOf(const VerticalFit& f, const Displayed& d) {
    Misalignment m;
    const double s = f.scale();
    m.rotationDeg = -f.rotationDeg();
    m.scalePct = (1.0 / s - 1.0) * 100.0;
    m.verticalPx = -f.ty * (f.a / s) / s;
    m.rmsPx = verticalRms(f, d.right, d.left);
    return m;
}

DisparityRange disparityOf(const Displayed& d, EyeSize eye) {
    DisparityRange r;
    for (std::size_t i = 0; i < d.left.size(); ++i)
        r.pct.push_back((d.right[i].x - d.left[i].x) / eye.width * 100.0);
    // A stray pair or two must not set the depth budget.
    r.nearPct = percentileOf(r.pct, 0.01);
    r.farPct = percentileOf(r.pct, 0.99);
    return r;
}

// The reply slot for a value: rounded to the slot's step (the effect's own packing truncates,
// which would throw away up to a whole step of the correction).
int32_t replySlotValue(const ToolSlotEntry& e, double value) {
    const double x = std::round(value * e.scale);
    const double lim = static_cast<double>(std::numeric_limits<int32_t>::max());
    return static_cast<int32_t>(std::clamp(x, -lim, lim));
}

double heldToRange(ParamId id, double value) {
    const ParamDef& def = paramDef(id);
    return std::clamp(value, static_cast<double>(def.validMin), static_cast<double>(def.validMax));
}

}  // namespace

StereoGeometry displayGeometry(const ParamValues& v, EyeSize eye) {
    return computeStereoGeometry(v, eye, computeOutputSize(eye, DISPLAY_LEFT));
}

double percentileOf(std::vector<double> v, double p) {
    if (v.empty()) return 0.0;
    const auto k = static_cast<std::size_t>(std::lround(p * static_cast<double>(v.size() - 1)));
    std::nth_element(v.begin(), v.begin() + static_cast<long>(k), v.end());
    return v[k];
}

ParamValues valuesFromBlock(const ToolBlock& block) {
    ParamValues v = ParamValues::defaults();
    const ToolSlotTable& table = toolSlotTable();
    for (int s = 0; s < kToolBlockSlots; ++s) {
        const ToolSlotEntry& e = table[static_cast<std::size_t>(s)];
        if (e.encoding != SlotEncoding::None)
            v[e.param] = decodeToolSlot(e, block.slot[static_cast<std::size_t>(s)], 1.0f);
    }
    return v;
}

namespace {

// What the fit changed in the keystones, read as the keystone the right eye shows (the
// opposite of the correction); zero where the fit leaves them. Where the pairs do not reach
// across the frame, the plain fit's rotation or scale is an extrapolation: the reading is the
// fit's own, and what it left alone reads zero.
void readFit(const ParamValues& from, const ParamValues& to, const EyeFit& f, EyeSize eye, Misalignment& m) {
    m.keystoneHDeg = f.fitted(3) ? from[HKEYSTONE_R] - to[HKEYSTONE_R] : 0.0;
    m.keystoneVDeg = f.fitted(4) ? from[VKEYSTONE_R] - to[VKEYSTONE_R] : 0.0;
    if (f.reach.acrossX && f.reach.acrossY) return;
    m.verticalPx = (from[VSHIFT_PCT_R] - to[VSHIFT_PCT_R]) / 100.0 * eye.height;
    m.rotationDeg = f.fitted(1) ? from[ROTATE_R] - to[ROTATE_R] : 0.0;
    m.scalePct = f.fitted(2) ? (std::exp2(from[SCALE_R] - to[SCALE_R]) - 1.0) * 100.0 : 0.0;
}

}  // namespace

Correction computeCorrection(const ParamValues& current, EyeSize eye, const EyeMatches& pairs,
                             FitReach reach) {
    Correction c;
    c.before = current;
    const Displayed now = display(current, eye, pairs);
    VerticalFit fit;
    fit.centre = cv::Point2d(now.g.centreX, now.g.centreY);
    if (!fitVertical(now.right, now.left, fit.centre, fit)) fit = VerticalFit{1, 0, 0, fit.centre};
    c.measured = misalignmentOf(fit, now);

    c.fit = fitRightEye(current, eye, pairs.left, pairs.right, reach);
    readFit(current, c.fit.values, c.fit, eye, c.measured);
    c.after = current;
    const ToolSlotTable& table = toolSlotTable();
    for (std::size_t k = 0; k < std::size(kFitParams); ++k) {
        if (!c.fit.fitted(k)) continue;
        const ParamId id = kFitParams[k];
        const int slot = *toolSlotOf(id);
        const ToolSlotEntry& e = table[static_cast<std::size_t>(slot)];
        const int32_t encoded = replySlotValue(e, heldToRange(id, c.fit.values[id]));
        c.replySlots.emplace_back(slot, encoded);
        // What the effect will hold once it has decoded the slot.
        c.after[id] = decodeToolSlot(e, encoded, 1.0f);
    }

    const Displayed corrected = display(c.after, eye, pairs);
    VerticalFit rest;
    if (!fitVertical(corrected.right, corrected.left, fit.centre, rest))
        rest = VerticalFit{1, 0, 0, fit.centre};
    c.residual = misalignmentOf(rest, corrected);
    readFit(c.after, refitRightEye(c.after, eye, pairs.left, pairs.right, c.fit.model, reach), c.fit, eye,
            c.residual);
    c.disparity = disparityOf(corrected, eye);
    return c;
}

ToolBlock replyBlock(const ToolBlock& sent, const Correction& c) {
    ToolBlock reply = emptyReply(sent);
    uint64_t mask = 0;
    for (const auto& [slot, value] : c.replySlots) {
        reply.slot[static_cast<std::size_t>(slot)] = value;
        mask |= uint64_t(1) << slot;
    }
    reply.setMask(mask);
    return reply;
}

ToolBlock emptyReply(const ToolBlock& sent) {
    ToolBlock reply = sent;
    reply.slot[TOOL_SLOT_LENGTH] = kToolBlockBytes;
    reply.setMask(0);
    return reply;
}

}  // namespace depthscope
