#pragma once
// What a shot press says of each frame: what the tool measured there and what was keyed, or
// that it refused the frame.

#include <map>
#include <string>

#include "session/ShotPress.h"

namespace duovis::session {

// "VSHIFT_PCT_R -2.5000, ROTATE_R 0.1000": values by their identifiers.
std::string shotValuesText(const std::map<int, double>& values);

// "frame 12: measured …; keyed …" or "frame 12: refused by the tool, no key"; a frame of a run
// stopped before its keys were made says what was measured alone.
std::string shotFrameLine(const ShotFrame& frame);

}  // namespace duovis::session
