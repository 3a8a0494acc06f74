// One output frame of either element: GStreamer's mapped frames handed to the engine adapter,
// with failures posted on the bus as one line naming the element and the frame.
#pragma once

#include "core/params/ParamValues.h"

#include <gst/video/video.h>

namespace duovis::gst {

struct RenderRequest {
    GstElement* element = nullptr;         // posts the error
    const GstVideoFrame* left = nullptr;   // the primary frame
    const GstVideoFrame* right = nullptr;  // the second layer, or null
    GstVideoFrame* out = nullptr;
    unsigned threads = 0;  // 0: one per core
};

// The frame number of a stream time at the caps' rate, for the alternating display type;
// a still stream (rate 0) or an unknown time is frame 0.
int32_t frameNumberAt(GstClockTime streamTime, const GstVideoInfo& info);

// Renders `request` with `values`; GST_FLOW_ERROR (after posting the error) where the engine
// refuses the frame or runs out of memory.
GstFlowReturn renderStereoFrame(const RenderRequest& request, const ParamValues& values, int32_t frameNumber);

// Output buffers come from a pool with whatever the last frame left; the effect's own host
// hands it a cleared world, so the pixels it does not store are transparent black here too.
void clearFrame(GstVideoFrame* frame);

// Brings the element's controlled properties to `streamTime`, before its values are read.
void syncControlledValues(GstElement* element, GstClockTime streamTime);

}  // namespace duovis::gst
