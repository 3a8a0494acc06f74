#include "GpuParity.h"

#include "DeviceReferenceKernel.h"
#include "core/frame/KernelSetup.h"
#include "core/params/Codes.h"
#include "core/params/ParamRules.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace duovis::gpu::test {

namespace {
constexpr int32_t kRowPadding = 3;  // pixels past the width in every row, as hosts pad rows
const char* const kChannelNames[4] = {"blue", "green", "red", "alpha"};
}  // namespace

HostFrame::HostFrame(int32_t width, int32_t height, int32_t pitch, bool half)
    : width_(width), height_(height), pitch_(pitch), half_(half) {
    const size_t n = size_t(pitch) * size_t(height) * 4;
    if (half) {
        halves_.assign(n, 0);
    } else {
        floats_.assign(n, 0.0f);
    }
}

float HostFrame::get(int32_t col, int32_t row, int channel) const {
    const size_t i = (size_t(row) * size_t(pitch_) + size_t(col)) * 4 + size_t(channel);
    return half_ ? halfToFloat(halves_[i]) : floats_[i];
}

void HostFrame::set(int32_t col, int32_t row, int channel, float value) {
    const size_t i = (size_t(row) * size_t(pitch_) + size_t(col)) * 4 + size_t(channel);
    if (half_) {
        halves_[i] = floatToHalf(value, HalfRounding::NearestEven);
    } else {
        floats_[i] = value;
    }
}

HostFrame contentFrame(int32_t width, int32_t height, bool half, uint32_t seed) {
    HostFrame f(width, height, width + kRowPadding, half);
    uint32_t s = seed * 2654435761u + 1u;
    for (int32_t r = 0; r < height; ++r) {
        for (int32_t c = 0; c < width; ++c) {
            for (int k = 0; k < 4; ++k) {
                s = s * 1664525u + 1013904223u;
                const float noise = float(s >> 8) / float(1u << 24);  // 0..1
                const float gx = float(c) / float(width), gy = float(r) / float(height);
                const float ramp = k == 0 ? gx : k == 1 ? gy : k == 2 ? 1.0f - gx : 0.5f * (gx + gy);
                f.set(c, r, k, 0.8f * ramp + 0.4f * noise - 0.1f);
            }
        }
    }
    return f;
}

void PrintTo(const ParityCase& c, std::ostream* os) {
    *os << c.name;
}

void PrintTo(const ParityParam& p, std::ostream* os) {
    *os << caseName(p);
}
std::string caseName(const ParityParam& p) {
    return p.c.name + (p.half ? "_Half" : "_Float");
}
std::string paramName(const ::testing::TestParamInfo<ParityParam>& info) {
    return caseName(info.param);
}
std::vector<ParityParam> inBothFormats(const std::vector<ParityCase>& cases) {
    std::vector<ParityParam> out;
    for (const ParityCase& c : cases) {
        out.push_back({c, false});
        out.push_back({c, true});
    }
    return out;
}

CaseFrames prepareCase(const ParityCase& c, bool half) {
    ParamValues v = ParamValues::defaults();
    if (c.set) c.set(v);
    CaseFrames f;
    f.primary = contentFrame(c.primary.width, c.primary.height, half, 1);
    f.hasSecondary = c.secondary.width > 0 && c.secondary.height > 0;
    if (f.hasSecondary) f.secondary = contentFrame(c.secondary.width, c.secondary.height, half, 2);

    const EyeSize eye = computeEyeSize(uint32_t(c.primary.width), uint32_t(c.primary.height), Ratio{},
                                       Ratio{}, primaryDemuxCode(v));
    const OutputSize out = computeOutputSize(eye, c.displayCode);
    // A value no computation gives, so that stores and non-stores both show.
    f.destination = HostFrame(out.width, out.height, out.width + kRowPadding, half);
    for (int32_t r = 0; r < out.height; ++r)
        for (int32_t col = 0; col < out.width; ++col)
            for (int k = 0; k < 4; ++k) f.destination.set(col, r, k, 0.625f);

    KernelFrames frames;
    frames.primary = KernelFrame{f.primary.data(), f.primary.pitch(), f.primary.width(), f.primary.height()};
    if (f.hasSecondary) {
        frames.secondary =
            KernelFrame{f.secondary.data(), f.secondary.pitch(), f.secondary.width(), f.secondary.height()};
    }
    frames.destination = f.destination.data();
    frames.destinationPitch = f.destination.pitch();
    frames.halfFloat = half;
    f.args = fillKernelArgs(v, frames, c.displayCode, eye, out, c.frameNumber);
    return f;
}

CaseFrames halfwayBlendCase() {
    ParityCase c;
    c.name = "HalfwayBlend";
    c.displayCode = DISPLAY_ONION;
    CaseFrames f = prepareCase(c, true);
    const float below = halfToFloat(0x3BFF);
    for (int32_t r = 0; r < f.primary.height(); ++r) {
        for (int32_t col = 0; col < f.primary.width(); ++col) {
            for (int k = 0; k < 4; ++k) {
                f.primary.set(col, r, k, 1.0f);
                f.secondary.set(col, r, k, below);
            }
        }
    }
    return f;
}

uint16_t halfAt(const HostFrame& f, int32_t col, int32_t row, int channel) {
    return floatToHalf(f.get(col, row, channel), HalfRounding::NearestEven);  // exact: f holds halves
}

HostFrame runReference(CaseFrames& frames, HalfRounding halfStores) {
    HostFrame out = frames.destination;
    TransformKernelArgs a = frames.args;
    a.inImageL = frames.primary.data();
    a.inImageR = frames.hasSecondary ? frames.secondary.data() : nullptr;
    a.inImageD = out.data();
    runDeviceReferenceKernel(a, halfStores);
    return out;
}

namespace {

double valueDifference(float a, float b) {
    if (std::isnan(a) || std::isnan(b)) {
        return std::isnan(a) && std::isnan(b) ? 0.0 : std::numeric_limits<double>::infinity();
    }
    return std::fabs(double(a) - double(b));
}

// Records the device's pixel (c, r) against the reference's, channel by channel.
void addPixel(Difference& d, const HostFrame& device, const HostFrame& reference, int32_t c, int32_t r,
              double tolerance) {
    for (int k = 0; k < 4; ++k) {
        const float a = device.get(c, r, k), b = reference.get(c, r, k);
        const double diff = valueDifference(a, b);
        ++d.values;
        if (diff > tolerance) ++d.over;
        if (diff > d.worst || d.col < 0) {
            d.worst = diff;
            d.col = c, d.row = r, d.channel = k;
            d.device = a, d.reference = b;
        }
    }
}

}  // namespace

Difference compareFrames(const HostFrame& device, const HostFrame& reference, double tolerance) {
    Difference d;
    for (int32_t r = 0; r < reference.height(); ++r) {
        for (int32_t c = 0; c < reference.width(); ++c) {
            addPixel(d, device, reference, c, r, tolerance);
        }
    }
    return d;
}

Difference compareWithReference(const HostFrame& device, CaseFrames& frames, HalfRounding halfStores,
                                double tolerance) {
    return compareFrames(device, runReference(frames, halfStores), tolerance);
}

std::ostream& operator<<(std::ostream& os, const Difference& d) {
    os.precision(9);
    os << "worst difference " << d.worst << " at pixel (" << d.col << ", " << d.row << ") "
       << (d.channel >= 0 ? kChannelNames[d.channel] : "-") << ": device " << d.device << ", reference "
       << d.reference << "; " << d.over << " of " << d.values << " values beyond the tolerance";
    return os;
}

namespace {

// Two different eyes with some geometry and crop, so every display code shows both.
void stereoSetup(ParamValues& v) {
    v[ROTATE_L] = 1.5;
    v[ROTATE_R] = -2.25;
    v[HSHIFT_PCT_L] = 3;
    v[VSHIFT_PCT_R] = -2;
    v[SCALE_B] = 0.15;
    v[CROP_B_LEFT] = 4;
    v[CROP_R_BOTTOM] = 95;
}

ParityCase make(std::string name, std::function<void(ParamValues&)> set, int code) {
    ParityCase c;
    c.name = std::move(name);
    c.set = std::move(set);
    c.displayCode = code;
    return c;
}

}  // namespace

std::vector<ParityCase> displayCodeCases() {
    std::vector<ParityCase> cases;
    for (int code = 0; code < kDisplayTypeCount; ++code) {
        if (code == DISPLAY_PARALLAX) continue;
        cases.push_back(make(std::string("Code") + std::to_string(code), stereoSetup, code));
    }
    // The parallax phases: frame 2 shows the left eye (131), frame 5 the right (132).
    ParityCase left = make("Code131", stereoSetup, DISPLAY_PARALLAX);
    left.frameNumber = 2;
    ParityCase right = make("Code132", stereoSetup, DISPLAY_PARALLAX);
    right.frameNumber = 5;
    cases.push_back(left);
    cases.push_back(right);
    // Odd eye sizes make the two eyes meet in one middle column or row; a one-column (one-row)
    // eye stores both eyes of its only position into one pixel.
    const struct {
        const char* name;
        int code;
        LayerSize size;
    } folds[] = {{"Code2OddWidth", DISPLAY_SBS_HALF, {95, 53}},
                 {"Code4OddHeight", DISPLAY_TB_HALF, {95, 53}},
                 {"Code2OneColumn", DISPLAY_SBS_HALF, {1, 7}},
                 {"Code4OneRow", DISPLAY_TB_HALF, {9, 1}}};
    for (const auto& f : folds) {
        ParityCase c = make(f.name, stereoSetup, f.code);
        c.primary = c.secondary = f.size;
        cases.push_back(c);
    }
    return cases;
}

std::vector<ParityCase> settingCases() {
    using V = ParamValues;
    std::vector<ParityCase> c;
    c.push_back(make(
        "Identity", [](V&) {}, DISPLAY_LEFT));
    c.push_back(make(
        "Rotations", [](V& v) { v[ROTATE_B] = 7.5, v[ROTATE_L] = -1.2, v[ROTATE_R] = 2.4; },
        DISPLAY_SBS_FULL));
    c.push_back(make(
        "Keystones",
        [](V& v) { v[HKEYSTONE_B] = 12, v[VKEYSTONE_L] = -9, v[VKEYSTONE_R] = 6, v[FIELD_OF_VIEW] = 40; },
        DISPLAY_SBS_FULL));
    // A steep keystone through a wide view puts part of the grid behind the eye (w <= 0).
    c.push_back(make(
        "KeystoneBehindEye", [](V& v) { v[HKEYSTONE_B] = 45, v[FIELD_OF_VIEW] = 135; }, DISPLAY_ANAGLYPH));
    c.push_back(make(
        "Scales",
        [](V& v) { v[SCALE_B] = 0.4, v[HSCALE_L] = -0.3, v[VSCALE_R] = 0.25, v[MASTER_SCALE] = -0.1; },
        DISPLAY_TB_FULL));
    c.push_back(make(
        "Shifts",
        [](V& v) {
            v[HSHIFT_PCT_B] = 6.5, v[VSHIFT_PCT_L] = -4.25, v[MASTER_HSHIFT_PCT] = 1.5;
            v[MASTER_VSHIFT_PCT] = 2;
        },
        DISPLAY_DIFFERENCE));
    c.push_back(make(
        "Skews", [](V& v) { v[HSKEW_L] = 10, v[VSKEW_R] = -8; }, DISPLAY_ONION));
    c.push_back(make(
        "Flips", [](V& v) { v[FLIP_L_H] = 1, v[FLIP_R_V] = 1, v[ROTATE_B] = 3; }, DISPLAY_SBS_FULL));
    c.push_back(make(
        "Crops",
        [](V& v) {
            v[CROP_B_LEFT] = 7.5, v[CROP_B_TOP] = 3, v[CROP_L_RIGHT] = 90, v[CROP_R_BOTTOM] = 88;
            v[CROP_R_LEFT] = 12.25;
        },
        DISPLAY_SBS_FULL));
    c.push_back(make(
        "Swap", [](V& v) { stereoSetup(v), v[SWAP_LR] = 1; }, DISPLAY_SBS_FULL));
    c.push_back(make(
        "Grayscale", [](V& v) { stereoSetup(v), v[GRAYSCALE] = 1; }, DISPLAY_ANAGLYPH));
    c.push_back(make(
        "InterlaceOdd", [](V& v) { stereoSetup(v), v[INTERLACE_ODD] = 1; }, DISPLAY_INTERLACED));
    c.push_back(make(
        "CheckerboardOdd", [](V& v) { stereoSetup(v), v[INTERLACE_ODD] = 1; }, DISPLAY_CHECKERBOARD));
    // The looking glass in each border colour (popup values are 1-based: 1 None .. 4 Blue).
    for (int colour = 1; colour <= 4; ++colour) {
        c.push_back(make(
            "LookingGlassColour" + std::to_string(colour),
            [colour](V& v) {
                stereoSetup(v);
                v[LG_ENABLE] = 1, v[LG_BORDER_COLOR] = colour;
                v[LG_CENTER_X] = 40, v[LG_CENTER_Y] = 55, v[LG_RADIUS] = 60;
            },
            colour == 1 ? DISPLAY_SBS_HALF : DISPLAY_ANAGLYPH_OPTIMIZED));
    }
    c.push_back(make(
        "LookingGlassLeftShowsNoLens", [](V& v) { stereoSetup(v), v[LG_ENABLE] = 1, v[LG_RADIUS] = 35; },
        DISPLAY_LEFT));
    // Auto adjustment on rotated, keystoned eyes, in each scale mode.
    for (int mode = 1; mode <= 4; ++mode) {
        c.push_back(make(
            "Auto" + std::to_string(mode),
            [mode](V& v) {
                v[ROTATE_L] = 3, v[ROTATE_R] = -2, v[HKEYSTONE_B] = 8, v[VSHIFT_PCT_R] = 3;
                v[AUTO_CROP] = 1, v[AUTO_CENTER] = 1, v[AUTO_SCALE] = mode;
            },
            DISPLAY_SBS_FULL));
    }
    c.push_back(make(
        "AutoCropWithLookingGlass",
        [](V& v) {
            v[ROTATE_B] = 6, v[AUTO_CROP] = 1, v[CROP_B_LEFT] = 10, v[CROP_WITH_AUTO] = 1;
            v[LG_ENABLE] = 1, v[LG_BORDER_COLOR] = 2, v[LG_RADIUS] = 120;
        },
        DISPLAY_ANAGLYPH));
    // Demux layouts of the primary (both eyes from it), and of one eye per layer. Popup values:
    // 2 Side-By-Side(50%), 3 Top-Bottom(50%), 4 Side-By-Side(100%), 5 Top-Bottom(100%).
    const struct {
        const char* name;
        int mode;
        LayerSize size;
    } layouts[] = {{"SbsHalf", 2, {96, 54}},
                   {"TbHalf", 3, {96, 54}},
                   {"SbsFull", 4, {192, 54}},
                   {"TbFull", 5, {96, 108}}};
    for (const auto& l : layouts) {
        ParityCase both = make(
            std::string("PrimaryBoth") + l.name,
            [m = l.mode](V& v) {
                stereoSetup(v);
                v[PRIMARY_DEMUX_MODE] = m;
                v[CROP_L_LEFT] = 5, v[CROP_R_TOP] = 6;
            },
            DISPLAY_ANAGLYPH);
        both.primary = l.size;
        both.secondary = LayerSize{};
        c.push_back(both);
        ParityCase each = make(
            std::string("EachLayer") + l.name,
            [m = l.mode](V& v) {
                stereoSetup(v);
                v[PRIMARY_DEMUX_MODE] = m, v[PRIMARY_DEMUX_CHANNEL] = 3;
                v[SECONDARY_DEMUX_MODE] = m, v[SECONDARY_DEMUX_CHANNEL] = 1;
            },
            DISPLAY_SBS_FULL);
        each.primary = each.secondary = l.size;
        c.push_back(each);
    }
    // A secondary layer of another size than the primary.
    ParityCase other = make("SecondaryOtherSize", stereoSetup, DISPLAY_DIFFERENCE);
    other.secondary = LayerSize{80, 64};
    c.push_back(other);
    // No secondary frame: the right eye is transparent black.
    ParityCase none = make("NoSecondary", stereoSetup, DISPLAY_ANAGLYPH);
    none.secondary = LayerSize{};
    c.push_back(none);
    return c;
}

}  // namespace duovis::gpu::test
