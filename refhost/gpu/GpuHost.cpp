#include "GpuHost.h"

#include <cstdlib>
#include <cstring>

#include "PrSDKGPUFilter.h"
#include "PrSDKMemoryManagerSuite.h"
#include "PrSDKPPixSuite.h"
#include "PrSDKVideoSegmentSuite.h"

namespace duovis::refhost::gpu {

namespace {

thread_local GpuHost* currentHost = nullptr;

// A frame handle the current host does not own is refused rather than read through.
PPix* liveFrame(PPixHand frame) {
    GpuHost* host = GpuHost::current();
    return host != nullptr && host->isLive(frame) ? frame : nullptr;
}

// ---- Device suite ----
prSuiteError deviceCount(csSDK_uint32* out) {
    if (out == nullptr) return suiteError_InvalidParms;
    *out = static_cast<csSDK_uint32>(DeviceTable::instance().size());
    return suiteError_NoError;
}
prSuiteError deviceInfo(csSDK_uint32, csSDK_uint32 index, PrGPUDeviceInfo* out) {
    GpuHost* host = GpuHost::current();
    return host != nullptr ? host->deviceInfo(index, out) : suiteError_Fail;
}
prSuiteError createGpuPPix(csSDK_uint32 deviceIndex, PrPixelFormat format, csSDK_int32 width,
                           csSDK_int32 height, csSDK_int32 aspectNum, csSDK_int32 aspectDen,
                           prFieldType field, PPixHand* out) {
    GpuHost* host = GpuHost::current();
    return host != nullptr
               ? host->createForFilter(deviceIndex, format, width, height, aspectNum, aspectDen, field, out)
               : suiteError_Fail;
}
prSuiteError gpuPPixData(PPixHand frame, void** out) {
    GpuHost* host = GpuHost::current();
    return host != nullptr ? host->frameData(frame, out) : suiteError_Fail;
}
prSuiteError gpuPPixDeviceIndex(PPixHand frame, csSDK_uint32* out) {
    PPix* f = liveFrame(frame);
    if (f == nullptr || out == nullptr) return suiteError_InvalidParms;
    *out = f->deviceIndex;
    return suiteError_NoError;
}
prSuiteError gpuPPixSize(PPixHand frame, csSDK_size_t* out) {
    PPix* f = liveFrame(frame);
    if (f == nullptr || out == nullptr) return suiteError_InvalidParms;
    *out = static_cast<csSDK_size_t>(f->rowBytes) * static_cast<csSDK_size_t>(f->height);
    return suiteError_NoError;
}

// ---- PPix suites ----
prSuiteError disposePPix(PPixHand frame) {
    GpuHost* host = GpuHost::current();
    if (host == nullptr || !host->isLive(frame)) return suiteError_InvalidParms;
    host->note("Dispose");
    host->disposeFrame(frame);
    return suiteError_NoError;
}
prSuiteError bounds(PPixHand frame, prRect* out) {
    PPix* f = liveFrame(frame);
    if (f == nullptr || out == nullptr) return suiteError_InvalidParms;
    *out = prRect{0, 0, f->width, f->height};
    return suiteError_NoError;
}
prSuiteError rowBytes(PPixHand frame, csSDK_int32* out) {
    PPix* f = liveFrame(frame);
    if (f == nullptr || out == nullptr) return suiteError_InvalidParms;
    *out = f->rowBytes;
    return suiteError_NoError;
}
prSuiteError aspect(PPixHand frame, csSDK_uint32* num, csSDK_uint32* den) {
    PPix* f = liveFrame(frame);
    if (f == nullptr || num == nullptr || den == nullptr) return suiteError_InvalidParms;
    *num = f->aspectNum;
    *den = f->aspectDen;
    return suiteError_NoError;
}
prSuiteError pixelFormat(PPixHand frame, PrPixelFormat* out) {
    PPix* f = liveFrame(frame);
    if (f == nullptr || out == nullptr) return suiteError_InvalidParms;
    *out = f->format;
    return suiteError_NoError;
}
prSuiteError fieldOrder(PPixHand frame, prFieldType* out) {
    PPix* f = liveFrame(frame);
    if (f == nullptr || out == nullptr) return suiteError_InvalidParms;
    *out = f->field;
    return suiteError_NoError;
}

// ---- Video segment and memory suites ----
prSuiteError getParam(csSDK_int32 nodeId, csSDK_int32 index, PrTime time, PrParam* out) {
    GpuHost* host = GpuHost::current();
    return host != nullptr ? host->param(nodeId, index, time, out) : suiteError_Fail;
}
prSuiteError getNodeProperty(csSDK_int32 nodeId, const char* key, PrMemoryPtr* out) {
    GpuHost* host = GpuHost::current();
    return host != nullptr ? host->nodeProperty(nodeId, key, out) : suiteError_Fail;
}
PrMemoryPtr newPtr(csSDK_uint32 size) {
    GpuHost* host = GpuHost::current();
    return host != nullptr ? host->newBlock(size) : nullptr;
}
csSDK_uint32 ptrSize(PrMemoryPtr block) {
    GpuHost* host = GpuHost::current();
    return host != nullptr ? host->blockSize(block) : 0;
}
void disposePtr(PrMemoryPtr block) {
    if (GpuHost* host = GpuHost::current()) host->disposeBlock(block);
}

const PrSDKGPUDeviceSuite deviceSuite{deviceCount, deviceInfo,         createGpuPPix,
                                      gpuPPixData, gpuPPixDeviceIndex, gpuPPixSize};
const PrSDKPPixSuite ppixSuite{disposePPix, bounds, rowBytes, aspect, pixelFormat};
const PrSDKPPix2Suite ppix2Suite{gpuPPixSize, fieldOrder};
const PrSDKVideoSegmentSuite segmentSuite{getParam, getNodeProperty};
const PrSDKMemoryManagerSuite memorySuite{newPtr, ptrSize, disposePtr};
// Served so a filter that holds them can, but this host offers nothing through them.
const int unusedSuite = 0;

const ServedSuite servedSuites[] = {
    {kPrSDKGPUDeviceSuite, kPrSDKGPUDeviceSuiteVersion2, &deviceSuite},
    {kPrSDKGPUImageProcessingSuite, kPrSDKGPUImageProcessingSuiteVersion, &unusedSuite},
    {kPrSDKMemoryManagerSuite, kPrSDKMemoryManagerSuiteVersion, &memorySuite},
    {kPrSDKPPixSuite, kPrSDKPPixSuiteVersion, &ppixSuite},
    {kPrSDKPPix2Suite, kPrSDKPPix2SuiteVersion, &ppix2Suite},
    {kPrSDKTransitionSuite, kPrSDKTransitionSuiteVersion, &unusedSuite},
    {kPrSDKVideoSegmentSuite, kPrSDKVideoSegmentSuiteVersion, &segmentSuite},
};

}  // namespace

GpuHost::GpuHost() : ledger_(servedSuites) {}

GpuHost::~GpuHost() {
    for (PPix* frame : frames_) {
        if (frame->device != nullptr) frame->device->release(frame->memory);
        delete frame;
    }
    for (auto& [block, size] : blocks_) std::free(block);
}

SPBasicSuite* GpuHost::basicSuite() {
    return &BasicSuiteOf<GpuHost>::table;
}

GpuHost::ScopedCurrent::ScopedCurrent(GpuHost& host) : previous_(currentHost) {
    currentHost = &host;
}
GpuHost::ScopedCurrent::~ScopedCurrent() {
    currentHost = previous_;
}
GpuHost* GpuHost::current() {
    return currentHost;
}

void GpuHost::note(std::string line) {
    std::lock_guard<std::mutex> lock(mutex_);
    log_.push_back(std::move(line));
}

std::vector<std::string> GpuHost::log() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return log_;
}

void GpuHost::clearLog() {
    std::lock_guard<std::mutex> lock(mutex_);
    log_.clear();
}

SPErr GpuHost::acquire(const char* name, A_long version, const void** suite) {
    std::string line;
    SPErr err;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        err = ledger_.acquire(name, version, suite, faults_.refusedSuites, line);
    }
    note(std::move(line));
    return err;
}

SPErr GpuHost::release(const char* name, A_long version) {
    std::string line;
    SPErr err;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        err = ledger_.release(name, version, line);
    }
    note(std::move(line));
    return err;
}

std::map<std::pair<std::string, A_long>, int> GpuHost::outstandingSuites() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return ledger_.outstanding();
}

prSuiteError GpuHost::deviceInfo(csSDK_uint32 index, PrGPUDeviceInfo* out) {
    GpuDevice* device = DeviceTable::instance().at(index);
    if (out == nullptr || device == nullptr || faults_.deviceInfoFails) return suiteError_Fail;
    *out = device->info();
    if (faults_.frameworkOverride) out->outDeviceFramework = *faults_.frameworkOverride;
    return suiteError_NoError;
}

csSDK_int32 GpuHost::addNode(const GpuNode& node) {
    std::lock_guard<std::mutex> lock(mutex_);
    const csSDK_int32 id = nextNode_++;
    nodes_[id] = node;
    return id;
}

GpuNode* GpuHost::node(csSDK_int32 id) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = nodes_.find(id);
    return it != nodes_.end() ? &it->second : nullptr;
}

void GpuHost::removeNode(csSDK_int32 id) {
    std::lock_guard<std::mutex> lock(mutex_);
    nodes_.erase(id);
}

PPixHand GpuHost::createFrame(csSDK_uint32 deviceIndex, PrPixelFormat format, int width, int height,
                              int rowPadding, csSDK_uint32 aspectNum, csSDK_uint32 aspectDen,
                              prFieldType field) {
    GpuDevice* device = DeviceTable::instance().at(deviceIndex);
    if (device == nullptr || width <= 0 || height <= 0 || rowPadding < 0) return nullptr;
    auto* frame = new PPix{
        device,    deviceIndex, format, width,  height, width * gpuBytesPerPixel(format) + rowPadding,
        aspectNum, aspectDen,   field,  nullptr};
    frame->memory =
        device->allocate(static_cast<std::size_t>(frame->rowBytes) * static_cast<std::size_t>(height));
    if (frame->memory == nullptr) {
        delete frame;
        return nullptr;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    frames_.insert(frame);
    return frame;
}

PPixHand GpuHost::uploadFrame(csSDK_uint32 deviceIndex, const World& world, PrPixelFormat format,
                              int rowPadding) {
    PPixHand frame = createFrame(deviceIndex, format, world.width(), world.height(), rowPadding);
    if (frame == nullptr) return nullptr;
    const std::vector<std::uint8_t> bytes = frameBytes(world, format, frame->rowBytes);
    if (!frame->device->upload(frame->memory, bytes.data(), bytes.size())) {
        disposeFrame(frame);
        return nullptr;
    }
    return frame;
}

World GpuHost::readFrame(PPixHand frame) {
    if (!isLive(frame) || !frame->device->finish()) return World();
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(frame->rowBytes) *
                                    static_cast<std::size_t>(frame->height));
    if (!frame->device->download(frame->memory, bytes.data(), bytes.size())) return World();
    return worldFromFrameBytes(bytes, frame->format, frame->width, frame->height, frame->rowBytes);
}

void GpuHost::disposeFrame(PPixHand frame) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (frames_.erase(frame) == 0) return;
        filterFrames_.erase(frame);
    }
    // Work still queued may read or write the frame; it goes once the device is done.
    frame->device->finish();
    frame->device->release(frame->memory);
    delete frame;
}

bool GpuHost::isLive(PPixHand frame) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return frame != nullptr && frames_.count(frame) > 0;
}

std::size_t GpuHost::liveFrames() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return frames_.size();
}

prSuiteError GpuHost::createForFilter(csSDK_uint32 deviceIndex, PrPixelFormat format, csSDK_int32 width,
                                      csSDK_int32 height, csSDK_int32 aspectNum, csSDK_int32 aspectDen,
                                      prFieldType field, PPixHand* out) {
    if (out == nullptr) return suiteError_InvalidParms;
    *out = nullptr;
    if (faults_.createFrameError) {
        note("refuse CreateGPUPPix");
        return *faults_.createFrameError;
    }
    note("CreateGPUPPix " + std::to_string(width) + "x" + std::to_string(height));
    if (faults_.createFrameGivesNull) return suiteError_NoError;
    if (aspectNum <= 0 || aspectDen <= 0) return suiteError_InvalidParms;
    PPixHand frame = createFrame(deviceIndex, format, width, height, 0, static_cast<csSDK_uint32>(aspectNum),
                                 static_cast<csSDK_uint32>(aspectDen), field);
    if (frame == nullptr) return suiteError_Fail;
    // New frames start as all-ones bytes (NaN in both formats), so a pixel the filter leaves
    // unwritten shows instead of passing for black.
    const std::vector<std::uint8_t> unwritten(
        static_cast<std::size_t>(frame->rowBytes) * static_cast<std::size_t>(frame->height), 0xFF);
    if (!frame->device->upload(frame->memory, unwritten.data(), unwritten.size())) {
        disposeFrame(frame);
        return suiteError_Fail;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    filterFrames_.insert(frame);
    *out = frame;
    return suiteError_NoError;
}

prSuiteError GpuHost::frameData(PPixHand frame, void** out) {
    if (out == nullptr || !isLive(frame)) return suiteError_InvalidParms;
    bool created = false;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        created = filterFrames_.count(frame) > 0;
    }
    if (created) {
        note("GetGPUPPixData");
        if (faults_.createdFrameDataRefused) return suiteError_Fail;
    }
    *out = frame->memory;
    return suiteError_NoError;
}

prSuiteError GpuHost::param(csSDK_int32 nodeId, csSDK_int32 index, PrTime time, PrParam* out) {
    note("GetParam " + std::to_string(index) + " " + std::to_string(time));
    GpuNode* n = node(nodeId);
    if (out == nullptr || n == nullptr || n->params == nullptr) return suiteError_InvalidParms;
    // The interface counts the parameters without the input layer.
    const int position = index + 1;
    if (index < 0 || position >= n->params->count()) return suiteError_InvalidParms;
    // The value at the clip's current time; the instance's clock is the frame being rendered.
    const PF_ParamDef def = n->params->current(position);
    *out = PrParam{};
    switch (def.param_type) {
        case PF_Param_POPUP:
            out->mType = kPrParamType_Int32;
            out->u.mInt32 = def.u.pd.value - 1;  // zero-based here
            return suiteError_NoError;
        case PF_Param_CHECKBOX:
            out->mType = kPrParamType_Bool;
            out->u.mBool = def.u.bd.value != 0 ? 1 : 0;
            return suiteError_NoError;
        case PF_Param_FLOAT_SLIDER:
            out->mType = kPrParamType_Float64;
            out->u.mFloat64 = def.u.fs_d.value;
            return suiteError_NoError;
        case PF_Param_LAYER:
            out->mType = kPrParamType_Int32;
            out->u.mInt32 = n->chosenTrack;
            return suiteError_NoError;
        default:
            return suiteError_InvalidParms;  // buttons, groups and data areas carry no value
    }
}

prSuiteError GpuHost::nodeProperty(csSDK_int32 nodeId, const char* key, PrMemoryPtr* out) {
    GpuNode* n = node(nodeId);
    if (out == nullptr || key == nullptr || n == nullptr) return suiteError_InvalidParms;
    *out = nullptr;
    if (std::strcmp(key, kVideoSegmentProperty_Effect_EffectDuration) != 0 || faults_.durationUnreadable) {
        return suiteError_Fail;
    }
    const std::string text = faults_.durationText.value_or(std::to_string(n->duration));
    PrMemoryPtr block = newBlock(static_cast<csSDK_uint32>(text.size() + 1));
    if (block == nullptr) return suiteError_Fail;
    std::memcpy(block, text.c_str(), text.size() + 1);
    *out = block;
    return suiteError_NoError;
}

PrMemoryPtr GpuHost::newBlock(csSDK_uint32 size) {
    auto* block = static_cast<char*>(std::calloc(size == 0 ? 1 : size, 1));
    if (block == nullptr) return nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    blocks_[block] = size;
    return block;
}

csSDK_uint32 GpuHost::blockSize(PrMemoryPtr block) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = blocks_.find(block);
    return it != blocks_.end() ? it->second : 0;
}

void GpuHost::disposeBlock(PrMemoryPtr block) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = blocks_.find(block);
    if (it == blocks_.end()) return;
    std::free(it->first);
    blocks_.erase(it);
}

int GpuHost::outstandingBlocks() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(blocks_.size());
}

}  // namespace duovis::refhost::gpu
