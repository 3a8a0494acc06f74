#pragma once
// The host's clock for one applied effect: the time of the frame a command is about, in
// steps of `timeStep` at `timeScale` ticks a second, and the down-sampling of its frames.

#include "AE_Effect.h"

namespace duovis::refhost {

struct HostTime {
    A_long currentTime = 0;
    A_long timeStep = 1;
    A_u_long timeScale = 24;
    A_long totalTime = 240;
    PF_RationalScale downsampleX{1, 1};
    PF_RationalScale downsampleY{1, 1};
};

}  // namespace duovis::refhost
