// A saved project's sequence data as the effect restores it: any bytes, handed to DuovisX's
// entry point in a handle of exactly their size, re-setup (once or twice), then flattened. The
// flattened record is either what was saved (a switch that is on, with a mode that names a
// display type, on the process's first re-setup) or the fresh state; nothing else may come out.
#include <array>
#include <memory>
#include <vector>

#include "AE_EffectSuites.h"
#include "FuzzSupport.h"
#include "core/frame/SequenceRecord.h"
#include "core/params/Codes.h"

extern "C" PF_Err EffectMain(PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[],
                             PF_LayerDef* output, void* extra);

using namespace duovis;

namespace {

// The host's handles: a master pointer to a block of exactly the handle's size.
struct Block {
    void* data = nullptr;
    std::vector<std::uint8_t> bytes;
};
std::vector<std::unique_ptr<Block>> blocks;

Block* blockOf(PF_Handle h) {
    for (auto& b : blocks)
        if (h == &b->data) return b.get();
    fuzz::require(h == nullptr, "the effect hands back only handles it was given");
    return nullptr;
}

PF_Handle newHandle(const std::uint8_t* bytes, std::size_t size, bool nullMaster) {
    auto b = std::make_unique<Block>();
    b->bytes.assign(bytes, bytes + size);
    b->data = nullMaster ? nullptr : b->bytes.data();
    blocks.push_back(std::move(b));
    return &blocks.back()->data;
}

PF_Handle hostNewHandle(A_HandleSize size) {
    const std::vector<std::uint8_t> zeros(static_cast<std::size_t>(size));
    return newHandle(zeros.data(), zeros.size(), false);
}
void* hostLock(PF_Handle h) {
    Block* b = blockOf(h);
    return b && !b->bytes.empty() ? b->data : nullptr;
}
void hostUnlock(PF_Handle) {}
void hostDispose(PF_Handle h) {
    for (auto it = blocks.begin(); it != blocks.end(); ++it)
        if (h == &(*it)->data) {
            blocks.erase(it);
            return;
        }
    fuzz::require(h == nullptr, "the effect disposes only live handles");
}
A_HandleSize hostSize(PF_Handle h) {
    const Block* b = blockOf(h);
    return b ? static_cast<A_HandleSize>(b->bytes.size()) : 0;
}

const PF_HandleSuite2 kHandleSuite = {hostNewHandle, hostLock, hostUnlock, hostDispose, hostSize};

SPErr acquire(const char* name, A_long version, const void** suite) {
    if (std::strcmp(name, kPFHandleSuite) != 0 || version != kPFHandleSuiteVersion2)
        return kSPSuiteNotFoundError;
    *suite = &kHandleSuite;
    return kSPNoError;
}
SPErr release(const char*, A_long) {
    return kSPNoError;
}
SPBoolean isEqual(const char* a, const char* b) {
    return std::strcmp(a, b) == 0;
}

SPBasicSuite basicSuite = {acquire, release, isEqual};
PF_UtilCallbacks utils = {nullptr, hostDispose, {nullptr, nullptr}, nullptr};

PF_Err command(PF_Cmd cmd, PF_InData& in, PF_OutData& out) {
    return EffectMain(cmd, &in, &out, nullptr, nullptr, nullptr);
}

// The record the effect writes when asked to flatten.
SequenceRecord flattened(PF_InData& in) {
    PF_OutData out{};
    fuzz::require(command(PF_Cmd_SEQUENCE_FLATTEN, in, out) == PF_Err_NONE, "flatten succeeds");
    const Block* b = blockOf(out.sequence_data);
    fuzz::require(b && b->bytes.size() == kSequenceRecordSize, "flatten writes one whole record");
    return decodeSequenceRecord(b->bytes.data());
}

bool same(const SequenceRecord& a, const SequenceRecord& b) {
    return a.displaySwitch == b.displaySwitch && a.displayMode == b.displayMode;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input input(data, size);
    const auto how = input.take<std::uint8_t>();
    const std::vector<std::uint8_t> saved = input.rest();

    PF_InData in{};
    in.utils = &utils;
    in.pica_basicP = &basicSuite;
    PF_OutData out{};
    fuzz::require(command(PF_Cmd_GLOBAL_SETUP, in, out) == PF_Err_NONE, "global set-up succeeds");
    if (how & 1u) {
        fuzz::require(command(PF_Cmd_SEQUENCE_SETUP, in, out) == PF_Err_NONE, "sequence set-up succeeds");
    }
    in.sequence_data = newHandle(saved.data(), saved.size(), (how & 4u) != 0);
    fuzz::require(command(PF_Cmd_SEQUENCE_RESETUP, in, out) == PF_Err_NONE, "re-setup succeeds");
    const SequenceRecord first = flattened(in);

    if (first.displaySwitch > 0)
        fuzz::require(isDisplayTypeCode(first.displayMode - 1), "a switch that is on names a display type");
    const bool restorable = (how & 4u) == 0 && saved.size() >= kSequenceRecordSize;
    const bool restored = restorable && same(first, decodeSequenceRecord(saved.data()));
    fuzz::require(restored || same(first, initialSequenceRecord()), "only a saved record or the fresh state");
    if (how & 2u) {
        // Another instance of the same project: only the first re-setup may restore.
        fuzz::require(command(PF_Cmd_SEQUENCE_RESETUP, in, out) == PF_Err_NONE, "re-setup succeeds");
        fuzz::require(same(flattened(in), first), "a second re-setup changes nothing");
    }

    PF_OutData done{};
    (void)command(PF_Cmd_SEQUENCE_SETDOWN, in, done);
    (void)command(PF_Cmd_GLOBAL_SETDOWN, in, done);
    blocks.clear();
    return 0;
}
