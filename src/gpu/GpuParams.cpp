#include "GpuParams.h"

#include "core/params/ParamTable.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace duovis::gpu {

namespace {

// A signed 64-bit decimal with its sign, and room to spare.
constexpr std::size_t kLongestDecimal = 32;

std::optional<double> numberOf(const PrParam& p) {
    switch (p.mType) {
        case kPrParamType_Int8:
            return double(p.u.mInt8);
        case kPrParamType_Int16:
            return double(p.u.mInt16);
        case kPrParamType_Int32:
            return double(p.u.mInt32);
        case kPrParamType_Int64:
            return double(p.u.mInt64);
        case kPrParamType_Float32:
            return double(p.u.mFloat32);
        case kPrParamType_Float64:
            return p.u.mFloat64;
        case kPrParamType_Bool:
            return p.u.mBool != 0 ? 1.0 : 0.0;
        default:
            return std::nullopt;
    }
}

}  // namespace

std::optional<double> GpuParamReader::read(ParamId id, PrTime time) const {
    if (!available()) return std::nullopt;
    PrParam p{};
    if (segments_->GetParam(nodeId_, gpuParamIndex(id), time, &p) != suiteError_NoError) return std::nullopt;
    const std::optional<double> value = numberOf(p);
    // A value that is not a number would poison every rule that reads it.
    if (!value || !std::isfinite(*value)) return std::nullopt;
    return value;
}

ParamValues GpuParamReader::renderValues(PrTime time) const {
    ParamValues v = ParamValues::defaults();
    for (const ParamDef& d : paramTable()) {
        if (!d.readByRender) continue;
        const std::optional<double> value = read(d.position, time);
        if (!value) continue;
        // Popups arrive zero-based here and one-based in the effect API the core speaks.
        v[d.position] = d.kind == ParamKind::Popup ? *value + 1.0 : *value;
    }
    return v;
}

std::optional<csSDK_int32> GpuParamReader::chosenLayer(PrTime time) const {
    const std::optional<double> value = read(SECONDARY_LAYER, time);
    if (!value || *value < 0.0 || *value > 2147483647.0) return std::nullopt;  // -1: no layer chosen
    return csSDK_int32(*value);
}

int64_t GpuParamReader::frameOffset(PrTime time) const {
    const std::optional<double> value = read(SECONDARY_FRAME_OFFSET, time);
    if (!value) return 0;
    const ParamDef& d = paramDef(SECONDARY_FRAME_OFFSET);
    const double held = std::fmin(std::fmax(*value, double(d.validMin)), double(d.validMax));
    return int64_t(std::trunc(held));
}

PrTime GpuParamReader::effectDuration() const {
    if (segments_ == nullptr || segments_->GetNodeProperty == nullptr) return 0;
    PrMemoryPtr text = nullptr;
    const prSuiteError err =
        segments_->GetNodeProperty(nodeId_, kVideoSegmentProperty_Effect_EffectDuration, &text);
    PrTime duration = 0;
    if (err == suiteError_NoError && text != nullptr) {
        // The text's own block size bounds the scan, so a missing terminator cannot run past it.
        const std::size_t limit = memory_ != nullptr && memory_->GetPtrSize != nullptr
                                      ? std::size_t(memory_->GetPtrSize(text))
                                      : kLongestDecimal;
        const char* end = std::find(text, text + limit, '\0');
        const auto parsed = std::from_chars(text, end, duration);
        if (parsed.ec != std::errc() || parsed.ptr != end) duration = 0;
    }
    if (text != nullptr && memory_ != nullptr && memory_->PrDisposePtr != nullptr)
        memory_->PrDisposePtr(text);
    return duration;
}

}  // namespace duovis::gpu
