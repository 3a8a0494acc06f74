// The per-instance sequence data: an 8-byte record that carries the process-wide global
// display into saved projects and back.
#include "Commands.h"
#include "SuiteAccess.h"
#include "core/frame/SequenceRecord.h"

#include <cstring>

namespace duovis {

namespace {

void disposeWithHost(const PF_InData* in, PF_Handle h) {
    if (h && in->utils && in->utils->dispose_handle) in->utils->dispose_handle(h);
}

enum class NewRecord { Stored, NoMemory, NotPinned };

// A new handle holding `record` in `*h`. A handle that cannot be pinned goes straight back
// rather than being left to nobody.
NewRecord newRecordHandle(const PF_HandleSuite2& hs, const SequenceRecord& record, PF_Handle* h) {
    PF_Handle fresh = hs.host_new_handle(kSequenceRecordSize);
    if (!fresh) return NewRecord::NoMemory;
    void* bytes = hs.host_lock_handle(fresh);
    if (!bytes) {
        hs.host_dispose_handle(fresh);
        return NewRecord::NotPinned;
    }
    const auto encoded = encodeSequenceRecord(record);
    std::memcpy(bytes, encoded.data(), encoded.size());
    hs.host_unlock_handle(fresh);
    *h = fresh;
    return NewRecord::Stored;
}

}  // namespace

PF_Err sequenceSetup(PF_InData* in, PF_OutData* out) {
    SuiteHandler suites(in->pica_basicP);
    if (!suites.usable()) return PF_Err_BAD_CALLBACK_PARAM;
    if (PF_Handle old = in->sequence_data) {
        disposeWithHost(in, old);
        if (out->sequence_data == old) out->sequence_data = nullptr;  // never hand a freed block back
    }
    const PF_HandleSuite2* hs = suites.handleSuite();
    if (!hs) return PF_Err_BAD_CALLBACK_PARAM;
    // A fresh instance starts with the switch off and no mode, never with whatever the new
    // block happened to hold.
    PF_Handle h = nullptr;
    const NewRecord made = newRecordHandle(*hs, initialSequenceRecord(), &h);
    if (made == NewRecord::NoMemory) return PF_Err_OUT_OF_MEMORY;
    if (made == NewRecord::Stored) out->sequence_data = h;
    return PF_Err_NONE;
}

PF_Err sequenceResetup(PF_InData* in, PF_OutData* out) {
    (void)out;
    PF_Handle h = in->sequence_data;
    if (!h || !*h) return PF_Err_NONE;  // no record: nothing restored, nothing counted
    SuiteHandler suites(in->pica_basicP);
    const PF_HandleSuite2* hs = suites.handleSuite();
    if (!hs) return PF_Err_BAD_CALLBACK_PARAM;
    const A_HandleSize size = hs->host_get_handle_size(h);
    const auto* bytes = static_cast<const uint8_t*>(hs->host_lock_handle(h));
    if (!bytes) return PF_Err_NONE;
    (void)resetupSequence(globalDisplayState(), bytes, static_cast<size_t>(size));
    hs->host_unlock_handle(h);
    return PF_Err_NONE;
}

PF_Err sequenceFlatten(PF_InData* in, PF_OutData* out) {
    SuiteHandler suites(in->pica_basicP);
    const PF_HandleSuite2* hs = suites.handleSuite();
    if (!hs) return PF_Err_BAD_CALLBACK_PARAM;
    // Without a new handle the instance is saved without the global display; that is no error.
    PF_Handle h = nullptr;
    if (newRecordHandle(*hs, flattenSequence(globalDisplayState()), &h) == NewRecord::Stored) {
        out->sequence_data = h;
    }
    return PF_Err_NONE;
}

PF_Err sequenceSetdown(PF_InData* in) {
    disposeWithHost(in, in->sequence_data);
    return PF_Err_NONE;
}

}  // namespace duovis
