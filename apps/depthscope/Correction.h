// From matched points to the values the effect should take: "Vertical Shift Right %", "Rotate
// Right" and "Scale Right", and the right eye's keystones where the pairs support them, fitted
// through the effect's own eye geometry from the values it holds now so that the geometry,
// evaluated again, puts the right eye on the left. Horizontal offsets stay: they are the depth
// of the picture.
#pragma once

#include "EyeFit.h"
#include "Matching.h"

#include "core/frame/EyeGeometry.h"
#include "core/params/ParamValues.h"
#include "core/params/ToolBlock.h"

#include <opencv2/core.hpp>

#include <vector>

namespace depthscope {

// The right eye against the left as displayed: where it sits, how it is turned and sized.
struct Misalignment {
    double verticalPx = 0;                      // positive: the right eye sits lower
    double rotationDeg = 0;                     // positive: turned clockwise
    double scalePct = 0;                        // positive: larger
    double keystoneHDeg = 0, keystoneVDeg = 0;  // as the effect's keystones would turn it; 0 unfitted
    double rmsPx = 0;                           // vertical scatter of the pairs around the fit
};

struct DisparityRange {
    double nearPct = 0, farPct = 0;  // right minus left, percent of the eye width
    std::vector<double> pct;         // every pair's disparity, for the histogram
};

struct Correction {
    duovis::ParamValues before, after;                // the effect's values now, and as the reply sets them
    EyeFit fit;                                       // the values fitted and the model chosen
    Misalignment measured;                            // at the values now
    Misalignment residual;                            // at the replied values
    DisparityRange disparity;                         // at the replied values
    std::vector<std::pair<int, int32_t>> replySlots;  // slot and encoded value, mask bits to set
};

// The geometry both eyes are displayed with under `v`. The output width only enters the
// keystone's viewing distance; one eye's width is what a single-eye display uses.
duovis::StereoGeometry displayGeometry(const duovis::ParamValues& v, duovis::EyeSize eye);

// The value a share `p` (0..1) of `v` lies at or below; 0 for none.
double percentileOf(std::vector<double> v, double p);

// The parameter values the block carries; what it does not carry keeps its default.
duovis::ParamValues valuesFromBlock(const duovis::ToolBlock& block);

// `reach` says which way the pairs spread far enough to fix rotation, scale and keystones.
Correction computeCorrection(const duovis::ParamValues& current, duovis::EyeSize eye, const EyeMatches& pairs,
                             FitReach reach = {});

// The block the effect gets back: the one it sent with the corrected slots and their mask bits.
duovis::ToolBlock replyBlock(const duovis::ToolBlock& sent, const Correction& c);

// The same block with nothing to apply.
duovis::ToolBlock emptyReply(const duovis::ToolBlock& sent);

}  // namespace depthscope
