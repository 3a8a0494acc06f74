// The effect's parameters as GObject properties, one per parameter the engine offers, named by
// the identifiers in dash case: popups as enums (1-based, as the effect counts), checkboxes as
// booleans, sliders as doubles with the effect's ranges and defaults; sliders the effect lets
// vary over time are controllable.
#pragma once

#include "core/params/ParamValues.h"

#include <glib-object.h>

namespace duovis::gst {

// What an element holds for its parameter properties; read and written under the object lock.
struct ParamState {
    ParamValues values = ParamValues::defaults();
    // "primary-demux-mode" was given: the stream's announced packing no longer chooses it.
    bool demuxGiven = false;
};

// Installs the properties with ids firstId, firstId + 1, ... in the engine's order.
void installParamProperties(GObjectClass* klass, guint firstId);

// Set and get for a property id; false where the id is not a parameter property.
bool setParamProperty(ParamState& state, guint propId, guint firstId, const GValue* value);
bool getParamProperty(const ParamState& state, guint propId, guint firstId, GValue* value);

// Whether a property's change can alter the output caps (size or announced layout).
bool changesOutputCaps(guint propId, guint firstId);

}  // namespace duovis::gst
