// How well one press of the parallax tool aligns a misaligned pair. For each synthetic pair:
// measure, take the replied values, render the right eye through the effect's own geometry and
// CPU kernel, and measure the rendered pair again. The counters are what is left of the
// vertical offset (px), the rotation (deg) and the scale (%), and how far the depth budget is
// from the scene's true disparity range (% of the width); `within` is 1 where all of
// them are inside 0.1 px, 0.05 deg, 0.1 % and 0.5 %.
#include "Analysis.h"
#include "Synth.h"

#include "DepthscopeRender.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>

using namespace depthscope;
using namespace duovis;

namespace {

struct Case {
    const char* name;
    SynthSpec spec;
};

SynthSpec spec(double v, double rot, double scale, double nearPct, double farPct, uint32_t seed) {
    SynthSpec s;
    s.verticalPx = v, s.rotationDeg = rot, s.scalePct = scale, s.nearPct = nearPct, s.farPct = farPct,
    s.seed = seed;
    return s;
}

const Case kCases[] = {
    {"down4_cw0.8_up1.5", spec(4.0, 0.8, 1.5, -1.5, 1.0, 1)},
    {"up3_ccw1.5_down3", spec(-3.0, -1.5, -3.0, -2.0, 0.5, 2)},
    {"down6_cw1.5_up3", spec(6.0, 1.5, 3.0, -1.0, 2.0, 3)},
    {"down2.5_ccw0.5_up2", spec(2.5, -0.5, 2.0, -2.5, 1.5, 4)},
    {"up5_cw0.2_down1", spec(-5.0, 0.2, -1.0, -0.5, 0.8, 5)},
    {"aligned", spec(0.0, 0.0, 0.0, -1.0, 1.0, 6)},
};

void BM_OnePress(benchmark::State& state, const SynthSpec& s) {
    const SynthPair pair = makeSynthPair(s);
    const cv::Mat left = lumaFromImage(pair.left), right = lumaFromImage(pair.right);
    Analysis first, second;
    for (auto _ : state) {
        first = analyse(eyeViewsFromImages(left, right), ParamValues::defaults());
        if (!first.ok) break;
        second =
            analyse(eyeViewsFromImages(left, renderRightEye(pair.left, pair.right, first.correction.after)),
                    ParamValues::defaults());
    }
    if (!first.ok || !second.ok) {
        state.SkipWithError((first.ok ? second : first).error.c_str());
        return;
    }
    const Misalignment& r = second.correction.measured;
    const double nearErr = first.depth.nearPct - s.nearPct;
    const double farErr = first.depth.farPct - s.farPct;
    state.counters["resid_v_px"] = r.verticalPx;
    state.counters["resid_rot_deg"] = r.rotationDeg;
    state.counters["resid_scale_pct"] = r.scalePct;
    state.counters["near_err_pct"] = nearErr;
    state.counters["far_err_pct"] = farErr;
    state.counters["pairs"] = static_cast<double>(first.pairs.left.size());
    const bool within = std::abs(r.verticalPx) <= 0.1 && std::abs(r.rotationDeg) <= 0.05 &&
                        std::abs(r.scalePct) <= 0.1 && std::abs(nearErr) <= 0.5 && std::abs(farErr) <= 0.5;
    state.counters["within"] = within ? 1 : 0;
}

const bool kRegistered = [] {
    for (const Case& c : kCases)
        benchmark::RegisterBenchmark((std::string("OnePress/") + c.name).c_str(), BM_OnePress, c.spec)
            ->Iterations(1)
            ->Unit(benchmark::kMillisecond);
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
