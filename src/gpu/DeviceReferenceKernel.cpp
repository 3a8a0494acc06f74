// The device kernel text as plain C++ with the devices' own choices: the text's functions
// become members of one work-item object, so the chosen half rounding is a plain member.
#include "DeviceReferenceKernel.h"

#include "core/kernel/StereoStagesCpp.h"

#include <cstring>

namespace duovis {

namespace stereo {
namespace {

#define DV_LOAD_HALF4(frame, i) loadHalf4((frame), (i))
#define DV_STORE_HALF4(frame, i, c) storeHalf4((frame), (i), (c))

class DeviceWorkItem : public StereoWorkItem {
  public:
    explicit DeviceWorkItem(HalfRounding halfStores) : halfStores_(halfStores) {}

    DUOVIS_STAGES_BEGIN
#include "core/kernel/StereoStages.clh"
    DUOVIS_STAGES_END

  private:
    // Frames are addressed in pixels of their own format, as on the devices.
    static float4 loadHalf4(const float4* frame, int64_t i) {
        uint16_t h[4];
        std::memcpy(h, reinterpret_cast<const uint16_t*>(frame) + 4 * i, sizeof h);
        return float4{halfToFloat(h[0]), halfToFloat(h[1]), halfToFloat(h[2]), halfToFloat(h[3])};
    }

    void storeHalf4(float4* frame, int64_t i, float4 c) const {
        const uint16_t h[4] = {floatToHalf(c.x, halfStores_), floatToHalf(c.y, halfStores_),
                               floatToHalf(c.z, halfStores_), floatToHalf(c.w, halfStores_)};
        std::memcpy(reinterpret_cast<uint16_t*>(frame) + 4 * i, h, sizeof h);
    }

    HalfRounding halfStores_;
};

}  // namespace
}  // namespace stereo

void runDeviceReferenceKernel(const TransformKernelArgs& a, HalfRounding halfStores) {
    stereo::DeviceWorkItem item(halfStores);
    stereo::runStereoRows(item, a, 0, a.inHeightLP);
}

}  // namespace duovis
