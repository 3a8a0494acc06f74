#include "core/frame/FrameSetup.h"

namespace duovis {

OutputBufferRequest outputBufferRequest(uint32_t layerWidth, uint32_t layerHeight, Ratio downsampleX,
                                        Ratio downsampleY, int primaryDemuxCode, int displayCode,
                                        int32_t hostWidth, int32_t hostHeight) {
    const LayerSize layer{layerWidth, layerHeight, downsampleX, downsampleY};
    return outputBufferRequest(planSizes(layer, primaryDemuxCode, displayCode).output, hostWidth, hostHeight);
}

OutputBufferRequest outputBufferRequest(OutputSize output, int32_t hostWidth, int32_t hostHeight) {
    OutputBufferRequest r;
    r.width = output.width;
    r.height = output.height;
    r.originH = (output.width - hostWidth) / 2;
    r.originV = (output.height - hostHeight) / 2;
    return r;
}

// A zero frame duration (no valid timing) would divide by zero; the previous rate is better
// kept by the caller, so this reports 0 and the caller decides.
float framesPerSecond(uint32_t timeScale, int32_t timeStep) {
    if (timeStep == 0) return 0.0f;
    return float(timeScale) / float(timeStep);
}

}  // namespace duovis
