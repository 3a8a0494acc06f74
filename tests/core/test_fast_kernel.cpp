// The vector CPU kernel against the reference loop, on every instruction set this machine
// runs: random settings, sizes, pitches, contents (NaN payloads, infinities, negative zeros,
// out-of-range values) and band splits, compared byte for byte. One exception: where two
// different NaNs meet in one addition, IEEE leaves open whose payload the sum carries and the
// compiler may swap the operands, so in cases whose frames hold NaNs of many payloads (or
// infinities, which make new NaNs) a NaN matches any NaN. Cases whose NaNs share one payload
// and hold no infinity are compared bit for bit, NaNs included. DUOVIS_DIFF_CASES sets the
// number of random cases per instruction set and format (default 1500), DUOVIS_DIFF_FIRST the
// first case to run.
#include "core/kernel/CpuKernelDispatch.h"
#include "core/kernel/FastStereoKernel.h"
#include "core/kernel/StereoKernel.h"
#include "core/params/Codes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace duovis {
namespace {

using Rng = std::mt19937;

int32_t pick(Rng& g, int32_t lo, int32_t hi) {
    return std::uniform_int_distribution<int32_t>(lo, hi)(g);
}
float real(Rng& g, float lo, float hi) {
    return std::uniform_real_distribution<float>(lo, hi)(g);
}
bool chance(Rng& g, double p) {
    return std::bernoulli_distribution(p)(g);
}

float nanWith(uint32_t payload, bool negative) {
    const uint32_t bits = (negative ? 0xFF800000u : 0x7F800000u) | (payload & 0x7FFFFFu) | 1u;
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// A channel value from the whole float zoo, most of them ordinary. With a fixed `nan` every
// NaN has that pattern and no infinity occurs.
float floatChannel(Rng& g, const float* nan = nullptr) {
    switch (pick(g, 0, 15)) {
        case 0:
            return nan ? *nan : nanWith(uint32_t(g()), chance(g, 0.5));
        case 1:
            return nan ? 3e5f : chance(g, 0.5) ? INFINITY : -INFINITY;
        case 2:
            return -0.0f;
        case 3:
            return real(g, -1e6f, 1e6f);
        case 4:
            return std::numeric_limits<float>::denorm_min() * float(pick(g, 1, 1000));
        default:
            return real(g, 0.0f, 1.0f);
    }
}

struct Image {
    int32_t width = 0, height = 0, pitch = 0;
    std::vector<uint8_t> bytes;  // exactly the rows' extent: a read past it is a sanitizer error
};

Image makeImage(Rng& g, int32_t w, int32_t h, int bpp, bool random, const float* nan = nullptr) {
    Image im{w, h, w + (chance(g, 0.3) ? pick(g, 1, 5) : 0), {}};
    im.bytes.resize(size_t((h - 1) * im.pitch + w) * size_t(bpp));
    if (bpp == 4) {
        for (uint8_t& b : im.bytes) b = random ? uint8_t(g()) : 0x5A;
    } else {
        for (size_t i = 0; i < im.bytes.size(); i += 4) {
            const float f = random ? floatChannel(g, nan) : -7.0f;
            std::memcpy(&im.bytes[i], &f, 4);
        }
    }
    return im;
}

void setMatrix(Rng& g, float* m, int32_t w, int32_t h) {
    const float id[9] = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    std::copy(id, id + 9, m);
    switch (pick(g, 0, 6)) {
        case 0:
            return;  // identity
        case 1:      // whole-pixel shift
            m[6] = float(pick(g, -3, 3)), m[7] = float(pick(g, -3, 3));
            return;
        case 2:  // sub-pixel shift
            m[6] = real(g, -2, 2), m[7] = real(g, -2, 2);
            return;
        case 3:
        case 4: {  // rotation and scale about the centre, sometimes keystoned
            const float a = real(g, -0.3f, 0.3f), s = real(g, 0.6f, 1.6f);
            m[0] = s * std::cos(a), m[1] = s * std::sin(a), m[3] = -m[1], m[4] = m[0];
            m[6] = float(w) / 2 - m[0] * float(w) / 2 - m[3] * float(h) / 2;
            m[7] = float(h) / 2 - m[1] * float(w) / 2 - m[4] * float(h) / 2;
            if (chance(g, 0.5)) m[2] = real(g, -0.05f, 0.05f), m[5] = real(g, -0.05f, 0.05f);
            return;
        }
        case 5:  // projective enough that w <= 0 somewhere
            for (int i = 0; i < 9; ++i) m[i] = real(g, -2, 2);
            return;
        default:  // damaged values
            for (int i = 0; i < 9; ++i) m[i] = chance(g, 0.2) ? floatChannel(g) : m[i];
            return;
    }
}

float cropValue(Rng& g, float usual) {
    if (chance(g, 0.6)) return usual;
    return chance(g, 0.05) ? NAN : real(g, -30, 130);
}

constexpr int32_t kCodes[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 131, 132, 13, 99};

struct Case {
    TransformKernelArgs args;
    Image primary, secondary;
    bool hasSecondary = false;
    int32_t outW = 0, outH = 0, outPitch = 0;
    std::vector<RowBand> bands;  // in the order they run
    bool onePayload = false;     // every NaN in the frames alike, and no infinity
};

Case randomCase(Rng& g, int bpp) {
    Case c;
    TransformKernelArgs& a = c.args;
    // Tiny and odd sizes dominate; a few cross several vector spans.
    const auto size = [&] { return chance(g, 0.2) ? pick(g, 1, 3) : pick(g, 1, chance(g, 0.2) ? 70 : 23); };
    const int32_t w = size(), h = size();
    a.inDemuxMode0 = pick(g, 0, 4);
    a.inDemuxChan0 = pick(g, 0, 2);
    a.inDemuxMode1 = pick(g, 0, 4);
    a.inDemuxChan1 = pick(g, 0, 1);
    c.onePayload = chance(g, 0.5);
    const float nan = nanWith(uint32_t(g()), chance(g, 0.5));
    const float* fixedNan = c.onePayload ? &nan : nullptr;
    c.primary = makeImage(g, w, h, bpp, true, fixedNan);
    c.hasSecondary = chance(g, 0.7);
    if (c.hasSecondary) {
        const int32_t sw = chance(g, 0.5) ? w : size(), sh = chance(g, 0.5) ? h : size();
        c.secondary = makeImage(g, sw, sh, bpp, true, fixedNan);
    }
    int32_t eyeW = a.inDemuxMode0 == DEMUX_SBS_FULL ? w / 2 : w;
    int32_t eyeH = a.inDemuxMode0 == DEMUX_TB_FULL ? h / 2 : h;
    if (chance(g, 0.15)) eyeW = pick(g, 1, 30), eyeH = pick(g, 1, 30);  // a frame that is centred
    eyeW = std::max(eyeW, 1), eyeH = std::max(eyeH, 1);
    a.inImageL = c.primary.bytes.data();
    a.inImageR = c.hasSecondary ? c.secondary.bytes.data() : nullptr;
    a.inPitchL = c.primary.pitch;
    a.inPitchR = c.hasSecondary ? c.secondary.pitch : 0;
    a.inWidthL = w, a.inHeightL = h;
    a.inWidthR = c.hasSecondary ? c.secondary.width : w;
    a.inHeightR = c.hasSecondary ? c.secondary.height : h;
    a.inWidthLP = eyeW, a.inHeightLP = eyeH;
    a.inDispMode = kCodes[pick(g, 0, int32_t(std::size(kCodes)) - 1)];
    a.inSwapLR = pick(g, 0, 1);
    a.inGrayscale = chance(g, 0.25) || a.inDispMode == DISPLAY_ANAGLYPH_GRAY;
    a.inInterlaceOdd = pick(g, 0, 1);
    setMatrix(g, &a.inL11, eyeW, eyeH);
    setMatrix(g, &a.inR11, eyeW, eyeH);
    float* crops = &a.inCropLL;
    for (int i = 0; i < 8; ++i) crops[i] = cropValue(g, i % 4 < 2 ? 0.0f : 100.0f);
    a.inAutoCropL = -0.5f, a.inAutoCropT = -0.5f;
    a.inAutoCropR = float(eyeW) + 0.5f, a.inAutoCropB = float(eyeH) + 0.5f;
    if (chance(g, 0.35)) {
        a.inAutoCropL = real(g, -1, float(eyeW) / 2),
        a.inAutoCropR = real(g, float(eyeW) / 3, float(eyeW) + 1);
        a.inAutoCropT = real(g, -1, float(eyeH) / 2),
        a.inAutoCropB = real(g, float(eyeH) / 3, float(eyeH) + 1);
        a.inAutoScaleX = chance(g, 0.3) ? 1.0f : real(g, 0.5f, 2.0f);
        a.inAutoScaleY = chance(g, 0.3) ? 1.0f : real(g, 0.5f, 2.0f);
        a.inAutoCenterX = real(g, -3, 3), a.inAutoCenterY = real(g, -3, 3);
        if (chance(g, 0.05)) a.inAutoScaleX = 0.0f;  // damaged: infinite positions
    }
    if (chance(g, 0.3)) {
        a.inEnableAreaAlter = 1;
        a.inAreaAlterColor = pick(g, 0, 4);
        a.inAreaAlterX = real(g, 0, 100), a.inAreaAlterY = real(g, 0, 100), a.inAreaAlterR = real(g, 0, 120);
    }
    c.outW = eyeW * (a.inDispMode == DISPLAY_SBS_FULL ? 2 : 1);
    c.outH = eyeH * (a.inDispMode == DISPLAY_TB_FULL ? 2 : 1);
    c.outPitch = c.outW + (chance(g, 0.3) ? 2 : 0);
    a.inPitchD = c.outPitch;
    // Bands start on even rows and run in any order.
    for (int32_t y = 0; y < eyeH;) {
        const int32_t end = chance(g, 0.5) ? eyeH : std::min(eyeH, y + 2 * pick(g, 1, 4));
        c.bands.push_back({y, end});
        y = end;
    }
    for (size_t i = c.bands.size(); i > 1; --i)
        std::swap(c.bands[i - 1], c.bands[size_t(pick(g, 0, int32_t(i) - 1))]);
    return c;
}

std::string channels(const uint8_t* p, int bpp) {
    std::ostringstream os;
    for (int k = 0; k < 4; ++k) {
        if (bpp == 4) {
            os << (k ? " " : "") << int(p[k]);
        } else {
            float f;
            uint32_t u;
            std::memcpy(&f, p + 4 * k, 4);
            std::memcpy(&u, p + 4 * k, 4);
            char buf[48];
            std::snprintf(buf, sizeof buf, "%s%g (0x%08x)", k ? " " : "", double(f), u);
            os << buf;
        }
    }
    return os.str();
}

std::string describe(const TransformKernelArgs& a) {
    std::ostringstream os;
    os << "eye " << a.inWidthLP << "x" << a.inHeightLP << ", frames " << a.inWidthL << "x" << a.inHeightL
       << " and " << a.inWidthR << "x" << a.inHeightR << (a.inImageR ? "" : " (absent)") << ", display "
       << a.inDispMode << ", demux " << a.inDemuxMode0 << "/" << a.inDemuxChan0 << " " << a.inDemuxMode1
       << "/" << a.inDemuxChan1 << ", swap " << a.inSwapLR << ", gray " << a.inGrayscale << ", lens "
       << a.inEnableAreaAlter;
    return os.str();
}

// Each channel is equal, or a NaN in both.
bool bothNaN(const uint8_t* x, const uint8_t* y) {
    for (int k = 0; k < 4; ++k) {
        float a, b;
        std::memcpy(&a, x + 4 * k, 4);
        std::memcpy(&b, y + 4 * k, 4);
        if (std::memcmp(&a, &b, 4) != 0 && !(std::isnan(a) && std::isnan(b))) return false;
    }
    return true;
}

// Renders a case through the reference in one pass and through the dispatcher band by band;
// returns the first difference, or "" when every byte agrees.
std::string compare(const Case& c, CpuPixelFormat format, CpuKernelTarget target) {
    const int bpp = format == CpuPixelFormat::Argb8 ? 4 : 16;
    const size_t n = size_t((c.outH - 1) * c.outPitch + c.outW) * size_t(bpp);
    std::vector<uint8_t> want(n, 0xA5), got(n, 0xA5);
    TransformKernelArgs a = c.args;
    a.inImageD = want.data();
    runReferenceCpuKernel(a, format);
    a.inImageD = got.data();
    for (const RowBand& b : c.bands) runCpuTransformKernel(a, format, b, target);
    for (size_t i = 0; i < n; i += size_t(bpp)) {
        if (std::memcmp(&want[i], &got[i], size_t(bpp)) != 0 &&
            !(bpp == 16 && !c.onePayload && bothNaN(&want[i], &got[i]))) {
            const size_t px = i / size_t(bpp);
            std::ostringstream os;
            os << "pixel (" << px % size_t(c.outPitch) << ", " << px / size_t(c.outPitch) << "): reference "
               << channels(&want[i], bpp) << ", vector " << channels(&got[i], bpp) << "; "
               << describe(c.args);
            return os.str();
        }
    }
    return "";
}

int caseCount() {
    const char* v = std::getenv("DUOVIS_DIFF_CASES");
    return v ? std::max(1, std::atoi(v)) : 1500;
}

class FastKernel : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        const std::optional<CpuKernelTarget> t = cpuKernelTarget(GetParam());
        ASSERT_TRUE(t.has_value());
        target = *t;
    }
    CpuKernelTarget target;
};

TEST_P(FastKernel, MatchesReferenceOnRandomSettings) {
    for (const CpuPixelFormat format : {CpuPixelFormat::Argb8, CpuPixelFormat::Bgra32f}) {
        const int bpp = format == CpuPixelFormat::Argb8 ? 4 : 16;
        const char* first = std::getenv("DUOVIS_DIFF_FIRST");  // to rerun one reported case
        for (int i = first ? std::atoi(first) : 0; i < caseCount(); ++i) {
            Rng g(1000003u * uint32_t(i) + uint32_t(bpp));
            const Case c = randomCase(g, bpp);
            const std::string diff = compare(c, format, target);
            ASSERT_EQ(diff, "") << "case " << i << ", " << bpp << " bytes per pixel";
        }
    }
}

// Each shortcut, on settings that must take it, gives the reference's bytes.
struct PathRow {
    const char* name;
    CpuPixelFormat format;
    void (*set)(TransformKernelArgs&);
    int64_t FastKernelCounts::*counter;  // must be non-zero
    int64_t FastKernelCounts::*fewer;    // and larger than this one, where set
    bool tapKind;                        // gathers or runs: meaningless with one lane
};

void rotate(TransformKernelArgs& a) {
    a.inL11 = a.inR11 = 1.3f, a.inL12 = a.inR12 = 0.05f, a.inL21 = a.inR21 = -0.05f;
}

const PathRow kPathRows[] = {
    {"8-bit identity anaglyph: whole-pixel rows from the bytes", CpuPixelFormat::Argb8,
     [](TransformKernelArgs&) {}, &FastKernelCounts::wholePixelRows, nullptr, false},
    {"8-bit identity looking glass: whole pixels, no blend", CpuPixelFormat::Argb8,
     [](TransformKernelArgs& a) { a.inEnableAreaAlter = 1; }, &FastKernelCounts::unblendedSpans,
     &FastKernelCounts::gatheredTaps, false},
    {"8-bit whole-pixel shift, optimized anaglyph: consecutive taps", CpuPixelFormat::Argb8,
     [](TransformKernelArgs& a) {
         a.inL31 = a.inR31 = 2, a.inL32 = a.inR32 = -1;
         a.inDispMode = DISPLAY_ANAGLYPH_OPTIMIZED;
     },
     &FastKernelCounts::contiguousTaps, &FastKernelCounts::gatheredTaps, true},
    {"float rotation: neighbours side by side, gathers at the window's edges", CpuPixelFormat::Bgra32f,
     rotate, &FastKernelCounts::neighbourTaps, &FastKernelCounts::gatheredTaps, true},
    {"8-bit rotation: neighbours side by side, gathers at the window's edges", CpuPixelFormat::Argb8, rotate,
     &FastKernelCounts::neighbourTaps, &FastKernelCounts::gatheredTaps, true},
    {"8-bit rotation: taps picked from whole source rows", CpuPixelFormat::Argb8, rotate,
     &FastKernelCounts::rowTaps, nullptr, true},
    {"8-bit rotation against the window's right edge: gathered taps", CpuPixelFormat::Argb8,
     [](TransformKernelArgs& a) {
         rotate(a);
         a.inCropLR = a.inCropRR = 40;
     },
     &FastKernelCounts::gatheredTaps, nullptr, true},
    {"crop window: spans with no sample", CpuPixelFormat::Bgra32f,
     [](TransformKernelArgs& a) { a.inCropLL = a.inCropRL = 60; }, &FastKernelCounts::emptySpans, nullptr,
     false},
    {"auto crop: rows with no sample", CpuPixelFormat::Bgra32f,
     [](TransformKernelArgs& a) { a.inAutoCropT = 10.5f, a.inAutoCropL = 20.5f; },
     &FastKernelCounts::emptyRows, nullptr, false},
};

TEST_P(FastKernel, ShortcutsAreTakenAndExact) {
    for (const PathRow& row : kPathRows) {
        const int bpp = row.format == CpuPixelFormat::Argb8 ? 4 : 16;
        Rng g(7);
        Case c = randomCase(g, bpp);
        const float nan = nanWith(0x2468ACu, false);
        c.primary = makeImage(g, 45, 21, bpp, true, &nan);
        c.secondary = makeImage(g, 45, 21, bpp, true, &nan);
        c.onePayload = true;
        TransformKernelArgs a;
        a.inImageL = c.primary.bytes.data(), a.inImageR = c.secondary.bytes.data();
        a.inPitchL = c.primary.pitch, a.inPitchR = c.secondary.pitch;
        a.inWidthL = a.inWidthR = a.inWidthLP = 45;
        a.inHeightL = a.inHeightR = a.inHeightLP = 21;
        a.inAutoCropR = 45.5f, a.inAutoCropB = 21.5f;
        a.inDispMode = DISPLAY_ANAGLYPH;
        row.set(a);
        c.outW = c.outPitch = a.inPitchD = 45, c.outH = 21;
        c.args = a;
        c.bands = {{0, 21}};
        EXPECT_EQ(compare(c, row.format, target), "") << row.name;

        std::vector<uint8_t> out(size_t(45 * 21 * bpp));
        a.inImageD = out.data();
        FastKernelCounts n;
        runFastCpuKernel(planCpuKernel(a, bpp), row.format, {}, target, &n);
        if (row.tapKind && n.lanes == 1) continue;
        EXPECT_GT(n.*row.counter, 0) << row.name;
        if (row.fewer) {
            EXPECT_LT(n.*row.fewer, n.*row.counter) << row.name;
        }
    }
}

// Float rows on whole pixels skip the gathers; each display code must still store the
// reference's floats, where the taps beside each sample hold NaNs, infinities and signed zeros,
// where crop windows clamp those taps at their edges, and where the run ends mid-vector.
struct WholeRowSetting {
    const char* name;
    bool infinities;  // many NaN payloads and infinities: a NaN matches any NaN
    void (*set)(TransformKernelArgs&);
};

const WholeRowSetting kWholeRowSettings[] = {
    {"identity", false, [](TransformKernelArgs&) {}},
    {"whole-pixel shifts inside crop windows", false,
     [](TransformKernelArgs& a) {
         a.inL31 = 2, a.inL32 = -1, a.inR31 = -3, a.inR32 = 2;
         a.inCropLL = 7, a.inCropLR = 61, a.inCropLB = 70, a.inCropRT = 20, a.inCropRR = 93, a.inCropRB = 81;
     }},
    {"swapped, gray, auto crop shifted by whole pixels", false,
     [](TransformKernelArgs& a) {
         a.inSwapLR = 1, a.inGrayscale = 1;
         a.inAutoCenterX = 3, a.inAutoCropL = 4.5f, a.inAutoCropR = 37.5f;
     }},
    {"looking glass", false,
     [](TransformKernelArgs& a) {
         a.inEnableAreaAlter = 1, a.inAreaAlterColor = 2;
         a.inAreaAlterX = 40, a.inAreaAlterY = 50, a.inAreaAlterR = 60;
     }},
    {"infinities beside the samples", true, [](TransformKernelArgs& a) { a.inL31 = 1, a.inCropRR = 50; }},
};

// Both eyes of a `width` x 21 grid on whole pixels, in display `code`, with `bpp` bytes per
// pixel; `where` names the case.
Case wholePixelCase(const WholeRowSetting& setting, int32_t code, int32_t width, int bpp,
                    std::string& where) {
    Rng g{uint32_t(code * 131 + width)};
    const float nan = nanWith(uint32_t(g()), chance(g, 0.5));
    const float* oneNan = setting.infinities ? nullptr : &nan;
    Case c;
    c.primary = makeImage(g, width, 21, bpp, true, oneNan);
    c.secondary = makeImage(g, width, 21, bpp, true, oneNan);
    c.hasSecondary = true;
    c.onePayload = !setting.infinities;
    TransformKernelArgs& a = c.args;
    a.inImageL = c.primary.bytes.data(), a.inImageR = c.secondary.bytes.data();
    a.inPitchL = c.primary.pitch, a.inPitchR = c.secondary.pitch;
    a.inWidthL = a.inWidthR = a.inWidthLP = width;
    a.inHeightL = a.inHeightR = a.inHeightLP = 21;
    a.inAutoCropR = float(width) + 0.5f, a.inAutoCropB = 21.5f;
    a.inDispMode = code;
    a.inInterlaceOdd = width == 3;
    setting.set(a);
    c.outW = width * (code == DISPLAY_SBS_FULL ? 2 : 1);
    c.outH = 21 * (code == DISPLAY_TB_FULL ? 2 : 1);
    c.outPitch = a.inPitchD = c.outW + 1;
    c.bands = {{0, 21}};
    where = std::string(setting.name) + ", display " + std::to_string(code) + ", width " +
            std::to_string(width) + ", " + std::to_string(bpp) + " bytes per pixel";
    return c;
}

// The case's frame through the vector kernel alone, counting what its loop did.
FastKernelCounts countsOf(Case c, CpuPixelFormat format, CpuKernelTarget target) {
    const int bpp = format == CpuPixelFormat::Argb8 ? 4 : 16;
    std::vector<uint8_t> out(size_t(c.outH * c.outPitch * bpp));
    c.args.inImageD = out.data();
    FastKernelCounts n;
    runFastCpuKernel(planCpuKernel(c.args, bpp), format, {}, target, &n);
    return n;
}

TEST_P(FastKernel, WholePixelFloatRowsMatchReferenceInEveryCode) {
    for (const WholeRowSetting& setting : kWholeRowSettings) {
        for (const int32_t code : kCodes) {
            for (const int32_t width : {45, 3}) {
                std::string where;
                const Case c = wholePixelCase(setting, code, width, 16, where);
                EXPECT_EQ(compare(c, CpuPixelFormat::Bgra32f, target), "") << where;
                const FastKernelCounts n = countsOf(c, CpuPixelFormat::Bgra32f, target);
                if (n.lanes >= 4) {
                    EXPECT_GT(n.wholePixelRows, 0) << where;
                }
            }
        }
    }
}

// 8-bit rows on whole pixels compose the packed source bytes by each display code's rule; they
// must store the reference's bytes, and must be taken where the plan admits them: no looking
// glass, no squeeze, no rounding of the code's own (the optimized anaglyph), a code that stores.
TEST_P(FastKernel, WholePixelByteRowsMatchReferenceInEveryCode) {
    const std::set<int32_t> notWhole = {DISPLAY_SBS_HALF, DISPLAY_TB_HALF, DISPLAY_ANAGLYPH_OPTIMIZED,
                                        DISPLAY_PARALLAX, 99};
    for (const WholeRowSetting& setting : kWholeRowSettings) {
        if (setting.infinities) continue;  // bytes hold none
        for (const int32_t code : kCodes) {
            for (const int32_t width : {45, 3, 17}) {
                std::string where;
                const Case c = wholePixelCase(setting, code, width, 4, where);
                EXPECT_EQ(compare(c, CpuPixelFormat::Argb8, target), "") << where;
                if (notWhole.count(code) || c.args.inEnableAreaAlter) continue;
                EXPECT_GT(countsOf(c, CpuPixelFormat::Argb8, target).wholePixelRows, 0) << where;
            }
        }
    }
}

// With an odd eye height the top-bottom squeeze's right-eye rows pair across even-row bands;
// bands run last to first must still leave what one top-to-bottom pass leaves.
TEST_P(FastKernel, SqueezeWinnersDoNotDependOnBandOrder) {
    for (const int32_t height : {1, 3, 7, 8}) {
        Rng g{uint32_t(height)};
        Case c = randomCase(g, 4);
        c.primary = makeImage(g, 5, height, 4, true);
        c.secondary = makeImage(g, 5, height, 4, true);
        TransformKernelArgs a;
        a.inImageL = c.primary.bytes.data(), a.inImageR = c.secondary.bytes.data();
        a.inPitchL = c.primary.pitch, a.inPitchR = c.secondary.pitch;
        a.inWidthL = a.inWidthR = a.inWidthLP = 5;
        a.inHeightL = a.inHeightR = a.inHeightLP = height;
        a.inAutoCropR = 5.5f, a.inAutoCropB = float(height) + 0.5f;
        a.inDispMode = DISPLAY_TB_HALF;
        c.outW = c.outPitch = a.inPitchD = 5, c.outH = height;
        c.args = a;
        c.bands.clear();
        for (int32_t y = 0; y < height; y += 2)
            c.bands.insert(c.bands.begin(), RowBand{y, std::min(height, y + 2)});
        EXPECT_EQ(compare(c, CpuPixelFormat::Argb8, target), "") << "eye height " << height;
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, FastKernel, ::testing::ValuesIn(cpuKernelTargets()),
                         [](const auto& i) { return i.param; });

TEST(FastKernelTargets, EachNameRunsItsOwnBuild) {
    std::set<std::string> ran;
    std::vector<uint8_t> src(4 * 9 * 3, 1), dst(src.size());
    TransformKernelArgs a;
    a.inImageL = src.data(), a.inImageD = dst.data();
    a.inPitchL = a.inPitchD = a.inWidthL = a.inWidthR = a.inWidthLP = 9;
    a.inHeightL = a.inHeightR = a.inHeightLP = 3;
    for (const std::string& t : cpuKernelTargets()) {
        const std::optional<CpuKernelTarget> target = cpuKernelTarget(t);
        ASSERT_TRUE(target.has_value());
        FastKernelCounts n;
        runFastCpuKernel(planCpuKernel(a, 4), CpuPixelFormat::Argb8, {}, *target, &n);
        ran.insert(n.target);
    }
    EXPECT_FALSE(cpuKernelTarget("vax").has_value());
    EXPECT_TRUE(cpuKernelTarget("").has_value());
    EXPECT_EQ(ran.size(), cpuKernelTargets().size());
    EXPECT_EQ(cpuKernelTargets().front(), "baseline");
}

// What DUOVIS_CPU_TARGET's value pins: a target this CPU runs by its name, else the best.
TEST(FastKernelTargets, APinNamesItsTargetOrLeavesTheBest) {
    EXPECT_EQ(pinnedCpuKernelTarget(nullptr).bits, 0);
    EXPECT_EQ(pinnedCpuKernelTarget("").bits, 0);
    EXPECT_EQ(pinnedCpuKernelTarget("vax").bits, 0);
    EXPECT_EQ(pinnedCpuKernelTarget("AVX2").bits, 0);
    for (const std::string& t : cpuKernelTargets()) {
        EXPECT_NE(pinnedCpuKernelTarget(t.c_str()).bits, 0) << t;
        EXPECT_EQ(pinnedCpuKernelTarget(t.c_str()).bits, cpuKernelTarget(t)->bits) << t;
    }
}

}  // namespace
}  // namespace duovis
