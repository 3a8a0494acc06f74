#pragma once
// The editing host's side of the GPU filter interface: the suites a filter acquires through
// the basic suite, the frames it owns on the devices, and the effect nodes whose parameters
// and properties the filter reads. The suites' functions carry no host reference, so they act
// for the host whose call into the filter runs on this thread (see ScopedCurrent).

#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "AE_EffectSuites.h"
#include "GpuFaults.h"
#include "GpuFrame.h"
#include "ParamStore.h"
#include "PrSDKVideoSegmentSuite.h"
#include "SuiteLedger.h"

namespace duovis::refhost::gpu {

// One effect node: where its parameter values come from, its layer choice and its duration.
struct GpuNode {
    const ParamStore* params = nullptr;  // positions as the effect registered them
    csSDK_int32 chosenTrack = -1;        // the value of a layer choice; -1: no layer
    PrTime duration = 0;                 // ticks
};

class GpuHost {
  public:
    GpuHost();
    ~GpuHost();
    GpuHost(const GpuHost&) = delete;
    GpuHost& operator=(const GpuHost&) = delete;

    SPBasicSuite* basicSuite();
    GpuFaults& faults() { return faults_; }

    csSDK_int32 addNode(const GpuNode& node);
    GpuNode* node(csSDK_int32 id);
    void removeNode(csSDK_int32 id);

    // A frame of this host on a device; null when the device or its memory is missing.
    PPixHand createFrame(csSDK_uint32 deviceIndex, PrPixelFormat format, int width, int height,
                         int rowPadding = 0, csSDK_uint32 aspectNum = 1, csSDK_uint32 aspectDen = 1,
                         prFieldType field = prFieldsNone);
    PPixHand uploadFrame(csSDK_uint32 deviceIndex, const World& world, PrPixelFormat format,
                         int rowPadding = 0);
    // Waits for the frame's device, then reads the frame back as float BGRA; empty on failure.
    World readFrame(PPixHand frame);
    void disposeFrame(PPixHand frame);
    bool isLive(PPixHand frame) const;
    std::size_t liveFrames() const;

    // Calls the filter made, in order: "acquire NAME VERSION", "release ...", "refuse ...",
    // "GetParam INDEX TIME", "CreateGPUPPix WxH", "refuse CreateGPUPPix", "GetGPUPPixData"
    // (a frame the filter created), "Dispose".
    std::vector<std::string> log() const;
    void clearLog();
    std::map<std::pair<std::string, A_long>, int> outstandingSuites() const;
    // Property texts handed out and not yet freed.
    int outstandingBlocks() const;

    class ScopedCurrent {
      public:
        explicit ScopedCurrent(GpuHost& host);
        ~ScopedCurrent();
        ScopedCurrent(const ScopedCurrent&) = delete;
        ScopedCurrent& operator=(const ScopedCurrent&) = delete;

      private:
        GpuHost* previous_;
    };
    static GpuHost* current();

    // ---- What the served suites do ----
    SPErr acquire(const char* name, A_long version, const void** suite);
    SPErr release(const char* name, A_long version);
    prSuiteError deviceInfo(csSDK_uint32 index, PrGPUDeviceInfo* out);
    prSuiteError createForFilter(csSDK_uint32 deviceIndex, PrPixelFormat format, csSDK_int32 width,
                                 csSDK_int32 height, csSDK_int32 aspectNum, csSDK_int32 aspectDen,
                                 prFieldType field, PPixHand* out);
    prSuiteError frameData(PPixHand frame, void** out);
    prSuiteError param(csSDK_int32 nodeId, csSDK_int32 index, PrTime time, PrParam* out);
    prSuiteError nodeProperty(csSDK_int32 nodeId, const char* key, PrMemoryPtr* out);
    PrMemoryPtr newBlock(csSDK_uint32 size);
    csSDK_uint32 blockSize(PrMemoryPtr block);
    void disposeBlock(PrMemoryPtr block);
    void note(std::string line);

  private:
    GpuFaults faults_;
    mutable std::mutex mutex_;  // filters may call from several threads at once
    std::vector<std::string> log_;
    SuiteLedger ledger_;
    std::map<csSDK_int32, GpuNode> nodes_;
    csSDK_int32 nextNode_ = 1;
    std::set<PPix*> frames_;
    std::set<PPix*> filterFrames_;  // created through the device suite
    std::map<char*, csSDK_uint32> blocks_;
};

}  // namespace duovis::refhost::gpu
