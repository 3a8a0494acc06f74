// The one record per process through which an instance can force its display type on every
// instance of the effect, and which carries the current frame rate to the tool link.
#pragma once

#include <cstdint>

namespace duovis {

struct GlobalDisplayState {
    int32_t resetupCount = 0;    // sequence re-setups handled since the record was created
    int32_t displaySwitch = -1;  // > 0: on; the switch button negates it
    int32_t displayMode = 0;     // a 1-based "Display Type" value; 0: none chosen yet
    float framesPerSecond = 29.97f;
};

// Returns the process's record, creating it with the initial values on first access.
GlobalDisplayState& globalDisplayState();

// Frees the record (global set-down); the next access starts afresh.
void deleteGlobalDisplayState();

// The display code an instance renders with: the global mode when the switch is on, else the
// instance's own 1-based "Display Type" value, minus one. The result is always one of the
// fourteen display codes: a global mode that names no display type (none chosen yet, or a
// damaged saved state) forces nothing, and an own value outside the popup reads as the
// default "Side-By-Side(50%)". Output sizing and both renders rely on that, so no path can
// leave a frame unwritten.
int displayCodeInForce(const GlobalDisplayState& state, int displayTypeValue);

// The switch after one press: negated, so -1 and 1 alternate. A value negation cannot turn
// (0, or the most negative integer, from a damaged saved state) becomes on.
int32_t toggledDisplaySwitch(int32_t displaySwitch);

}  // namespace duovis
