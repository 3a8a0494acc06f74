#include "core/kernel/StereoKernel.h"

#include "core/params/Codes.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>
#include <utility>

namespace duovis {

namespace {

enum class Placement { Whole, FirstHalf, SecondHalf, SecondOfPair };

// Eye positions are mapped and located in runs of this many along a row.
constexpr int32_t kRun = 64;
constexpr int32_t kTileRows = 32;

// Four eye positions at a time. Each lane is computed with exactly the operations, in the
// same order, that one position alone would use, so the lanes hold the per-position values.
using Mask4 = int32_t __attribute__((vector_size(16)));
using Double4 = double __attribute__((vector_size(32)));

inline Vec4 load4(const float* p) {
    Vec4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}
template <class V>
inline void store4(void* p, V v) {
    std::memcpy(p, &v, sizeof v);
}

// floor() of positions that lie in the window (well inside the integer range).
inline Int4 floor4(Vec4 f) {
    const Int4 t = __builtin_convertvector(f, Int4);
    return t + (__builtin_convertvector(t, Vec4) > f);  // a true lane is -1
}

template <class Policy>
int32_t roundLimit(float x) {
    if constexpr (Policy::kCropRounding == CropRounding::HalfUp) {
        return int32_t(std::floor(x + 0.5f));
    } else {
        return int32_t(std::round(x));
    }
}

// One sampling job: a source frame, how the eye sits in it, and its crop window as pixel
// limits. Everything here follows from the argument record, so it is settled once per frame.
template <class Policy>
struct SampleJob {
    using Bound = std::conditional_t<Policy::kWindowTestInDouble, double, float>;

    const void* frame = nullptr;
    int32_t width = 0, height = 0, pitch = 0;
    int32_t demux = DEMUX_NONE;
    Placement placement = Placement::Whole;
    bool centred = false;  // primary frame centred on the eye grid
    bool active = false;   // a frame to sample and a non-empty window
    int32_t limL = 0, limR = 0, limT = 0, limB = 0;
    Bound loX = 0, hiX = 0, loY = 0, hiY = 0;  // window test bounds
    float floX = 0, fhiX = 0, floY = 0, fhiY = 0;
    bool boundsExactInFloat = true;
    // Centring terms, in pixels of the frame and of the eye grid.
    float hW = 0, hH = 0, cX = 0, cY = 0, wP = 0, hP = 0;

    void setLimits(float cl, float ct, float cr, float cb) {
        const float w = float(width), h = float(height);
        const bool splitX =
            placement != Placement::Whole && (demux == DEMUX_SBS_HALF || demux == DEMUX_SBS_FULL);
        const bool splitY =
            placement != Placement::Whole && (demux == DEMUX_TB_HALF || demux == DEMUX_TB_FULL);
        const bool second = placement == Placement::SecondHalf || placement == Placement::SecondOfPair;
        // A crop percentage refers to the eye's own half: 200 on the split axis, and the second
        // half starts 100 further on.
        // A position past the frame is held just outside it before rounding, so that an absurd
        // percentage cannot overflow the integer limit (the clamp below brings it to the edge);
        // a NaN percentage counts as 0.
        const auto limit = [&](float pct, bool split, float size) {
            float x = split ? (second ? pct + 100.0f : pct) / 200.0f * size : pct / 100.0f * size;
            x = std::isnan(x) ? 0.0f : std::clamp(x, -1.0f, size + 1.0f);
            return roundLimit<Policy>(x);
        };
        limL = limit(cl, splitX, w);
        limR = limit(cr, splitX, w);
        limT = limit(ct, splitY, h);
        limB = limit(cb, splitY, h);
        // Out-of-range crop values (a damaged project) would open the window past the frame's
        // edges; the window never reaches beyond the frame, and an inverted or empty window
        // samples nothing.
        limL = std::clamp(limL, 0, width);
        limR = std::clamp(limR, 0, width);
        limT = std::clamp(limT, 0, height);
        limB = std::clamp(limB, 0, height);
        active = frame != nullptr && limR > limL && limB > limT;
        loX = Bound(limL) - Bound(0.5);
        hiX = Bound(limR) - Bound(0.5);
        loY = Bound(limT) - Bound(0.5);
        hiY = Bound(limB) - Bound(0.5);
        floX = float(loX), fhiX = float(hiX), floY = float(loY), fhiY = float(hiY);
        boundsExactInFloat =
            Bound(floX) == loX && Bound(fhiX) == hiX && Bound(floY) == loY && Bound(fhiY) == hiY;
    }

    // Sample position in the frame for eye position (u, v).
    template <class T>
    [[gnu::always_inline]] void position(T u, T v, T& fX, T& fY) const {
        const float w = float(width), h = float(height);
        if (!centred) {
            fX = u;
            fY = v;
            if (placement == Placement::Whole) return;
            const bool second = placement != Placement::FirstHalf;
            switch (demux) {
                case DEMUX_SBS_HALF:
                    fX = second ? (u + w) / 2.0f : u / 2.0f;
                    break;
                case DEMUX_SBS_FULL:
                    fX = second ? u + w / 2.0f : u;
                    break;
                case DEMUX_TB_HALF:
                    fY = second ? (v + h) / 2.0f : v / 2.0f;
                    break;
                case DEMUX_TB_FULL:
                    fY = second ? v + h / 2.0f : v;
                    break;
                default:
                    break;
            }
            return;
        }
        // Centred on the eye grid: the untouched axis is centre-aligned, the split axis places
        // the half.
        fX = hW - (cX - u);
        fY = hH - (cY - v);
        if (placement == Placement::Whole) return;
        const Placement p = placement;
        switch (demux) {
            case DEMUX_SBS_HALF:
                fX = p == Placement::FirstHalf ? hW - (wP - u) * 0.5f : (u + w) * 0.5f;
                break;
            case DEMUX_SBS_FULL:
                fX = p == Placement::FirstHalf    ? hW - (wP - u)
                     : p == Placement::SecondHalf ? w * 0.5f + u
                                                  : hW + u;
                break;
            case DEMUX_TB_HALF:
                fY = p == Placement::FirstHalf ? hH - (hP - v) * 0.5f : (v + h) * 0.5f;
                break;
            case DEMUX_TB_FULL:
                fY = p == Placement::FirstHalf    ? hH - (hP - v)
                     : p == Placement::SecondHalf ? h * 0.5f + v
                                                  : hH + v;
                break;
            default:
                break;
        }
    }

    // Where a run of eye positions samples this job's frame: the four neighbours of each
    // position, pulled back into the window, and the blend weights.
    struct Taps {
        alignas(16) int32_t c0[kRun], c1[kRun], r0[kRun], r1[kRun];
        alignas(16) float wX[kRun], wY[kRun];
        alignas(16) int32_t ok[kRun];
    };

    // The window test. Made in double precision where the policy says so; the bounds are
    // whole numbers minus one half, so while they are exact in single precision (any frame
    // under 2^23 pixels across) the single-precision comparison gives the identical answer.
    Mask4 insideWindow(Vec4 fX, Vec4 fY) const {
        if (boundsExactInFloat) return (floX <= fX) & (fX <= fhiX) & (floY <= fY) & (fY <= fhiY);
        Mask4 m{};
        for (int k = 0; k < 4; ++k) {
            const Bound x = Bound(fX[k]), y = Bound(fY[k]);
            m[k] = loX <= x && x <= hiX && loY <= y && y <= hiY ? -1 : 0;
        }
        return m;
    }

    void locate(const float* u, const float* v, const int32_t* accepted, Taps& t) const {
        const Mask4 on = active ? Mask4{} - 1 : Mask4{};
        for (int32_t i = 0; i < kRun; i += 4) {
            Vec4 fX, fY;
            position(load4(u + i), load4(v + i), fX, fY);
            Mask4 accept;
            std::memcpy(&accept, accepted + i, sizeof accept);
            const Mask4 inside = insideWindow(fX, fY);
            store4(t.ok + i, inside & accept & on);
            // A position that takes no sample is parked on the window's corner, so that the
            // integer work below stays in range whatever it was (NaN, far outside).
            fX = inside ? fX : Vec4{} + float(limL);
            fY = inside ? fY : Vec4{} + float(limT);
            const Int4 nX = floor4(fX);
            const Int4 nY = floor4(fY);
            store4(t.wX + i, fX - __builtin_convertvector(nX, Vec4));
            store4(t.wY + i, fY - __builtin_convertvector(nY, Vec4));
            // Pull each neighbour back into the window; at an edge both become the edge pixel.
            store4(t.c0 + i, nX < limL ? nX + 1 : nX);
            store4(t.c1 + i, nX + 1 > limR - 1 ? nX : nX + 1);
            store4(t.r0 + i, nY < limT ? nY + 1 : nY);
            store4(t.r1 + i, nY + 1 > limB - 1 ? nY : nY + 1);
        }
    }

    // Bilinear blend of the four neighbours, each channel on its own, alpha included.
    template <class Format>
    [[gnu::always_inline]] Pixel blend(const Taps& t, int32_t i) const {
        if (!t.ok[i]) return Pixel{};
        const float wX = t.wX[i], wY = t.wY[i];
        const int64_t top = int64_t(t.r0[i]) * pitch, bottom = int64_t(t.r1[i]) * pitch;
        const Vec4 upper =
            Format::load(frame, top + t.c0[i]) * (1.0f - wX) + Format::load(frame, top + t.c1[i]) * wX;
        const Vec4 lower =
            Format::load(frame, bottom + t.c0[i]) * (1.0f - wX) + Format::load(frame, bottom + t.c1[i]) * wX;
        return upper * (1.0f - wY) + lower * wY;
    }
};

struct EyeMatrix {
    float m11, m12, m13, m21, m22, m23, m31, m32, m33;

    // An affine matrix gives w = 1 at every finite position (NaN otherwise), and a division
    // by 1 changes nothing, so its divisions can be left out without changing a single bit.
    bool affine() const { return m13 == 0 && m23 == 0 && m33 == 1; }

    // Eye-grid positions to source positions; a projective w <= 0 has no source: (-1, -1).
    template <bool Affine>
    void map(Vec4 x, Vec4 y, Vec4& u, Vec4& v) const {
        const Vec4 w = m13 * x + m23 * y + m33;
        const Vec4 none = Vec4{} - 1.0f;
        const Vec4 mu = m11 * x + m21 * y + m31;
        const Vec4 mv = m12 * x + m22 * y + m32;
        if constexpr (Affine) {
            u = w > 0 ? mu : none;
            v = w > 0 ? mv : none;
        } else {
            u = w > 0 ? mu / w : none;
            v = w > 0 ? mv / w : none;
        }
    }
};

inline void toGray(Pixel& p) {
    const float g = std::max(std::max(p[kR], p[kG]), p[kB]);
    p = Pixel{g, g, g, p[kA]};
}

template <class Format, class Policy>
class StereoKernel {
  public:
    explicit StereoKernel(const TransformKernelArgs& a) : a_(a) {
        left_ = EyeMatrix{a.inL11, a.inL12, a.inL13, a.inL21, a.inL22, a.inL23, a.inL31, a.inL32, a.inL33};
        right_ = EyeMatrix{a.inR11, a.inR12, a.inR13, a.inR21, a.inR22, a.inR23, a.inR31, a.inR32, a.inR33};
        leftAffine_ = left_.affine();
        rightAffine_ = right_.affine();
        unitScaleX_ = a.inAutoScaleX == 1.0f;
        halfW_ = float(a.inWidthLP) / 2.0f;
        halfH_ = float(a.inHeightLP) / 2.0f;
        setUpJobs();
        setUpLens();
    }

    // The eye grid goes in tiles of kTileRows rows by one run of kRun columns: tiles left to
    // right, bands top to bottom, rows top to bottom inside a tile. A rotated or keystoned eye
    // then reads a few source rows per tile instead of sweeping hundreds along a full row.
    // Of two positions in one row the larger x still comes later, and of two in one column the
    // larger y, which is all that decides the stores that meet in display codes 2 and 4.
    // Inside a run the source positions are computed first, four lanes at a time, then the
    // samples and stores follow in column order; each lane's values are those of one position
    // computed alone.
    void run(RowBand rows) const {
        if (!a_.inImageD) return;
        const int32_t first = std::max(rows.begin, int32_t(0));
        const int32_t last = std::min(rows.end, a_.inHeightLP);
        switch (a_.inDispMode) {
            case DISPLAY_LEFT:
                walk<DISPLAY_LEFT>(first, last);
                break;
            case DISPLAY_RIGHT:
                walk<DISPLAY_RIGHT>(first, last);
                break;
            case DISPLAY_SBS_HALF:
                walk<DISPLAY_SBS_HALF>(first, last);
                break;
            case DISPLAY_SBS_FULL:
                walk<DISPLAY_SBS_FULL>(first, last);
                break;
            case DISPLAY_TB_HALF:
                walk<DISPLAY_TB_HALF>(first, last);
                break;
            case DISPLAY_TB_FULL:
                walk<DISPLAY_TB_FULL>(first, last);
                break;
            case DISPLAY_INTERLACED:
                walk<DISPLAY_INTERLACED>(first, last);
                break;
            case DISPLAY_ANAGLYPH:
                walk<DISPLAY_ANAGLYPH>(first, last);
                break;
            case DISPLAY_ANAGLYPH_OPTIMIZED:
                walk<DISPLAY_ANAGLYPH_OPTIMIZED>(first, last);
                break;
            case DISPLAY_ANAGLYPH_GRAY:
                walk<DISPLAY_ANAGLYPH_GRAY>(first, last);
                break;
            case DISPLAY_ONION:
                walk<DISPLAY_ONION>(first, last);
                break;
            case DISPLAY_DIFFERENCE:
                walk<DISPLAY_DIFFERENCE>(first, last);
                break;
            case DISPLAY_CHECKERBOARD:
                walk<DISPLAY_CHECKERBOARD>(first, last);
                break;
            case DISPLAY_PARALLAX_LEFT:
                walk<DISPLAY_PARALLAX_LEFT>(first, last);
                break;
            case DISPLAY_PARALLAX_RIGHT:
                walk<DISPLAY_PARALLAX_RIGHT>(first, last);
                break;
            default:
                break;  // no such display code: nothing is stored, so nothing need be computed
        }
    }

  private:
    // The display code is fixed for a whole frame; as a template argument it leaves the inner
    // loop without a per-pixel dispatch.
    template <int32_t Code>
    void walk(int32_t rowBegin, int32_t rowEnd) const {
        RunState r;
        // Which sampling jobs feed what this code stores. The left colour after the looking
        // glass never depends on the right one, so the single-eye codes need one job only;
        // swap exchanges which job feeds which eye.
        constexpr bool leftOnly = Code == DISPLAY_LEFT || Code == DISPLAY_PARALLAX_LEFT;
        constexpr bool rightOnly = Code == DISPLAY_RIGHT;
        const bool swap = a_.inSwapLR > 0;
        r.needFirst = !(swap ? leftOnly : rightOnly);
        r.needSecond = !(swap ? rightOnly : leftOnly);
        for (int32_t y0 = rowBegin; y0 < rowEnd; y0 += kTileRows) {
            const int32_t y1 = std::min(rowEnd, y0 + kTileRows);
            for (int32_t x0 = 0; x0 < a_.inWidthLP; x0 += kRun) {
                const int32_t n = std::min(kRun, a_.inWidthLP - x0);
                for (int32_t y = y0; y < y1; ++y) {
                    prepare(y, x0, r);
                    for (int32_t i = 0; i < n; ++i) {
                        pixel<Code>(x0 + i, y, r.positions.accepted[i], r, i);
                    }
                }
            }
        }
    }

    void setUpJobs() {
        const TransformKernelArgs& a = a_;
        auto primary = [&](SampleJob<Policy>& j) {
            j.frame = a.inImageL;
            j.width = a.inWidthL;
            j.height = a.inHeightL;
            j.pitch = a.inPitchL;
            j.demux = a.inDemuxMode0;
            j.centred = Policy::kCentrePrimary;
            j.hW = float(a.inWidthL / 2);
            j.hH = float(a.inHeightL / 2);
            j.cX = float(a.inWidthLP / 2);
            j.cY = float(a.inHeightLP / 2);
            j.wP = float(a.inWidthLP);
            j.hP = float(a.inHeightLP);
        };
        primary(first_);
        if (a.inDemuxMode0 > 0 && a.inDemuxChan0 == 0) {
            // Both eyes from the primary frame.
            first_.placement = Placement::FirstHalf;
            primary(second_);
            second_.placement = Placement::SecondOfPair;
        } else {
            first_.placement = a.inDemuxMode0 == 0   ? Placement::Whole
                               : a.inDemuxChan0 == 1 ? Placement::FirstHalf
                                                     : Placement::SecondHalf;
            second_.frame = a.inImageR;
            second_.width = a.inWidthR;
            second_.height = a.inHeightR;
            second_.pitch = a.inPitchR;
            second_.demux = a.inDemuxMode1;
            second_.placement = a.inDemuxMode1 == 0   ? Placement::Whole
                                : a.inDemuxChan1 == 0 ? Placement::FirstHalf
                                                      : Placement::SecondHalf;
        }
        // The crop window stays with the source: the first job samples with the left window.
        first_.setLimits(a.inCropLL, a.inCropLT, a.inCropLR, a.inCropLB);
        second_.setLimits(a.inCropRL, a.inCropRT, a.inCropRR, a.inCropRB);
    }

    void setUpLens() {
        const TransformKernelArgs& a = a_;
        lensOn_ = a.inEnableAreaAlter > 0;
        if (!lensOn_) return;
        if constexpr (Policy::kLensGeometryInDouble) {
            lensX_ = float(double(a.inAreaAlterX) / 100.0 * a.inWidthLP);
            lensY_ = float(double(a.inAreaAlterY) / 100.0 * a.inHeightLP);
            lensR_ = float(double(a.inAreaAlterR) / 200.0 * a.inHeightLP);
        } else {
            lensX_ = a.inAreaAlterX / 100.0f * float(a.inWidthLP);
            lensY_ = a.inAreaAlterY / 100.0f * float(a.inHeightLP);
            lensR_ = a.inAreaAlterR / 200.0f * float(a.inHeightLP);
        }
        lensR2_ = lensR_ * lensR_;
        ringR2_ = (lensR_ + 2.0f) * (lensR_ + 2.0f);
    }

    // A run is mapped whole; lanes past the row's end are computed and never used.
    struct SourcePositions {
        alignas(16) float uL[kRun], vL[kRun], uR[kRun], vR[kRun];
        alignas(16) int32_t accepted[kRun];
    };

    struct RunState {
        SourcePositions positions;
        typename SampleJob<Policy>::Taps first, second;
        bool needFirst = true, needSecond = true;
    };

    void prepare(int32_t y, int32_t x0, RunState& r) const {
        const float y1 = (float(y) - halfH_) / a_.inAutoScaleY + halfH_ + a_.inAutoCenterY;
        mapRun(x0, y1, r.positions);
        if (r.needFirst) first_.locate(r.positions.uL, r.positions.vL, r.positions.accepted, r.first);
        if (r.needSecond) second_.locate(r.positions.uR, r.positions.vR, r.positions.accepted, r.second);
    }

    // Auto pre-mapping, auto-crop rejection, projective mapping and position swap for a run.
    void mapRun(int32_t x0, float y1, SourcePositions& out) const {
        const TransformKernelArgs& a = a_;
        const bool yInside = !(y1 < a.inAutoCropT || y1 > a.inAutoCropB);
        const Mask4 rowOn = yInside ? Mask4{} - 1 : Mask4{};
        const Vec4 ys = Vec4{} + y1;
        const bool swap = a.inSwapLR > 0;
        for (int32_t i = 0; i < kRun; i += 4) {
            const Vec4 x = __builtin_convertvector(Int4{0, 1, 2, 3} + (x0 + i), Vec4);
            // A division by an auto scale of 1 is exact; skipping it keeps every bit.
            const Vec4 x1 =
                (unitScaleX_ ? x - halfW_ : (x - halfW_) / a.inAutoScaleX) + halfW_ + a.inAutoCenterX;
            store4(out.accepted + i, rowOn & ~((x1 < a.inAutoCropL) | (x1 > a.inAutoCropR)));
            Vec4 uL, vL, uR, vR;
            if (leftAffine_) {
                left_.map<true>(x1, ys, uL, vL);
            } else {
                left_.map<false>(x1, ys, uL, vL);
            }
            if (rightAffine_) {
                right_.map<true>(x1, ys, uR, vR);
            } else {
                right_.map<false>(x1, ys, uR, vR);
            }
            store4(out.uL + i, swap ? uR : uL);
            store4(out.vL + i, swap ? vR : vL);
            store4(out.uR + i, swap ? uL : uR);
            store4(out.vR + i, swap ? vL : vR);
        }
    }

    template <int32_t Code>
    [[gnu::always_inline]] void pixel(int32_t x, int32_t y, bool accepted, const RunState& r,
                                      int32_t i) const {
        const TransformKernelArgs& a = a_;
        Pixel cL{}, cR{};
        if (accepted) {
            if (r.needFirst) cL = first_.template blend<Format>(r.first, i);
            if (r.needSecond) cR = second_.template blend<Format>(r.second, i);
            if (a.inSwapLR > 0) std::swap(cL, cR);
            if (a.inGrayscale > 0) {
                toGray(cL);
                toGray(cR);
            }
        }
        const Pixel l0 = cL, r0 = cR;
        bool outside = false;
        if (lensOn_) {
            const float dx = float(x) - lensX_;
            const float dy = float(y) - lensY_;
            const float d2 = dx * dx + dy * dy;
            outside = d2 > lensR2_;
            if (d2 > ringR2_) {
                cR = cL;
            } else if (outside) {
                paintRing(cL, cR);
            }
        }
        store<Code>(x, y, l0, r0, cL, cR, outside);
    }

    void paintRing(Pixel& cL, Pixel& cR) const {
        constexpr float f = Format::kFull;
        switch (a_.inAreaAlterColor) {
            case 1:
                cL = cR = Pixel{0, 0, f, f};
                break;
            case 2:
                cL = cR = Pixel{0, f, 0, f};
                break;
            case 3:
                cL = cR = Pixel{f, 0, 0, f};
                break;
            default:
                cR = cL;
                break;
        }
    }

    void put(int32_t col, int32_t row, const Pixel& p) const {
        Format::store(a_.inImageD, int64_t(row) * a_.inPitchD + col, p);
    }

    template <int32_t Code>
    void store(int32_t x, int32_t y, const Pixel& l0, const Pixel& r0, const Pixel& cL, const Pixel& cR,
               bool outside) const {
        const TransformKernelArgs& a = a_;
        switch (Code) {
            case DISPLAY_LEFT:
                put(x, y, l0);
                break;
            case DISPLAY_RIGHT:
                put(x, y, r0);
                break;
            case DISPLAY_SBS_HALF:
                put(x / 2, y, cL);
                put((a.inWidthLP + x) / 2, y, cR);
                break;
            case DISPLAY_SBS_FULL:
                put(x, y, cL);
                put(a.inWidthLP + x, y, cR);
                break;
            case DISPLAY_TB_HALF:
                put(x, y / 2, cL);
                put(x, (a.inHeightLP + y) / 2, cR);
                break;
            case DISPLAY_TB_FULL:
                put(x, y, cL);
                put(x, a.inHeightLP + y, cR);
                break;
            case DISPLAY_INTERLACED:
                put(x, y, (y + a.inInterlaceOdd) % 2 == 0 ? cL : cR);
                break;
            case DISPLAY_ANAGLYPH:
            case DISPLAY_ANAGLYPH_GRAY:
                put(x, y, outside ? cL : Pixel{cR[kB], cR[kG], cL[kR], std::max(cL[kA], cR[kA])});
                break;
            case DISPLAY_ANAGLYPH_OPTIMIZED: {
                float red;
                if constexpr (Policy::kColourMathInDouble) {
                    red = float(0.3 * double(cL[kB]) + 0.7 * double(cL[kG]));
                } else {
                    red = 0.3f * cL[kB] + 0.7f * cL[kG];
                }
                put(x, y, outside ? cL : Pixel{cR[kB], cR[kG], red, std::max(cL[kA], cR[kA])});
                break;
            }
            case DISPLAY_ONION: {
                if constexpr (Policy::kFixedOnionWeight) {
                    put(x, y, 0.5f * cR + 0.5f * cL);
                } else {
                    put(x, y, cL * a.inFactor + cR * (1.0f - a.inFactor));
                }
                break;
            }
            case DISPLAY_DIFFERENCE: {
                const auto diff = [](float l, float r) {
                    if constexpr (Policy::kColourMathInDouble) return float(std::fabs(double(l) - double(r)));
                    return std::fabs(l - r);
                };
                put(x, y,
                    outside ? cL
                            : Pixel{diff(cL[kB], cR[kB]), diff(cL[kG], cR[kG]), diff(cL[kR], cR[kR]),
                                    std::max(cL[kA], cR[kA])});
                break;
            }
            case DISPLAY_CHECKERBOARD:
                put(x, y, (x + y + a.inInterlaceOdd) % 2 == 0 ? cL : cR);
                break;
            case DISPLAY_PARALLAX_LEFT:
                put(x, y, cL);
                break;
            case DISPLAY_PARALLAX_RIGHT:
                put(x, y, cR);
                break;
            default:
                break;  // no such display code: nothing is stored
        }
    }

    const TransformKernelArgs& a_;
    EyeMatrix left_{}, right_{};
    bool leftAffine_ = false, rightAffine_ = false, unitScaleX_ = false;
    float halfW_ = 0, halfH_ = 0;
    SampleJob<Policy> first_, second_;
    bool lensOn_ = false;
    float lensX_ = 0, lensY_ = 0, lensR_ = 0, lensR2_ = 0, ringR2_ = 0;
};

}  // namespace

template <class Format, class Policy>
void runTransformKernel(const TransformKernelArgs& args, RowBand rows) {
    StereoKernel<Format, Policy>(args).run(rows);
}

template void runTransformKernel<Argb8, CpuRenderPolicy>(const TransformKernelArgs&, RowBand);
template void runTransformKernel<Bgra32f, CpuRenderPolicy>(const TransformKernelArgs&, RowBand);

}  // namespace duovis
