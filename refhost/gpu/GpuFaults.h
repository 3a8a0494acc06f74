#pragma once
// Refusals a test can ask of the editing host's GPU side, so the filter's failure paths run as
// they would when a real host cannot do something.

#include <optional>
#include <set>
#include <string>

#include "PrSDKGPUDeviceSuite.h"

namespace duovis::refhost::gpu {

struct GpuFaults {
    std::set<std::string> refusedSuites;                    // by suite name, every version
    bool deviceInfoFails = false;                           // GetDeviceInfo answers failure
    std::optional<PrGPUDeviceFramework> frameworkOverride;  // reports this framework instead
    std::optional<prSuiteError> createFrameError;           // CreateGPUPPix refuses
    bool createFrameGivesNull = false;                      // ... or succeeds without a frame
    bool createdFrameDataRefused = false;                   // GetGPUPPixData refuses new frames
    bool durationUnreadable = false;                        // the duration property fails
    std::optional<std::string> durationText;                // the duration property's text
};

}  // namespace duovis::refhost::gpu
