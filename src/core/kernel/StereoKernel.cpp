// The CPU render's departures from the devices (KernelPolicy.h) turn the kernel text's
// switches here. The frames are 8-bit ARGB (channels 0 to 255, stores truncated) or float BGRA.
#include "core/kernel/StereoKernel.h"

#include "core/kernel/KernelPolicy.h"
#include "core/kernel/PixelFormats.h"
#include "core/kernel/StereoStagesCpp.h"

namespace duovis {

namespace stereo {
namespace {

#define DV_LOAD_PIXEL(frame, is16f, i) loadFormat((frame), (i))
#define DV_STORE_PIXEL(frame, is16f, i, c) storeFormat((frame), (i), (c))
#define DV_FULL full()
#define DV_CENTRE_PRIMARY CpuRenderPolicy::kCentrePrimary
#define DV_CROP_HALF_UP CpuRenderPolicy::kCropHalfUp
#define DV_FIXED_ONION CpuRenderPolicy::kFixedOnionWeight
#define DV_WINDOW_WIDE(c) policyConstant<CpuRenderPolicy::kWindowTestInDouble>(c)
#define DV_LENS_WIDE(c) policyConstant<CpuRenderPolicy::kLensGeometryInDouble>(c)
#define DV_COLOUR_WIDE(c) policyConstant<CpuRenderPolicy::kColourMathInDouble>(c)
#define DV_DIFFERENCE(a, b) difference(a, b)

class CpuWorkItem : public StereoWorkItem {
  public:
    explicit CpuWorkItem(CpuPixelFormat format) : bytes_(format == CpuPixelFormat::Argb8) {}

    DUOVIS_STAGES_BEGIN
#include "core/kernel/StereoStages.clh"
    DUOVIS_STAGES_END

  private:
    static float difference(float l, float r) {
        constexpr bool wide = CpuRenderPolicy::kColourMathInDouble;
        return float(std::fabs(policyConstant<wide>(l) - policyConstant<wide>(r)));
    }
    float full() const {
        return bytes_ ? Argb8::kFull : Bgra32f::kFull;
    }
    float4 loadFormat(const float4* frame, int64_t i) const {
        const Vec4 v = bytes_ ? Argb8::load(frame, i) : Bgra32f::load(frame, i);
        return float4{v[kB], v[kG], v[kR], v[kA]};
    }
    void storeFormat(float4* frame, int64_t i, float4 c) const {
        const Pixel p{c.x, c.y, c.z, c.w};
        if (bytes_) {
            Argb8::store(frame, i, p);
        } else {
            Bgra32f::store(frame, i, p);
        }
    }

    bool bytes_;
};

}  // namespace
}  // namespace stereo

void runReferenceCpuKernel(const TransformKernelArgs& args, CpuPixelFormat format, RowBand rows) {
    stereo::CpuWorkItem item(format);
    stereo::runStereoRows(item, args, rows.begin, rows.end);
}

}  // namespace duovis
