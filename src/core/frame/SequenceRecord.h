// The per-instance record the host saves with a project: the process-wide global display
// switch and mode at the moment of saving, as two little-endian signed 32-bit integers.
#pragma once

#include "core/frame/GlobalDisplayState.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace duovis {

constexpr size_t kSequenceRecordSize = 8;

struct SequenceRecord {
    int32_t displaySwitch = -1;
    int32_t displayMode = 0;
};

// A fresh instance's record: switch off, no mode.
SequenceRecord initialSequenceRecord();

std::array<uint8_t, kSequenceRecordSize> encodeSequenceRecord(const SequenceRecord& r);
SequenceRecord decodeSequenceRecord(const uint8_t* bytes);

// The flat form written for saving: the global display as it is now.
SequenceRecord flattenSequence(const GlobalDisplayState& state);

// Re-setup when a project is opened. Only the first re-setup in the process can restore the
// global display, and only a switch stored as on. A record shorter than 8 bytes, or one whose
// switch is on with a mode that names no display type (a damaged project), restores nothing;
// every re-setup with data counts. Returns whether the state was restored.
bool resetupSequence(GlobalDisplayState& state, const uint8_t* bytes, size_t size);

}  // namespace duovis
