// The plug-in's two elements, registered by the plug-in's init.
#pragma once

#include <gst/gst.h>

namespace duovis::gst {

// The formats both elements take and make: 8-bit RGBA, and 16-bit RGBA rendered in float.
#define DUOVIS_GST_CAPS GST_VIDEO_CAPS_MAKE("{ RGBA, RGBA64_LE }")

GType duovisFilterType();
GType duovisPairType();

}  // namespace duovis::gst
