#include "core/frame/SequenceRecord.h"

#include "core/params/Codes.h"

#include <cstring>

namespace duovis {

namespace {
void putLE(uint8_t* d, int32_t v) {
    const uint32_t u = uint32_t(v);
    for (int i = 0; i < 4; ++i) d[i] = uint8_t(u >> (8 * i));
}
int32_t getLE(const uint8_t* s) {
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= uint32_t(s[i]) << (8 * i);
    return int32_t(u);
}
}  // namespace

SequenceRecord initialSequenceRecord() {
    return SequenceRecord{};
}

std::array<uint8_t, kSequenceRecordSize> encodeSequenceRecord(const SequenceRecord& r) {
    std::array<uint8_t, kSequenceRecordSize> b{};
    putLE(b.data(), r.displaySwitch);
    putLE(b.data() + 4, r.displayMode);
    return b;
}

SequenceRecord decodeSequenceRecord(const uint8_t* bytes) {
    return SequenceRecord{getLE(bytes), getLE(bytes + 4)};
}

SequenceRecord flattenSequence(const GlobalDisplayState& state) {
    return SequenceRecord{state.displaySwitch, state.displayMode};
}

bool resetupSequence(GlobalDisplayState& state, const uint8_t* bytes, size_t size) {
    if (!bytes) return false;
    bool restored = false;
    if (size >= kSequenceRecordSize) {
        const SequenceRecord r = decodeSequenceRecord(bytes);
        const bool valid = isDisplayTypeValue(r.displayMode);
        if (state.resetupCount < 1 && r.displaySwitch > 0 && valid) {
            state.displaySwitch = r.displaySwitch;
            state.displayMode = r.displayMode;
            restored = true;
        }
    }
    ++state.resetupCount;
    return restored;
}

}  // namespace duovis
