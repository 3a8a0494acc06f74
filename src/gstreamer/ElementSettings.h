// What both elements hold and offer as properties: the parameters and the thread count, read
// and written under the element's object lock.
#pragma once

#include "ParamProperties.h"
#include "core/params/ParamValues.h"

#include <gst/video/video.h>

namespace duovis::gst {

// The values that size the output and announce its layout, as the output caps were made with.
struct NegotiatedLayout {
    bool set = false;
    double displayType = 0, demuxMode = 0;
    bool demuxGiven = false;
};

struct ElementSettings {
    ParamState params;
    guint threads = 0;  // 0: one per core
    NegotiatedLayout layout;
};

// Installs `n-threads` and one property per parameter.
void installElementProperties(GObjectClass* klass);

// GObject's set and get for an element holding `settings`; set answers whether the output
// caps may have to change.
bool setElementProperty(GObject* element, ElementSettings& settings, guint id, const GValue* value,
                        GParamSpec* pspec);
void getElementProperty(GObject* element, const ElementSettings& settings, guint id, GValue* value,
                        GParamSpec* pspec);

// A copy taken under the lock, for one negotiation.
ElementSettings settingsNow(GstObject* element, const ElementSettings& settings);

// Records the layout values of the caps just made; frames render with them until the next
// negotiation, so a display type changed while a frame is on its way cannot meet an output
// buffer of the other size.
void keepNegotiatedLayout(GstObject* element, ElementSettings& settings);

// A copy for one frame: the current values with the negotiated layout.
ElementSettings settingsForFrame(GstObject* element, const ElementSettings& settings);

// The values a frame of the primary stream `info` renders with (see valuesForStream).
ParamValues valuesForFrame(const ElementSettings& now, const GstVideoInfo& info);

}  // namespace duovis::gst
