#include "core/kernel/CpuKernelPlan.h"

#include "core/kernel/KernelPolicy.h"
#include "core/kernel/StereoRules.h"
#include "core/params/Codes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace duovis {

namespace {

// Sizes up to this keep every limit minus one half, and every eye column, exact in float.
constexpr int32_t kMaxVectorSize = 1 << 22;

struct JobSource {
    const void* frame;
    int32_t width, height, pitch, demux;
    int placement;
};

// The primary frame is centred on the eye grid: the untouched axis is centre-aligned and the
// split axis places the half.
void centredMaps(const JobSource& s, const TransformKernelArgs& a, JobPlan& j) {
    const float hW = float(s.width / 2), hH = float(s.height / 2);
    const float w = float(s.width), h = float(s.height);
    const float wP = float(a.inWidthLP), hP = float(a.inHeightLP);
    j.x = {AxisMap::Centre, hW, float(a.inWidthLP / 2)};
    j.y = {AxisMap::Centre, hH, float(a.inHeightLP / 2)};
    if (s.placement == stereo::PLACE_WHOLE) return;
    const bool first = s.placement == stereo::PLACE_FIRST_HALF;
    const bool pair = s.placement == stereo::PLACE_SECOND_OF_PAIR;
    switch (s.demux) {
        case DEMUX_SBS_HALF:
            j.x = first ? AxisPlan{AxisMap::CentreMulHalf, hW, wP} : AxisPlan{AxisMap::AddMulHalf, w, 0};
            break;
        case DEMUX_SBS_FULL:
            j.x = first ? AxisPlan{AxisMap::Centre, hW, wP}
                        : AxisPlan{AxisMap::AddBefore, pair ? hW : w * 0.5f, 0};
            break;
        case DEMUX_TB_HALF:
            j.y = first ? AxisPlan{AxisMap::CentreMulHalf, hH, hP} : AxisPlan{AxisMap::AddMulHalf, h, 0};
            break;
        case DEMUX_TB_FULL:
            j.y = first ? AxisPlan{AxisMap::Centre, hH, hP}
                        : AxisPlan{AxisMap::AddBefore, pair ? hH : h * 0.5f, 0};
            break;
        default:
            break;
    }
}

// The secondary frame is anchored at its top-left corner.
void anchoredMaps(const JobSource& s, JobPlan& j) {
    j.x = j.y = {AxisMap::Pass, 0, 0};
    if (s.placement == stereo::PLACE_WHOLE) return;
    const bool second = s.placement != stereo::PLACE_FIRST_HALF;
    const float w = float(s.width), h = float(s.height);
    switch (s.demux) {
        case DEMUX_SBS_HALF:
            j.x = second ? AxisPlan{AxisMap::AddDivTwo, w, 0} : AxisPlan{AxisMap::DivTwo, 0, 0};
            break;
        case DEMUX_SBS_FULL:
            if (second) j.x = {AxisMap::AddAfter, w / 2.0f, 0};
            break;
        case DEMUX_TB_HALF:
            j.y = second ? AxisPlan{AxisMap::AddDivTwo, h, 0} : AxisPlan{AxisMap::DivTwo, 0, 0};
            break;
        case DEMUX_TB_FULL:
            if (second) j.y = {AxisMap::AddAfter, h / 2.0f, 0};
            break;
        default:
            break;
    }
}

// Crop percentages to pixel limits inside the frame, rounded as the CPU render does.
void setLimits(const JobSource& s, float cl, float ct, float cr, float cb, JobPlan& j) {
    const int splitX = stereo::splitsAcross(s.demux, s.placement);
    const int splitY = stereo::splitsDown(s.demux, s.placement);
    const int second = stereo::isSecondHalf(s.placement);
    j.limL = stereo::cropLimit(cl, splitX, second, s.width, CpuRenderPolicy::kCropHalfUp);
    j.limR = stereo::cropLimit(cr, splitX, second, s.width, CpuRenderPolicy::kCropHalfUp);
    j.limT = stereo::cropLimit(ct, splitY, second, s.height, CpuRenderPolicy::kCropHalfUp);
    j.limB = stereo::cropLimit(cb, splitY, second, s.height, CpuRenderPolicy::kCropHalfUp);
    j.active = s.frame != nullptr && j.limR > j.limL && j.limB > j.limT;
    j.loX = float(j.limL) - 0.5f, j.hiX = float(j.limR) - 0.5f;
    j.loY = float(j.limT) - 0.5f, j.hiY = float(j.limB) - 0.5f;
}

// Every lane index of the window's pixels, in the lane type's units, fits a signed 32-bit lane.
bool indicesFit(const JobPlan& j, int bytesPerPixel) {
    if (!j.active) return true;
    const int64_t units = bytesPerPixel / 4;
    const int64_t rows[2] = {int64_t(j.limT) * j.pitch, int64_t(j.limB - 1) * j.pitch};
    const int64_t cols[2] = {j.limL, j.limR - 1};
    for (int64_t r : rows)
        for (int64_t c : cols)
            if (std::llabs((r + c) * units) + 3 > INT32_MAX) return false;
    return true;
}

// An integer small enough that sums of a few such stay exact in float.
bool wholeSmall(float v) {
    return std::fabs(v) <= float(1 << 21) && std::floor(v) == v;
}

// The first x in [lo, hi) where `pred` holds, for a predicate false then true along x.
template <class Pred>
int32_t firstWhere(int32_t lo, int32_t hi, Pred pred) {
    while (lo < hi) {
        const int32_t mid = lo + (hi - lo) / 2;
        if (pred(mid)) {
            hi = mid;
        } else {
            lo = mid + 1;
        }
    }
    return lo;
}

// A whole-number source position plus a job's placement map, where that map keeps it whole.
bool wholeMap(const AxisPlan& m, int64_t u, int64_t& f) {
    switch (m.map) {
        case AxisMap::Pass:
            f = u;
            return true;
        case AxisMap::AddAfter:
        case AxisMap::AddBefore:
            f = u + int64_t(m.a);
            return wholeSmall(m.a);
        case AxisMap::Centre:
            f = int64_t(m.a) - (int64_t(m.b) - u);
            return wholeSmall(m.a) && wholeSmall(m.b);
        default:
            return false;  // the halving maps land between pixels
    }
}

// One job along a row. With m11 = 1, m12 = m13 = m23 = 0 and m33 = 1 the mapping is
// u = (x1 + m21 y1) + m31 and v = (0 x1 + m22 y1) + m32, so when x1 = x + cx and every other
// term is a small whole number, u and v are whole and exact, and so are the sample positions.
bool wholeRun(const CpuKernelPlan& p, const JobPlan& j, const float* m, float y1, int32_t accLo,
              int32_t accHi, PixelRun& run) {
    run = {};
    if (!j.active) return true;
    const float t = m[3] * y1, s = m[4] * y1;
    if (!(m[0] == 1 && m[1] == 0 && m[2] == 0 && m[5] == 0 && m[8] == 1 && wholeSmall(t) && wholeSmall(s) &&
          wholeSmall(m[6]) && wholeSmall(m[7])))
        return false;
    int64_t kx = 0, ky = 0;
    const int64_t u0 = int64_t(p.args->inAutoCenterX) + int64_t(t) + int64_t(m[6]);
    if (!wholeMap(j.x, u0, kx) || !wholeMap(j.y, int64_t(s) + int64_t(m[7]), ky)) return false;
    if (ky < j.limT || ky > j.limB - 1) return true;  // the row is outside the window
    run.lo = int32_t(std::max<int64_t>(accLo, j.limL - kx));
    run.hi = int32_t(std::min<int64_t>(accHi, j.limR - kx));
    run.hi = std::max(run.hi, run.lo);
    run.base = ky * j.pitch + kx;
    run.edge = int32_t(std::clamp<int64_t>(j.limR - 1 - kx, INT32_MIN, INT32_MAX));
    run.below = ky + 1 < j.limB ? j.pitch : 0;
    return true;
}

JobPlan planJob(const JobSource& s, bool centred, const TransformKernelArgs& a, const float crop[4]) {
    JobPlan j;
    j.frame = s.frame;
    j.pitch = s.pitch;
    if (centred) {
        centredMaps(s, a, j);
    } else {
        anchoredMaps(s, j);
    }
    setLimits(s, crop[0], crop[1], crop[2], crop[3], j);
    return j;
}

}  // namespace

CpuKernelPlan planCpuKernel(const TransformKernelArgs& a, int bytesPerPixel) {
    CpuKernelPlan p;
    p.args = &a;
    p.eyeW = a.inWidthLP;
    p.eyeH = a.inHeightLP;
    p.halfW = float(a.inWidthLP) / 2.0f;
    p.halfH = float(a.inHeightLP) / 2.0f;
    p.unitScaleX = a.inAutoScaleX == 1.0f;
    const float m[2][9] = {{a.inL11, a.inL12, a.inL13, a.inL21, a.inL22, a.inL23, a.inL31, a.inL32, a.inL33},
                           {a.inR11, a.inR12, a.inR13, a.inR21, a.inR22, a.inR23, a.inR31, a.inR32, a.inR33}};
    for (int e = 0; e < 2; ++e) {
        std::copy(m[e], m[e] + 9, p.m[e]);
        p.affine[e] = m[e][2] == 0 && m[e][5] == 0 && m[e][8] == 1;
    }
    p.swap = a.inSwapLR > 0;
    p.gray = a.inGrayscale > 0;
    const int32_t code = a.inDispMode;
    const bool leftOnly = code == DISPLAY_LEFT || code == DISPLAY_PARALLAX_LEFT;
    const bool rightOnly = code == DISPLAY_RIGHT;
    p.needFirst = !(p.swap ? leftOnly : rightOnly);
    p.needSecond = !(p.swap ? rightOnly : leftOnly);

    const JobSource first{a.inImageL, a.inWidthL,     a.inHeightL,
                          a.inPitchL, a.inDemuxMode0, stereo::firstPlacement(a.inDemuxMode0, a.inDemuxChan0)};
    const int secondPlace =
        stereo::secondPlacement(a.inDemuxMode0, a.inDemuxChan0, a.inDemuxMode1, a.inDemuxChan1);
    const JobSource second =
        stereo::pairInPrimary(a.inDemuxMode0, a.inDemuxChan0)
            ? JobSource{a.inImageL, a.inWidthL, a.inHeightL, a.inPitchL, a.inDemuxMode0, secondPlace}
            : JobSource{a.inImageR, a.inWidthR, a.inHeightR, a.inPitchR, a.inDemuxMode1, secondPlace};
    // Jobs on the primary frame are centred where the CPU render centres it.
    constexpr bool centre = CpuRenderPolicy::kCentrePrimary;
    const bool secondCentred = centre && stereo::pairInPrimary(a.inDemuxMode0, a.inDemuxChan0);
    const float cropL[4] = {a.inCropLL, a.inCropLT, a.inCropLR, a.inCropLB};
    const float cropR[4] = {a.inCropRL, a.inCropRT, a.inCropRR, a.inCropRB};
    p.first = planJob(first, centre, a, cropL);
    p.second = planJob(second, secondCentred, a, cropR);

    p.lensOn = a.inEnableAreaAlter > 0;
    if (p.lensOn) {
        // The looking glass's geometry as the kernel text's lens stage computes it.
        constexpr bool wide = CpuRenderPolicy::kLensGeometryInDouble;
        using Wide = decltype(policyConstant<wide>(0.0));
        const auto lens = [](float value, double divisor, int32_t size) {
            return float(Wide(value) / policyConstant<wide>(divisor) * Wide(size));
        };
        p.lensX = lens(a.inAreaAlterX, 100.0, a.inWidthLP);
        p.lensY = lens(a.inAreaAlterY, 100.0, a.inHeightLP);
        const float r = lens(a.inAreaAlterR, 200.0, a.inHeightLP);
        p.lensR2 = r * r;
        p.ringR2 = (r + 2.0f) * (r + 2.0f);
    }

    const bool exactCode =
        code == DISPLAY_LEFT || code == DISPLAY_RIGHT || code == DISPLAY_SBS_FULL ||
        code == DISPLAY_TB_FULL || code == DISPLAY_INTERLACED || code == DISPLAY_ANAGLYPH ||
        code == DISPLAY_ANAGLYPH_GRAY || code == DISPLAY_ONION || code == DISPLAY_DIFFERENCE ||
        code == DISPLAY_CHECKERBOARD || code == DISPLAY_PARALLAX_LEFT || code == DISPLAY_PARALLAX_RIGHT;
    p.wholePixelRows =
        (bytesPerPixel != 4 || (exactCode && !p.lensOn)) && p.unitScaleX && wholeSmall(a.inAutoCenterX);

    const auto small = [](int32_t v) { return v >= 0 && v <= kMaxVectorSize; };
    p.vectorisable = small(a.inWidthLP) && small(a.inHeightLP) && small(first.width) && small(first.height) &&
                     small(second.width) && small(second.height) && indicesFit(p.first, bytesPerPixel) &&
                     indicesFit(p.second, bytesPerPixel);
    return p;
}

bool wholePixelRow(const CpuKernelPlan& p, float y1, PixelRun& left, PixelRun& right) {
    if (!std::isfinite(y1)) return false;
    const TransformKernelArgs& a = *p.args;
    // The auto-crop test of x1 = x + cx (exact): false, then true, then false again along x.
    const auto x1 = [&](int32_t x) { return float(int64_t(x) + int64_t(a.inAutoCenterX)); };
    const int32_t accLo = firstWhere(0, p.eyeW, [&](int32_t x) { return !(x1(x) < a.inAutoCropL); });
    const int32_t accHi = firstWhere(accLo, p.eyeW, [&](int32_t x) { return x1(x) > a.inAutoCropR; });
    PixelRun first, second;
    const float* mFirst = p.m[p.swap ? 1 : 0];
    const float* mSecond = p.m[p.swap ? 0 : 1];
    if (p.needFirst && !wholeRun(p, p.first, mFirst, y1, accLo, accHi, first)) return false;
    if (p.needSecond && !wholeRun(p, p.second, mSecond, y1, accLo, accHi, second)) return false;
    left = p.swap ? second : first;
    right = p.swap ? first : second;
    return true;
}

}  // namespace duovis
