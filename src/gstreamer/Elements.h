// The plug-in's two elements, registered by the plug-in's init.
#pragma once

#include <gst/gst.h>

namespace duovis::gst {

// Property ids of each element: its own first, then one per parameter from kFirstParamId on.
enum ElementProperty : guint { PROP_0, PROP_N_THREADS, kFirstParamId };

// The formats both elements take and make: 8-bit RGBA, and 16-bit RGBA rendered in float.
#define DUOVIS_GST_CAPS GST_VIDEO_CAPS_MAKE("{ RGBA, RGBA64_LE }")

GType duovisFilterType();
GType duovisPairType();

}  // namespace duovis::gst
