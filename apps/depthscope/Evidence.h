// Whether the matched pairs can carry a correction for the whole frame: how much of the frame
// they cover, and whether the frame's halves, fitted on their own, agree with the whole fit. A
// repeated pattern matched one period off, or a fit extrapolated from one corner or one strip,
// shows up here; such a pair gets a refusal instead of a confident wrong answer.
#pragma once

#include "Cells.h"
#include "EyeFit.h"
#include "Matching.h"

#include <opencv2/core.hpp>

#include <array>
#include <string>

namespace depthscope {

struct Evidence {
    double coverage = 0;                                     // share of the grid's cells holding inliers
    std::array<bool, kCoverageGrid * kCoverageGrid> held{};  // which of them, row by row
    double spreadX = 0;              // inliers' 10th-90th percentile span, share of the width
    double spreadY = 0;              // the same in height
    std::array<int, 4> inliers{};    // per quadrant: top left, top right, bottom left, bottom right
    int halvesCompared = 0;          // halves with enough pairs of their own to fit
    double disagreementPx = 0;       // largest vertical difference between a half's fit and the whole's
    double disagreementLimitPx = 0;  // what the frame's size allows
};

Evidence weighEvidence(const EyeMatches& m, cv::Size view);

// Which way the pairs spread far enough to fix the terms that need that way.
FitReach reachOf(const Evidence& e);

// Why the evidence cannot carry a correction, in one line; empty when it can.
std::string refusalReason(const Evidence& e);

}  // namespace depthscope
