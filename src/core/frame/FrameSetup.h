// The output buffer the compositing host is asked for at frame set-up: the output size of the
// display code in force, with the input kept centred in it.
#pragma once

#include "core/frame/EyeGeometry.h"
#include "core/frame/FramePlan.h"

#include <cstdint>

namespace duovis {

struct OutputBufferRequest {
    int32_t width = 0, height = 0;
    int32_t originH = 0, originV = 0;  // where the input's top-left lands in the output
};

// `output` is the frame plan's output size; `hostWidth`/`hostHeight` are the output size the
// host proposed for this command.
OutputBufferRequest outputBufferRequest(OutputSize output, int32_t hostWidth, int32_t hostHeight);

// The same from the layer size and downsample ratios (the host's), `primaryDemuxCode` (the
// sampler numbering) and `displayCode` (the code in force).
OutputBufferRequest outputBufferRequest(uint32_t layerWidth, uint32_t layerHeight, Ratio downsampleX,
                                        Ratio downsampleY, int primaryDemuxCode, int displayCode,
                                        int32_t hostWidth, int32_t hostHeight);

// Frames per second from the host's time scale and frame duration; 0 when the duration is 0.
float framesPerSecond(uint32_t timeScale, int32_t timeStep);

}  // namespace duovis
