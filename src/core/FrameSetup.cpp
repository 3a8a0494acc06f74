#include "FrameSetup.h"

namespace duovis {

OutputBufferRequest outputBufferRequest(uint32_t layerWidth, uint32_t layerHeight, Ratio downsampleX,
                                        Ratio downsampleY, int primaryDemuxCode, int displayCode,
                                        int32_t hostWidth, int32_t hostHeight) {
    const EyeSize eye = computeEyeSize(layerWidth, layerHeight, downsampleX, downsampleY, primaryDemuxCode);
    const OutputSize out = computeOutputSize(eye, displayCode);
    OutputBufferRequest r;
    r.width = out.width;
    r.height = out.height;
    r.originH = (out.width - hostWidth) / 2;
    r.originV = (out.height - hostHeight) / 2;
    return r;
}

// A zero frame duration (no valid timing) would divide by zero; the previous rate is better
// kept by the caller, so this reports 0 and the caller decides.
float framesPerSecond(uint32_t timeScale, int32_t timeStep) {
    if (timeStep == 0) return 0.0f;
    return float(timeScale) / float(timeStep);
}

}  // namespace duovis
