// Stereo layouts as GStreamer's caps carry them (multiview-mode, multiview-flags), and the
// output caps the effect makes from an input's.
#pragma once

#include "ParamProperties.h"
#include "core/params/ParamValues.h"

#include <gst/gst.h>

namespace duovis::gst {

// The values a stream's frames render with: the element's, with the demux mode and the eye
// order taken from the stream's announced packing where "primary-demux-mode" was not given.
// `caps` is one fixed structure of the primary input.
ParamValues valuesForStream(const ParamState& state, const GstStructure* caps);

// The caps the effect makes from `caps` (sink to source) or accepts for `caps` (source to
// sink): the size the display type needs where the input's is fixed, any size otherwise, and
// the output's packing announced.
GstCaps* transformStereoCaps(const ParamState& state, GstPadDirection direction, GstCaps* caps);

// Sets an output structure's size and announced packing for an input of `width` x `height`;
// false, leaving it as it was, where that size has no output.
bool setOutputLayout(GstStructure* out, const ParamValues& v, int width, int height);

}  // namespace duovis::gst
