// A shot's depth, frame by frame: the near and far ends of the dense disparity map of each
// frame (right minus left, percent of the eye width, so near is negative and far positive),
// held against comfort limits, for a person and for scripts.
#pragma once

#include "EyeViews.h"

#include <QByteArray>

#include <string>
#include <vector>

namespace depthscope {

// The comfort limits, in the same sign: nothing nearer than `nearPct`, nothing farther than
// `farPct`. The defaults are a common rule for large screens.
struct ComfortLimits {
    double nearPct = -1.0;
    double farPct = 2.0;
};

// "NEAR,FAR" as --limits takes it; throws std::runtime_error naming the option where the text
// is not two numbers with NEAR below FAR.
ComfortLimits parseComfortLimits(const std::string& text);

struct FrameDepth {
    int frame = 0;
    bool measured = false;
    double nearPct = 0, farPct = 0;  // where measured
    std::string reason;              // why not measured
    bool beyond = false;             // measured, and nearer or farther than the limits allow
};

// Whether a frame measured at `nearPct` to `farPct` leaves the limits.
bool beyondLimits(double nearPct, double farPct, const ComfortLimits& limits);

// The frame's depth from the same measurement `analyse` runs on a pair: the misalignment
// corrected, then the dense map of the corrected pair. A frame the dense map cannot give a
// depth to comes back not measured, with the reason. Throws naming the frame where the
// measurement itself fails.
FrameDepth measureFrame(int frame, const EyeViews& views, const ComfortLimits& limits);

// {"frames": [{"frame": N, "disparity_pct": {"near": .., "far": ..}, "beyond_limits": ..}, ..],
//  "limits_pct": {..}}, the keys in that order; a frame not measured has null ends, and
// "measured": false with its "reason".
QByteArray shotJson(const std::vector<FrameDepth>& frames, const ComfortLimits& limits);

// One line for a person: "frame 12: near -1.234 %, far +0.987 %", with what leaves the limits
// or why the frame was not measured.
std::string frameLine(const FrameDepth& d, const ComfortLimits& limits);

}  // namespace depthscope
