// The vector CPU kernel, compiled once per instruction set by Highway's foreach_target. A
// vector holds one channel of consecutive eye positions; a colour is four such vectors. The
// operations per lane are the reference loop's, in its order: no fused multiply-add (this file
// is built with contraction off), no approximate reciprocals, double where the CPU render
// takes double, and maxima that keep the first operand when neither is larger.
#include "core/kernel/FastStereoKernel.h"

#include "core/kernel/KernelPolicy.h"
#include "core/kernel/StereoRules.h"
#include "core/params/Codes.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <type_traits>
#include <utility>

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "core/kernel/FastStereoKernel.cpp"
#include <hwy/foreach_target.h>  // IWYU pragma: keep
#include <hwy/highway.h>

HWY_BEFORE_NAMESPACE();
namespace duovis {
namespace HWY_NAMESPACE {
namespace {

namespace hn = hwy::HWY_NAMESPACE;
using DF = hn::ScalableTag<float>;
using DI = hn::RebindToSigned<DF>;
using DU = hn::RebindToUnsigned<DF>;
using VF = hn::Vec<DF>;
using VI = hn::Vec<DI>;
using VU = hn::Vec<DU>;
using MF = hn::Mask<DF>;

constexpr size_t kMaxLanes = HWY_MAX_BYTES / sizeof(float);

struct Bytes {  // 8-bit alpha, red, green, blue; channel values 0 to 255
    static constexpr bool kIsBytes = true;
    static constexpr float kFull = 255.0f;
    static constexpr size_t kPixelBytes = 4;
};
struct Floats {  // 32-bit float blue, green, red, alpha
    static constexpr bool kIsBytes = false;
    static constexpr float kFull = 1.0f;
    static constexpr size_t kPixelBytes = 16;
};

struct Colour {
    VF b, g, r, a;
};

// first, first + 1, ... Highway's Iota assembles its vector through memory, and the load that
// follows the scalar stores stalls each span; a constant loads at once.
alignas(64) constexpr int32_t kCounting[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
static_assert(kMaxLanes <= 16, "one entry per lane");
HWY_INLINE VI CountFrom(int32_t first) {
    const DI di;
    return hn::Add(hn::Load(di, kCounting), hn::Set(di, first));
}

// Counting what the loop did costs a little, so only the tests' runs count.
using Counter = int64_t FastKernelCounts::*;
struct Counting {
    FastKernelCounts c;
    HWY_INLINE void add(Counter f, int64_t k = 1) { c.*f += k; }
};
struct Silent {
    HWY_INLINE void add(Counter, int64_t = 1) {}
};

HWY_INLINE Colour Uniform(float b, float g, float r, float a) {
    const DF d;
    return {hn::Set(d, b), hn::Set(d, g), hn::Set(d, r), hn::Set(d, a)};
}
HWY_INLINE Colour Select(const MF m, const Colour& yes, const Colour& no) {
    return {hn::IfThenElse(m, yes.b, no.b), hn::IfThenElse(m, yes.g, no.g), hn::IfThenElse(m, yes.r, no.r),
            hn::IfThenElse(m, yes.a, no.a)};
}
HWY_INLINE Colour KeepWhere(const MF m, const Colour& c) {
    return {hn::IfThenElseZero(m, c.b), hn::IfThenElseZero(m, c.g), hn::IfThenElseZero(m, c.r),
            hn::IfThenElseZero(m, c.a)};
}
// std::max(a, b): b only where a < b, so a NaN or a signed zero in `a` stays.
HWY_INLINE VF Larger(VF a, VF b) {
    return hn::IfThenElse(hn::Lt(a, b), b, a);
}

HWY_INLINE VF MapAxis(const AxisPlan& p, VF u) {
    const DF d;
    const VF a = hn::Set(d, p.a);
    switch (p.map) {
        case AxisMap::Pass:
            return u;
        // u / 2 and u * 0.5 are the same real number, so both round to the same float, NaN
        // and infinity included; the product is the cheaper instruction.
        case AxisMap::DivTwo:
            return hn::Mul(u, hn::Set(d, 0.5f));
        case AxisMap::AddDivTwo:
            return hn::Mul(hn::Add(u, a), hn::Set(d, 0.5f));
        case AxisMap::AddMulHalf:
            return hn::Mul(hn::Add(u, a), hn::Set(d, 0.5f));
        case AxisMap::AddAfter:
            return hn::Add(u, a);
        case AxisMap::AddBefore:
            return hn::Add(a, u);
        case AxisMap::Centre:
            return hn::Sub(a, hn::Sub(hn::Set(d, p.b), u));
        case AxisMap::CentreMulHalf:
            return hn::Sub(a, hn::Mul(hn::Sub(hn::Set(d, p.b), u), hn::Set(d, 0.5f)));
    }
    return u;
}

// Eye-grid positions to source positions; a projective w <= 0 has no source: (-1, -1). An
// affine matrix gives w = 1 wherever the position is finite, and a division by 1 changes no bit.
HWY_INLINE void MapEye(const float* m, bool affine, VF x, VF y, VF& u, VF& v) {
    const DF d;
    const VF w =
        hn::Add(hn::Add(hn::Mul(hn::Set(d, m[2]), x), hn::Mul(hn::Set(d, m[5]), y)), hn::Set(d, m[8]));
    VF mu = hn::Add(hn::Add(hn::Mul(hn::Set(d, m[0]), x), hn::Mul(hn::Set(d, m[3]), y)), hn::Set(d, m[6]));
    VF mv = hn::Add(hn::Add(hn::Mul(hn::Set(d, m[1]), x), hn::Mul(hn::Set(d, m[4]), y)), hn::Set(d, m[7]));
    if (!affine) {
        mu = hn::Div(mu, w);
        mv = hn::Div(mv, w);
    }
    const MF has = hn::Gt(w, hn::Zero(d));
    u = hn::IfThenElse(has, mu, hn::Set(d, -1.0f));
    v = hn::IfThenElse(has, mv, hn::Set(d, -1.0f));
}

#if HWY_TARGET != HWY_SCALAR
// The taps are fetched by plain loads, one per lane, and rearranged in registers: with four,
// eight or sixteen lanes that is faster than gathers.
constexpr bool kNeighbourLoads =
    hn::MaxLanes(DF()) == 4 || hn::MaxLanes(DF()) == 8 || hn::MaxLanes(DF()) == 16;

// A vector of `d` put together from units of `kUnitBytes`, unit i (counted from the lowest
// lane) being `unit(du, first + i)` for the descriptor `du` of one unit.
template <size_t kUnitBytes, class D, class Unit>
HWY_INLINE hn::VFromD<D> Assemble(D d, const Unit& unit, size_t first) {
    constexpr size_t kUnits = hn::MaxLanes(D()) * sizeof(hn::TFromD<D>) / kUnitBytes;
    if constexpr (kUnits == 1) {
        return unit(d, first);
    } else {
        const hn::Half<D> dh;
        return hn::Combine(d, Assemble<kUnitBytes>(dh, unit, first + kUnits / 2),
                           Assemble<kUnitBytes>(dh, unit, first));
    }
}

// A float pixel is 16 contiguous bytes: one 128-bit load per lane and a 4 x 4 transpose in each
// 128-bit block fetch its four channels. Lane k's pixel sits at `offset[k]` floats past `base`.
template <size_t kLanes>
HWY_INLINE Colour LoadPixelsAt(const float* base, const int64_t* offset) {
    const DF df;
    const hn::Repartition<double, DF> dd;
    static_assert(kLanes == hn::MaxLanes(DF()), "one pixel per lane");
    // 128-bit block b of v[k] holds pixel k + 4 b, so the transpose leaves the pixels in lane order.
    VF v[4];
    for (size_t k = 0; k < 4; ++k) {
        v[k] = Assemble<16>(
            df, [&](auto db, size_t b) { return hn::LoadU(db, base + offset[k + 4 * b]); }, 0);
    }
    const auto t0 = hn::BitCast(dd, hn::InterleaveLower(df, v[0], v[1]));  // b0 b1 g0 g1
    const auto t1 = hn::BitCast(dd, hn::InterleaveLower(df, v[2], v[3]));  // b2 b3 g2 g3
    const auto t2 = hn::BitCast(dd, hn::InterleaveUpper(df, v[0], v[1]));  // r0 r1 a0 a1
    const auto t3 = hn::BitCast(dd, hn::InterleaveUpper(df, v[2], v[3]));  // r2 r3 a2 a3
    return {
        hn::BitCast(df, hn::InterleaveLower(dd, t0, t1)), hn::BitCast(df, hn::InterleaveUpper(dd, t0, t1)),
        hn::BitCast(df, hn::InterleaveLower(dd, t2, t3)), hn::BitCast(df, hn::InterleaveUpper(dd, t2, t3))};
}

// Lane indices stored to `at` are read back from memory, one load each: taking them out of the
// vector lane by lane, which the compiler would otherwise do, costs two or three instructions.
HWY_INLINE void ReadBackFromMemory(const int32_t* at) {
    asm volatile("" : : "r"(at) : "memory");
}

// Each lane's pixel index as a float offset.
template <size_t kLanes>
HWY_INLINE void FloatOffsets(VI index, int64_t* offset) {
    alignas(64) int32_t at[kMaxLanes];
    hn::Store(index, DI(), at);
    ReadBackFromMemory(at);
    for (size_t k = 0; k < kLanes; ++k) offset[k] = 4 * int64_t(at[k]);
}

template <size_t kLanes>
HWY_INLINE Colour LoadPixelBlocks(const float* base, VI index) {
    int64_t offset[kMaxLanes];
    FloatOffsets<kLanes>(index, offset);
    return LoadPixelsAt<kLanes>(base, offset);
}

// All four taps where every lane's neighbours are the next column and the next row: one index
// per lane serves them all.
template <size_t kLanes>
HWY_INLINE void LoadQuad(const float* base, VI index, int32_t pitch, Colour& ul, Colour& ur, Colour& dl,
                         Colour& dr) {
    int64_t offset[kMaxLanes];
    FloatOffsets<kLanes>(index, offset);
    const int64_t down = 4 * int64_t(pitch);
    ul = LoadPixelsAt<kLanes>(base, offset);
    ur = LoadPixelsAt<kLanes>(base + 4, offset);
    dl = LoadPixelsAt<kLanes>(base + down, offset);
    dr = LoadPixelsAt<kLanes>(base + down + 4, offset);
}
#endif

// An 8-bit pixel's four channels, alpha in the low byte, as floats.
HWY_INLINE Colour UnpackBytes(VU p) {
    const DF df;
    const DI di;
    const DU du;
    const VU low = hn::Set(du, 0xFF);
    return {hn::ConvertTo(df, hn::BitCast(di, hn::ShiftRight<24>(p))),
            hn::ConvertTo(df, hn::BitCast(di, hn::And(hn::ShiftRight<16>(p), low))),
            hn::ConvertTo(df, hn::BitCast(di, hn::And(hn::ShiftRight<8>(p), low))),
            hn::ConvertTo(df, hn::BitCast(di, hn::And(p, low)))};
}

#if HWY_TARGET != HWY_SCALAR
// An 8-bit pixel and its right neighbour are one 64-bit word, so one load per lane and row
// fetches both horizontal taps. These are the pairs at `at[0 .. lanes / 2)` as one vector.
template <size_t kLanes>
HWY_INLINE VU PairsAt(const uint32_t* base, const int32_t* at) {
    static_assert(kLanes == hn::MaxLanes(DU()), "one pixel per lane");
    const DU du;
    const hn::Repartition<uint64_t, DU> dq;
    const auto word = [&](auto dw, size_t k) {
        return hn::LoadU(dw, reinterpret_cast<const uint64_t*>(base + at[k]));
    };
    return hn::BitCast(du, Assemble<8>(dq, word, 0));
}

// Both taps of two rows for every lane whose right and lower neighbours are the next column and
// row: `index` is each lane's upper-left pixel.
template <size_t kLanes>
HWY_INLINE void LoadBytePairs(const void* frame, VI index, int32_t pitch, Colour& ul, Colour& ur, Colour& dl,
                              Colour& dr) {
    const DU du;
    alignas(64) int32_t at[kMaxLanes];
    hn::Store(index, DI(), at);
    ReadBackFromMemory(at);
    const uint32_t* top = static_cast<const uint32_t*>(frame);
    const uint32_t* bottom = top + pitch;
    constexpr size_t h = kLanes / 2;
    const VU t0 = PairsAt<kLanes>(top, at), t1 = PairsAt<kLanes>(top, at + h);
    const VU b0 = PairsAt<kLanes>(bottom, at), b1 = PairsAt<kLanes>(bottom, at + h);
    ul = UnpackBytes(hn::ConcatEven(du, t1, t0));
    ur = UnpackBytes(hn::ConcatOdd(du, t1, t0));
    dl = UnpackBytes(hn::ConcatEven(du, b1, b0));
    dr = UnpackBytes(hn::ConcatOdd(du, b1, b0));
}

// Both taps of two rows for every lane, where the upper-left taps lie within two vectors'
// worth of columns from lane 0's and on at most two consecutive source rows, as in a mildly
// rotated or scaled eye: whole row segments are loaded and each lane's taps picked from them in
// registers. False, with nothing read, otherwise; every lane's neighbours must be the next
// column and row.
HWY_INLINE bool LoadByteRows(const JobPlan& j, VI c0, VI r0, Colour& ul, Colour& ur, Colour& dl, Colour& dr) {
    const DI di;
    const DU du;
    const int32_t lanes = int32_t(hn::Lanes(di));
    const int32_t left = hn::GetLane(c0), row = hn::GetLane(r0);
    // Lane offsets from lane 0 as unsigned, so that one comparison also refuses negatives.
    const VU col = hn::BitCast(du, hn::Sub(c0, hn::Set(di, left)));
    if (int64_t(left) + 2 * lanes > j.limR ||
        !hn::AllTrue(du, hn::Lt(col, hn::Set(du, uint32_t(2 * lanes - 1)))))
        return false;
    const VU rowOffset = hn::BitCast(du, hn::Sub(r0, hn::Set(di, row)));
    const VU two = hn::Set(du, 2);
    int32_t top = row;
    if (!hn::AllTrue(du, hn::Lt(rowOffset, two))) {
        if (!hn::AllTrue(du, hn::Lt(hn::Add(rowOffset, hn::Set(du, 1)), two))) return false;
        top = row - 1;
    }
    const hn::Mask<DU> second = hn::RebindMask(du, hn::Ne(r0, hn::Set(di, top)));
    const uint32_t* a = static_cast<const uint32_t*>(j.frame) + int64_t(top) * j.pitch + left;
    const VU high = hn::Set(du, uint32_t(lanes - 1));
    const VU col1 = hn::Add(col, hn::Set(du, 1));
    const auto at0 = hn::IndicesFromVec(du, hn::And(col, high));
    const auto at1 = hn::IndicesFromVec(du, hn::And(col1, high));
    const hn::Mask<DU> first0 = hn::Lt(col, hn::Set(du, uint32_t(lanes)));
    const hn::Mask<DU> first1 = hn::Lt(col1, hn::Set(du, uint32_t(lanes)));
    // The taps of row `r` (counted from `top`) at the lanes' columns and the next.
    const auto taps = [&](int64_t r, VU& here, VU& next) {
        const VU v0 = hn::LoadU(du, a + r * j.pitch), v1 = hn::LoadU(du, a + r * j.pitch + lanes);
        here = hn::IfThenElse(first0, hn::TableLookupLanes(v0, at0), hn::TableLookupLanes(v1, at0));
        next = hn::IfThenElse(first1, hn::TableLookupLanes(v0, at1), hn::TableLookupLanes(v1, at1));
    };
    VU tl, tr, bl, br;
    taps(0, tl, tr);
    taps(1, bl, br);
    if (!hn::AllFalse(du, second)) {
        // Lanes on the second row take it as their upper row and the third as their lower.
        VU cl, cr;
        taps(2, cl, cr);
        tl = hn::IfThenElse(second, bl, tl);
        tr = hn::IfThenElse(second, br, tr);
        bl = hn::IfThenElse(second, cl, bl);
        br = hn::IfThenElse(second, cr, br);
    }
    ul = UnpackBytes(tl);
    ur = UnpackBytes(tr);
    dl = UnpackBytes(bl);
    dr = UnpackBytes(br);
    return true;
}
#endif

// One tap for every lane: the pixels at `index`. Where `kTryRun` and the pixels are
// consecutive they are loaded as one run; the test costs a branch that a rotated eye cannot
// predict, so only the whole-pixel spans, which are mostly runs, make it.
template <class Fmt, bool kTryRun, class Tally>
HWY_INLINE Colour LoadTap(const void* frame, VI index, Tally& n) {
    const DF df;
    const DI di;
    const DU du;
    const int32_t first = hn::GetLane(index);
    Colour c;
    if constexpr (Fmt::kIsBytes) {
        // 8-bit pixels are one 32-bit lane each: one gather (or load) fetches them all.
        const bool run = kTryRun && hn::AllTrue(di, hn::Eq(index, CountFrom(first)));
        n.add(run ? &FastKernelCounts::contiguousTaps : &FastKernelCounts::gatheredTaps);
        const uint32_t* base = static_cast<const uint32_t*>(frame);
        return UnpackBytes(run ? hn::LoadU(du, base + first) : hn::GatherIndex(du, base, index));
    } else {
        const float* base = static_cast<const float*>(frame);
        n.add(&FastKernelCounts::gatheredTaps);
#if HWY_TARGET != HWY_SCALAR
        if constexpr (kNeighbourLoads) return LoadPixelBlocks<hn::MaxLanes(DF())>(base, index);
#endif
        const VI o = hn::ShiftLeft<2>(index);
        c.b = hn::GatherIndex(df, base, o);
        c.g = hn::GatherIndex(df, base + 1, o);
        c.r = hn::GatherIndex(df, base + 2, o);
        c.a = hn::GatherIndex(df, base + 3, o);
        return c;
    }
}

HWY_INLINE VF Blend(VF ul, VF ur, VF dl, VF dr, VF wX, VF wY) {
    const DF d;
    const VF one = hn::Set(d, 1.0f);
    const VF mx = hn::Sub(one, wX), my = hn::Sub(one, wY);
    const VF top = hn::Add(hn::Mul(ul, mx), hn::Mul(ur, wX));
    const VF bottom = hn::Add(hn::Mul(dl, mx), hn::Mul(dr, wX));
    return hn::Add(hn::Mul(top, my), hn::Mul(bottom, wY));
}

HWY_INLINE Colour BlendColour(const Colour& ul, const Colour& ur, const Colour& dl, const Colour& dr, VF wX,
                              VF wY) {
    return {Blend(ul.b, ur.b, dl.b, dr.b, wX, wY), Blend(ul.g, ur.g, dl.g, dr.g, wX, wY),
            Blend(ul.r, ur.r, dl.r, dr.r, wX, wY), Blend(ul.a, ur.a, dl.a, dr.a, wX, wY)};
}

// How far right of its own taps a span prefetches: the next tile's columns.
constexpr int32_t kPrefetchColumns = 64;

// One sampling job for every lane: the window test, the four neighbours pulled back into the
// window, and the bilinear blend; transparent black where no sample is taken.
template <class Fmt, class Tally>
HWY_INLINE Colour Sample(const JobPlan& j, VF u, VF v, MF accepted, Tally& n) {
    const DF df;
    const DI di;
    if (!j.active) return Uniform(0, 0, 0, 0);
    VF fX = MapAxis(j.x, u), fY = MapAxis(j.y, v);
    const MF inside = hn::And(hn::And(hn::Le(hn::Set(df, j.loX), fX), hn::Le(fX, hn::Set(df, j.hiX))),
                              hn::And(hn::Le(hn::Set(df, j.loY), fY), hn::Le(fY, hn::Set(df, j.hiY))));
    const MF ok = hn::And(inside, accepted);
    if (hn::AllFalse(df, ok)) {
        n.add(&FastKernelCounts::emptySpans);
        return Uniform(0, 0, 0, 0);
    }
    // A lane that takes no sample is parked on the window's corner, so every index stays in it.
    fX = hn::IfThenElse(inside, fX, hn::Set(df, float(j.limL)));
    fY = hn::IfThenElse(inside, fY, hn::Set(df, float(j.limT)));
    // Positions in the window are far below 2^23, so floor() is exact as a float and as an
    // integer, and the weight is the position less that float.
    const VF floorX = hn::Floor(fX), floorY = hn::Floor(fY);
    const VI nX = hn::ConvertTo(di, floorX), nY = hn::ConvertTo(di, floorY);
    const VF wX = hn::Sub(fX, floorX), wY = hn::Sub(fY, floorY);
    const VI one = hn::Set(di, 1);
    const VI nX1 = hn::Add(nX, one), nY1 = hn::Add(nY, one);
    const VI c0 = hn::IfThenElse(hn::Lt(nX, hn::Set(di, j.limL)), nX1, nX);
    const VI c1 = hn::IfThenElse(hn::Gt(nX1, hn::Set(di, j.limR - 1)), nX, nX1);
    const VI r0 = hn::IfThenElse(hn::Lt(nY, hn::Set(di, j.limT)), nY1, nY);
    const VI r1 = hn::IfThenElse(hn::Gt(nY1, hn::Set(di, j.limB - 1)), nY, nY1);
    const VI pitch = hn::Set(di, j.pitch);
    const VI top = hn::Mul(r0, pitch), bottom = hn::Mul(r1, pitch);
    if constexpr (Fmt::kIsBytes) {
        // The source rows of the tile to the right: a rotated eye's tiles touch more rows than
        // the hardware prefetchers follow, and the loads below would wait on memory.
        // (A hint: an address outside the frame is never read.)
        const uintptr_t ahead =
            reinterpret_cast<uintptr_t>(j.frame) +
            uintptr_t(4 * (int64_t(hn::GetLane(top)) + hn::GetLane(c0) + kPrefetchColumns));
        __builtin_prefetch(reinterpret_cast<const void*>(ahead));
        __builtin_prefetch(reinterpret_cast<const void*>(ahead + uintptr_t(4 * int64_t(j.pitch))));
        // Whole 8-bit pixels: with both weights 0 the blend of finite, non-negative values
        // returns the upper-left tap exactly. (Floats keep the blend: a NaN, an infinity or a
        // negative zero in another tap would show through.)
        const VF zero = hn::Zero(df);
        const MF whole = hn::And(hn::Eq(wX, zero), hn::Eq(wY, zero));
        if (hn::AllTrue(df, hn::Or(whole, hn::Not(ok)))) {
            n.add(&FastKernelCounts::unblendedSpans);
            return KeepWhere(ok, LoadTap<Fmt, true, Tally>(j.frame, hn::Add(top, c0), n));
        }
    }
    Colour ul, ur, dl, dr;
#if HWY_TARGET != HWY_SCALAR
    if constexpr (kNeighbourLoads) {
        if (hn::AllTrue(di, hn::And(hn::Eq(c1, hn::Add(c0, one)), hn::Eq(r1, hn::Add(r0, one))))) {
            n.add(&FastKernelCounts::neighbourTaps, 4);
            if constexpr (Fmt::kIsBytes) {
                if (LoadByteRows(j, c0, r0, ul, ur, dl, dr)) {
                    n.add(&FastKernelCounts::rowTaps, 4);
                } else {
                    LoadBytePairs<hn::MaxLanes(DF())>(j.frame, hn::Add(top, c0), j.pitch, ul, ur, dl, dr);
                }
            } else {
                LoadQuad<hn::MaxLanes(DF())>(static_cast<const float*>(j.frame), hn::Add(top, c0), j.pitch,
                                             ul, ur, dl, dr);
            }
            return KeepWhere(ok, BlendColour(ul, ur, dl, dr, wX, wY));
        }
    }
#endif
    ul = LoadTap<Fmt, false, Tally>(j.frame, hn::Add(top, c0), n);
    ur = LoadTap<Fmt, false, Tally>(j.frame, hn::Add(top, c1), n);
    dl = LoadTap<Fmt, false, Tally>(j.frame, hn::Add(bottom, c0), n);
    dr = LoadTap<Fmt, false, Tally>(j.frame, hn::Add(bottom, c1), n);
    return KeepWhere(ok, BlendColour(ul, ur, dl, dr, wX, wY));
}

HWY_INLINE Colour Gray(const Colour& c) {
    const VF g = Larger(Larger(c.r, c.g), c.b);
    return {g, g, g, c.a};
}

// Both eyes' colours for one span of a row: auto pre-mapping and rejection, projective
// mapping, position swap, sampling, colour swap and grayscale.
template <class Fmt, class Tally>
HWY_INLINE void Eyes(const CpuKernelPlan& p, VF x, float y1, Colour& cL, Colour& cR, Tally& n) {
    const DF d;
    const TransformKernelArgs& a = *p.args;
    const VF halfW = hn::Set(d, p.halfW);
    const VF centred =
        p.unitScaleX ? hn::Sub(x, halfW) : hn::Div(hn::Sub(x, halfW), hn::Set(d, a.inAutoScaleX));
    const VF x1 = hn::Add(hn::Add(centred, halfW), hn::Set(d, a.inAutoCenterX));
    const MF accepted =
        hn::Not(hn::Or(hn::Lt(x1, hn::Set(d, a.inAutoCropL)), hn::Gt(x1, hn::Set(d, a.inAutoCropR))));
    if (hn::AllFalse(d, accepted)) {
        n.add(&FastKernelCounts::emptySpans);
        return;
    }
    const VF ys = hn::Set(d, y1);
    VF uL, vL, uR, vR;
    MapEye(p.m[0], p.affine[0], x1, ys, uL, vL);
    MapEye(p.m[1], p.affine[1], x1, ys, uR, vR);
    if (p.swap) {
        std::swap(uL, uR);
        std::swap(vL, vR);
    }
    if (p.needFirst) cL = Sample<Fmt, Tally>(p.first, uL, vL, accepted, n);
    if (p.needSecond) cR = Sample<Fmt, Tally>(p.second, uR, vR, accepted, n);
    if (p.swap) std::swap(cL, cR);
    if (p.gray) {
        cL = Gray(cL);
        cR = Gray(cR);
    }
}

// `count` pixels of a colour, in the format's memory layout, from pixel `index` of `frame`.
template <class Fmt>
HWY_INLINE void Put(const Colour& c, void* frame, int64_t index, size_t count) {
    const DF df;
    const DI di;
    const DU du;
    const size_t lanes = hn::Lanes(df);
    alignas(64) uint8_t spill[kMaxLanes * Fmt::kPixelBytes];
    uint8_t* dst = static_cast<uint8_t*>(frame) + index * int64_t(Fmt::kPixelBytes);
    uint8_t* out = count == lanes ? dst : spill;
    if constexpr (Fmt::kIsBytes) {
        // Truncation toward zero, then the low byte of each channel.
        const VU low = hn::Set(du, 0xFF);
        const VU a = hn::And(hn::BitCast(du, hn::ConvertTo(di, c.a)), low);
        const VU r = hn::And(hn::BitCast(du, hn::ConvertTo(di, c.r)), low);
        const VU g = hn::And(hn::BitCast(du, hn::ConvertTo(di, c.g)), low);
        const VU b = hn::And(hn::BitCast(du, hn::ConvertTo(di, c.b)), low);
        const VU argb =
            hn::Or(hn::Or(a, hn::ShiftLeft<8>(r)), hn::Or(hn::ShiftLeft<16>(g), hn::ShiftLeft<24>(b)));
        hn::StoreU(argb, du, reinterpret_cast<uint32_t*>(out));
    } else {
        hn::StoreInterleaved4(c.b, c.g, c.r, c.a, df, reinterpret_cast<float*>(out));
    }
    if (out == spill) std::memcpy(dst, spill, count * Fmt::kPixelBytes);
}

// The lane-wise colour rules done in double precision: the red of the optimized anaglyph and
// the absolute differences.
enum class DoubleRule { OptimizedRed, Difference };
HWY_INLINE VF InDouble(DoubleRule rule, VF l, VF r, VF l2) {
    static_assert(CpuRenderPolicy::kColourMathInDouble, "the colour rules here are the double ones");
    const DF d;
    alignas(64) float x[kMaxLanes], y[kMaxLanes], z[kMaxLanes];
    hn::Store(l, d, x);
    hn::Store(r, d, y);
    hn::Store(l2, d, z);
    for (size_t i = 0; i < hn::Lanes(d); ++i) {
        x[i] = rule == DoubleRule::OptimizedRed ? float(0.3 * double(x[i]) + 0.7 * double(z[i]))
                                                : float(std::fabs(double(x[i]) - double(y[i])));
    }
    return hn::Load(d, x);
}

// One channel of packed 8-bit pixels, as a number from 0 to 255.
HWY_INLINE VU Channel(VU p, int shift) {
    const DU du;
    return hn::And(hn::ShiftRightSame(p, shift), hn::Set(du, 0xFF));
}

// ---- What each display code shows is StereoCompose.clh, taken here over the three forms a
// span's colours have: a vector per channel, 8-bit pixels packed four channels to a lane, and
// float pixels as they lie (one pixel's channels in four lanes). Each form does what the
// one-position rule does to each channel, in its operand order.

// The looking glass's `outside` on rows that have no looking glass: it never holds.
struct NoLens {};

// A vector per channel.
struct ChannelVectors {
    using Value = Colour;
    using Mask = MF;
    static HWY_INLINE VF blue(const Colour& c) { return c.b; }
    static HWY_INLINE VF green(const Colour& c) { return c.g; }
    static HWY_INLINE VF red(const Colour& c) { return c.r; }
    static HWY_INLINE VF alpha(const Colour& c) { return c.a; }
    static HWY_INLINE Colour colour4(VF b, VF g, VF r, VF a) { return {b, g, r, a}; }
    static HWY_INLINE Colour pick(MF m, const Colour& yes, const Colour& no) { return Select(m, yes, no); }
    static HWY_INLINE Colour pick(bool m, const Colour& yes, const Colour& no) { return m ? yes : no; }
    static HWY_INLINE VF larger(VF a, VF b) { return Larger(a, b); }
    static HWY_INLINE VF difference(VF l, VF r) { return InDouble(DoubleRule::Difference, l, r, l); }
    static HWY_INLINE VF weightedRed(VF b, VF g) { return InDouble(DoubleRule::OptimizedRed, b, b, g); }
    static HWY_INLINE VF halfSum(VF l, VF r) {
        const VF h = hn::Set(DF(), 0.5f);
        return hn::Add(hn::Mul(h, r), hn::Mul(h, l));
    }
    static HWY_INLINE VF weigh(VF l, VF r, float f) {
        return hn::Add(hn::Mul(l, hn::Set(DF(), f)), hn::Mul(r, hn::Set(DF(), 1.0f - f)));
    }
    static HWY_INLINE bool evenRow(int32_t, int32_t y, int32_t odd) { return (int64_t(y) + odd) % 2 == 0; }
    static HWY_INLINE MF evenPixel(int32_t x0, int32_t y, int32_t odd) {
        const DI di;
        const VI lane = CountFrom(int32_t((int64_t(x0) + y + odd) & 1));
        return hn::RebindMask(DF(), hn::Eq(hn::And(lane, hn::Set(di, 1)), hn::Zero(di)));
    }
};

// 8-bit pixels, alpha in the low byte, then red, green and blue. A channel accessor leaves the
// pixel whole and a colour is put together from one byte of each value, so every rule runs on
// all four bytes at once; on whole numbers from 0 to 255 each gives exactly the integer that
// the float rule truncates to.
struct PackedBytes {
    using Value = VU;
    using Mask = NoLens;
    static HWY_INLINE VU blue(VU c) { return c; }
    static HWY_INLINE VU green(VU c) { return c; }
    static HWY_INLINE VU red(VU c) { return c; }
    static HWY_INLINE VU alpha(VU c) { return c; }
    static HWY_INLINE VU colour4(VU b, VU g, VU r, VU a) {
        const DU du;
        return hn::Or(hn::Or(hn::And(b, hn::Set(du, 0xFF000000u)), hn::And(g, hn::Set(du, 0xFF0000u))),
                      hn::Or(hn::And(r, hn::Set(du, 0xFF00u)), hn::And(a, hn::Set(du, 0xFFu))));
    }
    static HWY_INLINE VU pick(hn::Mask<DU> m, VU yes, VU no) { return hn::IfThenElse(m, yes, no); }
    static HWY_INLINE VU pick(NoLens, VU, VU no) { return no; }
    static HWY_INLINE VU pick(bool m, VU yes, VU no) { return m ? yes : no; }
    // op on each byte of two pixels.
    template <class Op>
    static HWY_INLINE VU bytewise(VU l, VU r, const Op& op) {
#if HWY_TARGET != HWY_SCALAR
        const hn::Repartition<uint8_t, DU> d8;
        return hn::BitCast(DU(), op(hn::BitCast(d8, l), hn::BitCast(d8, r)));
#else
        VU out = hn::Zero(DU());
        for (int shift = 0; shift < 32; shift += 8)
            out = hn::Or(out, hn::ShiftLeftSame(op(Channel(l, shift), Channel(r, shift)), shift));
        return out;
#endif
    }
    static HWY_INLINE VU larger(VU a, VU b) {
        return bytewise(a, b, [](auto x, auto y) { return hn::Max(x, y); });
    }
    static HWY_INLINE VU difference(VU l, VU r) {
        return bytewise(l, r, [](auto x, auto y) { return hn::Sub(hn::Max(x, y), hn::Min(x, y)); });
    }
    // 0.5 R + 0.5 L is exact, and truncates to the floor of the mean of the bytes.
    static HWY_INLINE VU halfSum(VU l, VU r) {
        return hn::Add(hn::And(l, r), hn::And(hn::ShiftRight<1>(hn::Xor(l, r)), hn::Set(DU(), 0x7F7F7F7Fu)));
    }
    // The rules that round go through floats, channel by channel, and are stored as Put stores.
    static HWY_INLINE VF floats(VU p, int shift) {
        return hn::ConvertTo(DF(),
                             hn::BitCast(DI(), hn::And(hn::ShiftRightSame(p, shift), hn::Set(DU(), 0xFF))));
    }
    static HWY_INLINE VU bytes(VF v, int shift) {
        return hn::ShiftLeftSame(hn::And(hn::BitCast(DU(), hn::ConvertTo(DI(), v)), hn::Set(DU(), 0xFF)),
                                 shift);
    }
    static HWY_INLINE VU weightedRed(VU b, VU g) {
        return bytes(ChannelVectors::weightedRed(floats(b, 24), floats(g, 16)), 8);
    }
    static HWY_INLINE VU weigh(VU l, VU r, float f) {
        VU out = hn::Zero(DU());
        for (int shift = 0; shift < 32; shift += 8)
            out = hn::Or(out, bytes(ChannelVectors::weigh(floats(l, shift), floats(r, shift), f), shift));
        return out;
    }
    static HWY_INLINE bool evenRow(int32_t x, int32_t y, int32_t odd) {
        return ChannelVectors::evenRow(x, y, odd);
    }
    static HWY_INLINE hn::Mask<DU> evenPixel(int32_t x0, int32_t y, int32_t odd) {
        return hn::RebindMask(DU(), ChannelVectors::evenPixel(x0, y, odd));
    }
};

// Float pixels as they lie: lanes blue, green, red, alpha of one pixel, then the next. A
// channel accessor leaves the vector whole and a colour takes each lane from its channel's value.
struct FloatsAsTheyLie {
    using Value = VF;
    using Mask = NoLens;
    // A channel is the vector itself, by reference, so that colour4 can tell two channels that
    // take one vector apart from two that take two.
    static HWY_INLINE const VF& blue(const VF& c) { return c; }
    static HWY_INLINE const VF& green(const VF& c) { return c; }
    static HWY_INLINE const VF& red(const VF& c) { return c; }
    static HWY_INLINE const VF& alpha(const VF& c) { return c; }
    static HWY_INLINE MF channelLane(int32_t channel) {
        const DI di;
        return hn::RebindMask(DF(), hn::Eq(hn::And(CountFrom(0), hn::Set(di, 3)), hn::Set(di, channel)));
    }
    // Each lane from its channel's vector. Channels that take the same vector share one
    // selection (the anaglyph's blue and green): the addresses are known where this is inlined,
    // so the comparisons cost nothing.
    static HWY_INLINE VF colour4(const VF& b, const VF& g, const VF& r, const VF& a) {
        const VF* value[4] = {&b, &g, &r, &a};
        MF lanes[4] = {channelLane(0), channelLane(1), channelLane(2), channelLane(3)};
        bool own[4] = {true, true, true, true};
        for (int i = 0; i < 3; ++i) {
            for (int j = i + 1; j < 4 && own[i]; ++j) {
                if (value[i] != value[j]) continue;
                lanes[j] = hn::Or(lanes[j], lanes[i]);
                own[i] = false;
            }
        }
        VF out = a;
        for (int i = 0; i < 3; ++i)
            if (own[i]) out = hn::IfThenElse(lanes[i], *value[i], out);
        return out;
    }
    static HWY_INLINE VF pick(MF m, VF yes, VF no) { return hn::IfThenElse(m, yes, no); }
    static HWY_INLINE VF pick(bool m, VF yes, VF no) { return m ? yes : no; }
    static HWY_INLINE VF pick(NoLens, VF, VF no) { return no; }
    static HWY_INLINE VF larger(VF a, VF b) { return Larger(a, b); }
    static HWY_INLINE VF difference(VF l, VF r) { return ChannelVectors::difference(l, r); }
    static HWY_INLINE VF halfSum(VF l, VF r) { return ChannelVectors::halfSum(l, r); }
    static HWY_INLINE VF weigh(VF l, VF r, float f) { return ChannelVectors::weigh(l, r, f); }
    // Each pixel's red lane from the blue and green lanes of that pixel.
    static HWY_INLINE VF weightedRed(VF b, VF g) {
        const DF d;
        alignas(64) float x[kMaxLanes], z[kMaxLanes];
        hn::Store(b, d, x);
        hn::Store(g, d, z);
        for (size_t i = 0; i + 3 < hn::Lanes(d); i += 4) x[i + 2] = x[i], z[i + 2] = z[i + 1];
        const VF lined = hn::Load(d, x), greens = hn::Load(d, z);
        return ChannelVectors::weightedRed(lined, greens);
    }
    static HWY_INLINE bool evenRow(int32_t x, int32_t y, int32_t odd) {
        return ChannelVectors::evenRow(x, y, odd);
    }
    static HWY_INLINE MF evenPixel(int32_t x0, int32_t y, int32_t odd) {
        const DI di;
        const MF evenInVector = hn::RebindMask(
            DF(), hn::Eq(hn::And(hn::ShiftRight<2>(CountFrom(0)), hn::Set(di, 1)), hn::Zero(di)));
        return ((int64_t(x0) + y + odd) & 1) == 0 ? evenInVector : hn::Not(evenInVector);
    }
};

#define DV_FUNC static HWY_INLINE
#define DV_COLOUR typename Form::Value
#define DV_COLOUR_IN const typename Form::Value&
#define DV_MASK typename Form::Mask
#define DV_BLUE(c) Form::blue(c)
#define DV_GREEN(c) Form::green(c)
#define DV_RED(c) Form::red(c)
#define DV_ALPHA(c) Form::alpha(c)
#define DV_COLOUR4(b, g, r, a) Form::colour4(b, g, r, a)
#define DV_PICK(m, yes, no) Form::pick(m, yes, no)
#define DV_LARGER(a, b) Form::larger(a, b)
#define DV_DIFFERENCE(a, b) Form::difference(a, b)
#define DV_WEIGHTED_RED(b, g) Form::weightedRed(b, g)
#define DV_HALF_SUM(l, r) Form::halfSum(l, r)
#define DV_WEIGH(l, r, f) Form::weigh(l, r, f)
#define DV_EVEN_ROW(x, y, odd) Form::evenRow(x, y, odd)
#define DV_EVEN_PIXEL(x, y, odd) Form::evenPixel(x, y, odd)
#define DV_FIXED_ONION CpuRenderPolicy::kFixedOnionWeight
template <class Form>
struct Shows {
#include "core/kernel/StereoCompose.clh"
};
#undef DV_FUNC
#undef DV_COLOUR
#undef DV_COLOUR_IN
#undef DV_MASK
#undef DV_BLUE
#undef DV_GREEN
#undef DV_RED
#undef DV_ALPHA
#undef DV_COLOUR4
#undef DV_PICK
#undef DV_LARGER
#undef DV_DIFFERENCE
#undef DV_WEIGHTED_RED
#undef DV_HALF_SUM
#undef DV_WEIGH
#undef DV_EVEN_ROW
#undef DV_EVEN_PIXEL
#undef DV_FIXED_ONION

// `row(code)` with the display code as a constant, so that a row loop has its code's rule
// compiled in rather than a choice per span.
template <class Row>
HWY_INLINE void ForCode(int32_t code, const Row& row) {
    switch (code) {
#define DV_CODE_CASE(name, value) \
    case value:                   \
        return row(std::integral_constant<int32_t, value>());
        DUOVIS_DISPLAY_CODES(DV_CODE_CASE)
#undef DV_CODE_CASE
        default:
            return;  // no such display code: nothing is stored
    }
}

// A span's colours, starting at eye column x0, stored where display code `code` puts them: `put(value,
// index)` stores the span's pixels from destination pixel `index`. The squeeze across scatters single pixels,
// which only the Store below does.
template <class Form, class PutSpan>
HWY_INLINE void Place(const CpuKernelPlan& p, int32_t code, int32_t x0, int32_t y,
                      typename Form::Mask outside, const typename Form::Value& l0,
                      const typename Form::Value& r0, const typename Form::Value& cL,
                      const typename Form::Value& cR, const PutSpan& put) {
    const TransformKernelArgs& a = *p.args;
    const int64_t pitch = a.inPitchD;
    const int64_t here = int64_t(y) * pitch + x0;
    switch (stereo::eyeLayout(code)) {
        case stereo::SHOW_AT_POSITION:
            return put(
                Shows<Form>::composeAt(code, x0, y, a.inInterlaceOdd, a.inFactor, outside, l0, r0, cL, cR),
                here);
        case stereo::SHOW_ACROSS:
            put(cL, here);
            return put(cR, here + p.eyeW);
        case stereo::SHOW_DOWN:
            put(cL, here);
            return put(cR, here + int64_t(p.eyeH) * pitch);
        case stereo::SHOW_SQUEEZED_DOWN:
            if (stereo::keepsFirstEyeFold(y, p.eyeH))
                put(cL, int64_t(stereo::squeezedPosition(y, p.eyeH, 0)) * pitch + x0);
            if (stereo::keepsSecondEyeFold(y, p.eyeH))
                put(cR, int64_t(stereo::squeezedPosition(y, p.eyeH, 1)) * pitch + x0);
            return;
        default:
            return;
    }
}

// Two neighbours meet in one column: each eye's pixels one by one, where the squeeze keeps them.
template <class Fmt>
HWY_INLINE void StoreSqueezedAcross(const CpuKernelPlan& p, int32_t x0, int32_t y, size_t count,
                                    const Colour& cL, const Colour& cR) {
    const DF df;
    alignas(64) uint8_t left[kMaxLanes * Fmt::kPixelBytes], right[kMaxLanes * Fmt::kPixelBytes];
    Put<Fmt>(cL, left, 0, hn::Lanes(df));
    Put<Fmt>(cR, right, 0, hn::Lanes(df));
    uint8_t* row = static_cast<uint8_t*>(p.args->inImageD) +
                   int64_t(y) * int64_t(p.args->inPitchD) * int64_t(Fmt::kPixelBytes);
    for (size_t i = 0; i < count; ++i) {
        const int32_t x = x0 + int32_t(i);
        if (stereo::keepsFirstEyeFold(x, p.eyeW))
            std::memcpy(row + int64_t(stereo::squeezedPosition(x, p.eyeW, 0)) * Fmt::kPixelBytes,
                        left + i * Fmt::kPixelBytes, Fmt::kPixelBytes);
        if (stereo::keepsSecondEyeFold(x, p.eyeW))
            std::memcpy(row + int64_t(stereo::squeezedPosition(x, p.eyeW, 1)) * Fmt::kPixelBytes,
                        right + i * Fmt::kPixelBytes, Fmt::kPixelBytes);
    }
}

template <class Fmt>
HWY_INLINE void Store(const CpuKernelPlan& p, int32_t x0, int32_t y, size_t count, const Colour& l0,
                      const Colour& r0, const Colour& cL, const Colour& cR, MF outside) {
    if (stereo::eyeLayout(p.args->inDispMode) == stereo::SHOW_SQUEEZED_ACROSS)
        return StoreSqueezedAcross<Fmt>(p, x0, y, count, cL, cR);
    void* dst = p.args->inImageD;
    Place<ChannelVectors>(p, p.args->inDispMode, x0, y, outside, l0, r0, cL, cR,
                          [&](const Colour& c, int64_t index) { Put<Fmt>(c, dst, index, count); });
}

// The looking glass: outside the lens and its ring both eyes show the left colour; on the
// ring the border colour (or the left colour) shows. `outside` is set where d² > r².
template <class Fmt>
HWY_INLINE void Lens(const CpuKernelPlan& p, VF x, int32_t y, Colour& cL, Colour& cR, MF& outside) {
    const DF d;
    const float dy = float(y) - p.lensY;
    const VF dx = hn::Sub(x, hn::Set(d, p.lensX));
    const VF d2 = hn::Add(hn::Mul(dx, dx), hn::Set(d, dy * dy));
    outside = hn::Gt(d2, hn::Set(d, p.lensR2));
    const MF beyond = hn::Gt(d2, hn::Set(d, p.ringR2));
    const MF ring = hn::AndNot(beyond, outside);
    cR = Select(beyond, cL, cR);
    constexpr float f = Fmt::kFull;
    switch (p.args->inAreaAlterColor) {
        case 1:
        case 2:
        case 3: {
            const int code = p.args->inAreaAlterColor;
            const Colour border = Uniform(code == 3 ? f : 0, code == 2 ? f : 0, code == 1 ? f : 0, f);
            cL = Select(ring, border, cL);
            cR = Select(ring, border, cR);
            break;
        }
        default:
            cR = Select(ring, cL, cR);
            break;
    }
}

// ---- Rows on whole 8-bit pixels: the source bytes are composed as they are, four channels to
// a 32-bit lane (alpha in the low byte). Every rule applied here gives, on whole numbers from 0
// to 255, exactly the integer that the float rules truncate to.

// The pixels of a run that fall in lanes x0 ..; transparent black elsewhere.
HWY_INLINE VU LoadRun(const uint32_t* frame, const PixelRun& run, int32_t x0, int32_t lanes) {
    const DU du;
    if (x0 >= run.lo && x0 + lanes <= run.hi) return hn::LoadU(du, frame + run.base + x0);
    alignas(64) uint32_t part[kMaxLanes] = {};
    const int32_t lo = std::max(run.lo, x0), hi = std::min(run.hi, x0 + lanes);
    if (lo < hi) std::memcpy(part + (lo - x0), frame + run.base + lo, size_t(hi - lo) * 4);
    return hn::Load(du, part);
}

HWY_INLINE VU GrayBytes(VU p) {
    const VU g = hn::Max(hn::Max(Channel(p, 8), Channel(p, 16)), Channel(p, 24));
    return hn::Or(Channel(p, 0),
                  hn::Or(hn::ShiftLeft<8>(g), hn::Or(hn::ShiftLeft<16>(g), hn::ShiftLeft<24>(g))));
}

HWY_INLINE void PutBytes(VU v, void* frame, int64_t index, size_t count) {
    const DU du;
    uint32_t* dst = static_cast<uint32_t*>(frame) + index;
    if (count == hn::Lanes(du)) return hn::StoreU(v, du, dst);
    alignas(64) uint32_t part[kMaxLanes];
    hn::Store(v, du, part);
    std::memcpy(dst, part, count * 4);
}

// The display codes the plan admits here (no squeeze across, no looking glass) through the
// shared rules on packed pixels.
void WholePixelSpan(const CpuKernelPlan& p, const PixelRun& left, const PixelRun& right, int32_t y,
                    int32_t xBegin, int32_t xEnd) {
    const DU du;
    const uint32_t* srcL = static_cast<const uint32_t*>(p.swap ? p.second.frame : p.first.frame);
    const uint32_t* srcR = static_cast<const uint32_t*>(p.swap ? p.first.frame : p.second.frame);
    void* dst = p.args->inImageD;
    const int32_t lanes = int32_t(hn::Lanes(du));
    ForCode(p.args->inDispMode, [&](auto code) {
        for (int32_t x0 = xBegin; x0 < xEnd; x0 += lanes) {
            const size_t count = size_t(std::min(lanes, xEnd - x0));
            VU cL = left.hi > left.lo ? LoadRun(srcL, left, x0, lanes) : hn::Zero(du);
            VU cR = right.hi > right.lo ? LoadRun(srcR, right, x0, lanes) : hn::Zero(du);
            if (p.gray) {
                cL = GrayBytes(cL);
                cR = GrayBytes(cR);
            }
            Place<PackedBytes>(p, code, x0, y, NoLens(), cL, cR, cL, cR,
                               [&](VU v, int64_t index) { PutBytes(v, dst, index, count); });
        }
    });
}

// The looking glass and the display code's stores for a span whose eye colours are known.
template <class Fmt>
HWY_INLINE void Finish(const CpuKernelPlan& p, VF x, int32_t x0, int32_t y, size_t count, Colour cL,
                       Colour cR) {
    const Colour l0 = cL, r0 = cR;
    MF outside = hn::Lt(x, x);  // none
    if (p.lensOn) Lens<Fmt>(p, x, y, cL, cR, outside);
    Store<Fmt>(p, x0, y, count, l0, r0, cL, cR, outside);
}

// ---- Float rows on whole pixels. Both weights are 0, so a sample is the blend
// (ul 1 + ur 0) 1 + (dl 1 + dr 0) 0 of its upper-left tap, the next column and the row below,
// kept as that arithmetic: a NaN, an infinity or a signed zero in another tap shows through.
// Along a row those taps lie in memory as the eye's pixels do, so the blend runs on the floats
// as they lie, four to a pixel, a full vector at a time.

// Rows go a vector at a time, whole pixels to a vector.
constexpr bool kFloatRowVectors = hn::MaxLanes(DF()) >= 4;

// The weight 0 as a value the compiler cannot fold: ul * 1 must still quiet a signalling NaN
// and ur * 0 still give a signed zero, as they do in the reference's blend.
HWY_INLINE VF OpaqueZero() {
    float w = 0.0f;
    asm volatile("" : "+m"(w));
    return hn::Set(DF(), w);
}

HWY_INLINE bool RunMeets(const PixelRun& run, int32_t x0, int32_t pixels) {
    return run.lo < run.hi && run.lo < x0 + pixels && x0 < run.hi;
}

// Floats [4 x0, 4 x0 + lanes) of one eye's row: the samples on the run, +0 elsewhere.
HWY_INLINE VF RunFloats(const float* frame, const PixelRun& run, int32_t x0, VF w) {
    const DF df;
    const int32_t pixels = int32_t(hn::Lanes(df) / 4);
    if (x0 >= run.lo && x0 + pixels <= std::min(run.hi, run.edge)) {
        const float* ul = frame + 4 * (run.base + x0);
        const float* dl = ul + 4 * run.below;
        return Blend(hn::LoadU(df, ul), hn::LoadU(df, ul + 4), hn::LoadU(df, dl), hn::LoadU(df, dl + 4), w,
                     w);
    }
    if (!RunMeets(run, x0, pixels)) return hn::Zero(df);
    // The run's ends: the taps one pixel at a time, zero taps (a +0 blend) off the run.
    alignas(64) float ul[kMaxLanes] = {}, ur[kMaxLanes] = {}, dl[kMaxLanes] = {}, dr[kMaxLanes] = {};
    const int32_t lo = std::max(run.lo, x0), hi = std::min(run.hi, x0 + pixels);
    for (int32_t x = lo; x < hi; ++x) {
        const float* at = frame + 4 * (run.base + x);
        const float* below = at + 4 * run.below;
        const int32_t right = x < run.edge ? 4 : 0;
        const size_t k = 4 * size_t(x - x0);
        std::memcpy(ul + k, at, 16);
        std::memcpy(ur + k, at + right, 16);
        std::memcpy(dl + k, below, 16);
        std::memcpy(dr + k, below + right, 16);
    }
    return Blend(hn::Load(df, ul), hn::Load(df, ur), hn::Load(df, dl), hn::Load(df, dr), w, w);
}

// `count` pixels of floats as they lie in memory, from pixel `index` of `frame`.
HWY_INLINE void PutFloats(VF v, void* frame, int64_t index, size_t count) {
    const DF df;
    float* dst = static_cast<float*>(frame) + 4 * index;
    if (4 * count == hn::Lanes(df)) return hn::StoreU(v, df, dst);
    alignas(64) float part[kMaxLanes];
    hn::Store(v, df, part);
    std::memcpy(dst, part, count * 16);
}

// Display codes that store each eye at its own columns (no squeeze) compose the floats as they
// lie, except those whose rule takes double precision: their double steps cost less on a vector
// of one channel than on four.
bool ChannelWise(const CpuKernelPlan& p) {
    const int32_t code = p.args->inDispMode;
    const int layout = stereo::eyeLayout(code);
    const bool unsqueezed =
        layout == stereo::SHOW_AT_POSITION || layout == stereo::SHOW_ACROSS || layout == stereo::SHOW_DOWN;
    const bool inDouble = code == DISPLAY_ANAGLYPH_OPTIMIZED || code == DISPLAY_DIFFERENCE;
    return unsqueezed && !inDouble && !p.gray && !p.lensOn;
}

template <class Tally>
void FloatRowInPlace(const CpuKernelPlan& p, const float* srcL, const float* srcR, const PixelRun& left,
                     const PixelRun& right, int32_t y, Tally& n) {
    const DF df;
    void* dst = p.args->inImageD;
    const int32_t pixels = int32_t(hn::Lanes(df) / 4);
    const VF w = OpaqueZero();
    ForCode(p.args->inDispMode, [&](auto code) {
        for (int32_t x0 = 0; x0 < p.eyeW; x0 += pixels) {
            const size_t count = size_t(std::min(pixels, p.eyeW - x0));
            if (!RunMeets(left, x0, pixels) && !RunMeets(right, x0, pixels))
                n.add(&FastKernelCounts::emptySpans);
            const VF l = RunFloats(srcL, left, x0, w), r = RunFloats(srcR, right, x0, w);
            Place<FloatsAsTheyLie>(p, code, x0, y, NoLens(), l, r, l, r,
                                   [&](VF v, int64_t index) { PutFloats(v, dst, index, count); });
        }
    });
}

// Every other display code: a span's samples as colours, then the general composition.
template <class Tally>
void FloatRowAsColours(const CpuKernelPlan& p, const float* srcL, const float* srcR, const PixelRun& left,
                       const PixelRun& right, int32_t y, Tally& n) {
    const DF df;
    const size_t lanes = hn::Lanes(df);
    const int32_t pixels = int32_t(lanes / 4);
    const VF w = OpaqueZero();
    for (int32_t x0 = 0; x0 < p.eyeW; x0 += int32_t(lanes)) {
        const size_t count = size_t(std::min(int32_t(lanes), p.eyeW - x0));
        if (!RunMeets(left, x0, int32_t(lanes)) && !RunMeets(right, x0, int32_t(lanes)))
            n.add(&FastKernelCounts::emptySpans);
        alignas(64) float l[4 * kMaxLanes], r[4 * kMaxLanes];
        for (size_t q = 0; q < 4; ++q) {
            hn::Store(RunFloats(srcL, left, x0 + int32_t(q) * pixels, w), df, l + q * lanes);
            hn::Store(RunFloats(srcR, right, x0 + int32_t(q) * pixels, w), df, r + q * lanes);
        }
        Colour cL, cR;
        hn::LoadInterleaved4(df, l, cL.b, cL.g, cL.r, cL.a);
        hn::LoadInterleaved4(df, r, cR.b, cR.g, cR.r, cR.a);
        if (p.gray) {
            cL = Gray(cL);
            cR = Gray(cR);
        }
        Finish<Floats>(p, hn::ConvertTo(df, CountFrom(x0)), x0, y, count, cL, cR);
    }
}

template <class Tally>
void WholePixelFloatRow(const CpuKernelPlan& p, const PixelRun& left, const PixelRun& right, int32_t y,
                        Tally& n) {
    const float* srcL = static_cast<const float*>(p.swap ? p.second.frame : p.first.frame);
    const float* srcR = static_cast<const float*>(p.swap ? p.first.frame : p.second.frame);
    if (ChannelWise(p)) return FloatRowInPlace(p, srcL, srcR, left, right, y, n);
    FloatRowAsColours(p, srcL, srcR, left, right, y, n);
}

// The eye grid goes in tiles of kTileRows rows by kTileColumns columns, tiles left to right
// and rows top to bottom inside a tile, so that a rotated or keystoned eye reads a few source
// rows per tile instead of sweeping hundreds along a full row. Of two positions in one row the
// larger x still comes later, which is all that decides the side-by-side squeeze's stores (the
// top-bottom squeeze stores each destination row once, whatever the order).
constexpr int32_t kTileRows = 16;
constexpr int32_t kTileColumns = 64;
static_assert(kPrefetchColumns == kTileColumns, "spans prefetch the next tile");

template <class Fmt, class Tally>
void Walk(const CpuKernelPlan& p, int32_t rowBegin, int32_t rowEnd, Tally& n) {
    const DF df;
    const TransformKernelArgs& a = *p.args;
    const int32_t lanes = int32_t(hn::Lanes(df));
    for (int32_t ty = rowBegin; ty < rowEnd; ty += kTileRows) {
        const int32_t tyEnd = std::min(rowEnd, ty + kTileRows);
        // Rows settled before the tiles: those whose stores are all overwritten later, and
        // rows on whole pixels, which go whole (they read their sources in order).
        float rowY1[kTileRows];
        bool rowInside[kTileRows], rowDone[kTileRows];
        for (int32_t y = ty; y < tyEnd; ++y) {
            const int32_t k = y - ty;
            const float y1 = (float(y) - p.halfH) / a.inAutoScaleY + p.halfH + a.inAutoCenterY;
            rowY1[k] = y1;
            rowInside[k] = !(y1 < a.inAutoCropT || y1 > a.inAutoCropB);
            rowDone[k] = false;
            if (a.inDispMode == DISPLAY_TB_HALF) {
                rowDone[k] = !stereo::keepsFirstEyeFold(y, p.eyeH) && !stereo::keepsSecondEyeFold(y, p.eyeH);
            }
            if (!rowDone[k] && !rowInside[k]) n.add(&FastKernelCounts::emptyRows);
            if constexpr (Fmt::kIsBytes || kFloatRowVectors) {
                PixelRun left, right;
                if (!rowDone[k] && p.wholePixelRows && rowInside[k] && wholePixelRow(p, y1, left, right)) {
                    n.add(&FastKernelCounts::wholePixelRows);
                    if constexpr (Fmt::kIsBytes) {
                        WholePixelSpan(p, left, right, y, 0, p.eyeW);
                    } else {
                        WholePixelFloatRow(p, left, right, y, n);
                    }
                    rowDone[k] = true;
                }
            }
        }
        for (int32_t tx = 0; tx < p.eyeW; tx += kTileColumns) {
            const int32_t txEnd = std::min(p.eyeW, tx + kTileColumns);
            for (int32_t y = ty; y < tyEnd; ++y) {
                const int32_t k = y - ty;
                if (rowDone[k]) continue;
                for (int32_t x0 = tx; x0 < txEnd; x0 += lanes) {
                    const size_t count = size_t(std::min(lanes, txEnd - x0));
                    const VF x = hn::ConvertTo(df, CountFrom(x0));
                    Colour cL = Uniform(0, 0, 0, 0), cR = cL;
                    if (rowInside[k]) Eyes<Fmt, Tally>(p, x, rowY1[k], cL, cR, n);
                    Finish<Fmt>(p, x, x0, y, count, cL, cR);
                }
            }
        }
    }
}

template <class Tally>
void WalkFormat(const CpuKernelPlan& plan, int32_t bytes, int32_t rowBegin, int32_t rowEnd, Tally& n) {
    if (bytes) {
        Walk<Bytes>(plan, rowBegin, rowEnd, n);
    } else {
        Walk<Floats>(plan, rowBegin, rowEnd, n);
    }
}

}  // namespace

void RunFastKernel(const CpuKernelPlan& plan, int32_t bytes, int32_t rowBegin, int32_t rowEnd,
                   FastKernelCounts* counts) {
    if (!counts) {
        Silent n;
        return WalkFormat(plan, bytes, rowBegin, rowEnd, n);
    }
    Counting n;
    n.c.target = hwy::TargetName(HWY_TARGET);
    n.c.lanes = int32_t(hn::Lanes(DF()));
    WalkFormat(plan, bytes, rowBegin, rowEnd, n);
    *counts = n.c;
}

}  // namespace HWY_NAMESPACE
}  // namespace duovis
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace duovis {

HWY_EXPORT(RunFastKernel);

namespace {

struct NamedTarget {
    const char* name;
    int64_t bits;
};
// Best last. The baseline is the portable build every x86-64 runs.
constexpr NamedTarget kTargets[] = {
    {"baseline", HWY_STATIC_TARGET}, {"sse4", HWY_SSE4}, {"avx2", HWY_AVX2}, {"avx512", HWY_AVX3}};

// What this binary carries and this CPU runs.
int64_t runnable() {
    return hwy::SupportedTargets() & HWY_TARGETS;
}

// The dispatch table's entry for a target (0: the best runnable), found as Highway's own
// dispatch finds it from its chosen-target mask, so no process-wide choice is involved.
size_t tableIndex(int64_t bits) {
    static const int64_t best = runnable();  // the CPU does not change; asking costs CPUID calls
    const int64_t targets = bits != 0 ? bits : best;
    return hwy::Num0BitsBelowLS1Bit_Nonzero64(uint64_t(
        (HWY_CHOSEN_TARGET_SHIFT(targets) | HWY_CHOSEN_TARGET_MASK_SCALAR) & HWY_CHOSEN_TARGET_MASK_TARGETS));
}

}  // namespace

void runFastCpuKernel(const CpuKernelPlan& plan, CpuPixelFormat format, RowBand rows, CpuKernelTarget target,
                      FastKernelCounts* counts) {
    const int32_t first = std::max(rows.begin, int32_t(0));
    const int32_t last = std::min(rows.end, plan.eyeH);
    const auto run = HWY_DISPATCH_TABLE(RunFastKernel)[tableIndex(target.bits)];
    run(plan, format == CpuPixelFormat::Argb8 ? 1 : 0, first, last, counts);
}

std::vector<std::string> cpuKernelTargets() {
    const int64_t have = runnable();
    std::vector<std::string> names;
    for (const NamedTarget& t : kTargets)
        if (have & t.bits) names.push_back(t.name);
    return names;
}

std::optional<CpuKernelTarget> cpuKernelTarget(const std::string& name) {
    if (name.empty()) return CpuKernelTarget{};
    const int64_t have = runnable();
    for (const NamedTarget& t : kTargets)
        if (name == t.name && (have & t.bits)) return CpuKernelTarget{t.bits};
    return std::nullopt;
}

CpuKernelTarget pinnedCpuKernelTarget(const char* name) {
    return name ? cpuKernelTarget(name).value_or(CpuKernelTarget{}) : CpuKernelTarget{};
}

}  // namespace duovis
#endif  // HWY_ONCE
