// Parity of the device kernels with the core's device reference kernel: argument records made
// by the core from parameter values, host frames with real content, and a comparison that names
// the worst pixel.
#pragma once

#include "core/frame/EyeGeometry.h"
#include "core/frame/KernelArgs.h"
#include "core/kernel/HalfFloat.h"
#include "core/params/ParamValues.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace duovis::gpu::test {

// One frame in host memory, float or half-float BGRA, with a row pitch in pixels.
class HostFrame {
  public:
    HostFrame() = default;
    HostFrame(int32_t width, int32_t height, int32_t pitch, bool half);

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    int32_t pitch() const { return pitch_; }
    bool half() const { return half_; }
    void* data() { return half_ ? static_cast<void*>(halves_.data()) : static_cast<void*>(floats_.data()); }
    const void* data() const { return const_cast<HostFrame*>(this)->data(); }
    size_t bytes() const { return half_ ? halves_.size() * 2 : floats_.size() * 4; }

    float get(int32_t col, int32_t row, int channel) const;
    void set(int32_t col, int32_t row, int channel, float value);

  private:
    int32_t width_ = 0, height_ = 0, pitch_ = 0;
    bool half_ = false;
    std::vector<float> floats_;
    std::vector<uint16_t> halves_;
};

// Gradients across the frame with noise on top, every channel different, slightly beyond 0..1
// on both sides (nothing is clamped on the way). Rows are padded past the width.
HostFrame contentFrame(int32_t width, int32_t height, bool half, uint32_t seed);

struct LayerSize {
    int32_t width = 0, height = 0;  // 0 x 0: no such layer
};

// One configuration of the effect, as parameter values and layers.
struct ParityCase {
    std::string name;
    std::function<void(ParamValues&)> set;
    int displayCode = 0;  // 0..13, as the display code in force
    int32_t frameNumber = 0;
    LayerSize primary{96, 54};
    LayerSize secondary{96, 54};
};
void PrintTo(const ParityCase& c, std::ostream* os);

// The frames of one case and the record the core fills for them; the record's frame pointers
// are the host frames' (a device runner replaces them with its own).
struct CaseFrames {
    HostFrame primary, secondary, destination;  // destination: a sentinel nothing computes
    bool hasSecondary = false;
    TransformKernelArgs args;
};
CaseFrames prepareCase(const ParityCase& c, bool half);

// The onion skin of two uniform half-float eyes, 1.0 and the largest half float below it: every
// pixel's blend lies exactly halfway between those two half floats, so the stored value shows
// the store's rounding (toward zero: 0x3BFF; to nearest even: 0x3C00).
CaseFrames halfwayBlendCase();
uint16_t halfAt(const HostFrame& f, int32_t col, int32_t row, int channel);

// The core's device reference on the case's own frames.
HostFrame runReference(CaseFrames& frames, HalfRounding halfStores);

struct Difference {
    double worst = 0;
    int32_t col = -1, row = -1;
    int channel = -1;
    float device = 0, reference = 0;
    size_t over = 0;  // values beyond the tolerance
    size_t values = 0;
};
// Every value of the destination, stored or not; a NaN against a number counts as infinite.
Difference compareFrames(const HostFrame& device, const HostFrame& reference, double tolerance);
std::ostream& operator<<(std::ostream& os, const Difference& d);

// The device's frame against the reference for the record in `frames`, every pixel: the folds of
// display codes 2 and 4 keep the store the reference loop makes last.
Difference compareWithReference(const HostFrame& device, CaseFrames& frames, HalfRounding halfStores,
                                double tolerance);

// The cases: every display code on one stereo set-up, then a table of geometry, crop, demux,
// swap, grayscale, interlace, looking-glass and auto-adjustment settings.
std::vector<ParityCase> displayCodeCases();
std::vector<ParityCase> settingCases();

// A case in one channel format, as a test parameter.
struct ParityParam {
    ParityCase c;
    bool half;
};
void PrintTo(const ParityParam& p, std::ostream* os);
std::string caseName(const ParityParam& p);
std::string paramName(const ::testing::TestParamInfo<ParityParam>& info);
// Every case in float and in half float.
std::vector<ParityParam> inBothFormats(const std::vector<ParityCase>& cases);

}  // namespace duovis::gpu::test
