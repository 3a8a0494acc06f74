#pragma once
// The parallax tool pressed over a shot: at each frame the tool gets that frame's pixels and
// the values it replies are keyed there; the keyed corrections are then smoothed over the shot.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "session/FrameSequence.h"
#include "session/Project.h"
#include "session/RenderJob.h"

namespace duovis::session {

struct ShotFrame {
    int frame = 0;
    bool refused = false;            // the tool changed no value: no key here
    std::map<int, double> measured;  // position -> the value the tool replied
    std::map<int, double> keyed;     // position -> the value keyed after smoothing
};

struct ShotPressOptions {
    FrameRange frames;
    int smooth = 1;  // keys each smoothed value is fitted over; 1 keeps them as measured
    double fps = 24;
    // Told after each frame's press, before the smoothing.
    std::function<void(const ShotFrame&)> pressed;
};

// Presses LAUNCH_TOOL of the opened project's instance at each frame. Throws naming the frame
// when a layer's frame cannot be read or the effect fails; the instance then holds what the
// frames before it keyed.
std::vector<ShotFrame> pressShot(RenderJob& job, const Project& project, const ShotPressOptions& options);

}  // namespace duovis::session
