// What both elements hold and offer as properties: the parameters and the thread count, read
// and written under the element's object lock.
#pragma once

#include "ParamProperties.h"
#include "core/params/ParamValues.h"

#include <gst/video/video.h>

namespace duovis::gst {

struct ElementSettings {
    ParamState params;
    guint threads = 0;  // 0: one per core
};

// Installs `n-threads` and one property per parameter.
void installElementProperties(GObjectClass* klass);

// GObject's set and get for an element holding `settings`; set answers whether the output
// caps may have to change.
bool setElementProperty(GObject* element, ElementSettings& settings, guint id, const GValue* value,
                        GParamSpec* pspec);
void getElementProperty(GObject* element, const ElementSettings& settings, guint id, GValue* value,
                        GParamSpec* pspec);

// A copy taken under the lock, for one frame or one negotiation.
ElementSettings settingsNow(GstObject* element, const ElementSettings& settings);

// The values a frame of the primary stream `info` renders with (see valuesForStream).
ParamValues valuesForFrame(const ElementSettings& now, const GstVideoInfo& info);

}  // namespace duovis::gst
