#include "core/frame/FramePlan.h"

namespace duovis {

FrameSizes planSizes(const LayerSize& layer, int primaryDemuxCode, int displayCode) {
    FrameSizes s;
    s.eye = computeEyeSize(layer.width, layer.height, layer.downsampleX, layer.downsampleY, primaryDemuxCode);
    s.output = computeOutputSize(s.eye, displayCode);
    return s;
}

FramePlan planFrame(const GlobalDisplayState& state, const ParamValues& v, const LayerSize& layer) {
    FramePlan p;
    p.displayCode = displayCodeInForce(state, v.integer(DISPLAY_TYPE));
    p.sizes = planSizes(layer, primaryDemuxCode(v), p.displayCode);
    p.cropL = cropWindow(v, Eye::Left);
    p.cropR = cropWindow(v, Eye::Right);
    return p;
}

}  // namespace duovis
