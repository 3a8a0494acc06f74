// The depth budget against pairs whose disparities are known: slabs at the near disparity
// (about a quarter of the picture) before a background at the far one, misaligned as a rig
// would be. The budget must come from the corrected pair's every pixel, so it holds even where
// the sparse pairs are made to report the background only.
#include "Analysis.h"
#include "Synth.h"

#include <gtest/gtest.h>

using namespace depthscope;
using namespace duovis;

namespace {

struct DepthRow {
    const char* name;
    double nearPct, farPct, verticalPx, rotationDeg, scalePct;
    double minMatchedShare = 0.6;  // wide ranges leave more of the picture occluded or unsearched
    bool blindToo = true;          // whether the range fits the search the background alone opens
};

const DepthRow kDepths[] = {
    {"crossed_and_uncrossed", -1.5, 1.0, 4.0, 0.8, 1.5},
    {"deep_and_turned", -3.0, 2.0, -3.0, -1.2, -2.0},
    {"all_behind_the_screen", 0.5, 2.5, 2.0, 0.5, 0.0},
    {"all_in_front", -4.0, -1.0, 0.0, -0.6, 1.0},
    {"aligned", -2.0, 0.8, 0.0, 0.0, 0.0},
    // Wider than the matcher's search with its margins: the search is centred on the pairs.
    {"wider_than_the_search", -12.0, 8.0, 2.0, 0.5, 1.0, 0.4, false},
};

// Within a sixth of a matching pixel's span (960 pixels wide at most): 0.15 % of the width.
constexpr double kTolerancePct = 0.15;

class DepthBudgetOf : public ::testing::TestWithParam<DepthRow> {};

TEST_P(DepthBudgetOf, NearAndFarComeFromTheDenseMapOfTheCorrectedPair) {
    const DepthRow& r = GetParam();
    SynthSpec s;
    s.width = 800, s.height = 450;
    s.nearPct = r.nearPct, s.farPct = r.farPct;
    s.verticalPx = r.verticalPx, s.rotationDeg = r.rotationDeg, s.scalePct = r.scalePct;
    const SynthPair p = makeSynthPair(s);
    const EyeViews views = eyeViewsFromImages(lumaFromImage(p.left), lumaFromImage(p.right));
    const Analysis a = analyse(views, ParamValues::defaults());
    ASSERT_TRUE(a.ok) << a.error;
    ASSERT_TRUE(a.depth.measured) << a.depth.validShare;
    EXPECT_GT(a.depth.validShare, r.minMatchedShare);
    EXPECT_NEAR(a.depth.nearPct, r.nearPct, kTolerancePct);
    EXPECT_NEAR(a.depth.farPct, r.farPct, kTolerancePct);

    // Told only of the background, it still finds the slabs (where the whole range fits the
    // search that opens: beyond it, the matcher can only be wrong).
    if (!r.blindToo) return;
    const DepthBudget blind =
        denseDepth(views.left, views.right, a.correction.after, views.eye, r.farPct, r.farPct);
    ASSERT_TRUE(blind.measured);
    EXPECT_NEAR(blind.nearPct, r.nearPct, kTolerancePct);
    EXPECT_NEAR(blind.farPct, r.farPct, kTolerancePct);
}

INSTANTIATE_TEST_SUITE_P(KnownDisparities, DepthBudgetOf, ::testing::ValuesIn(kDepths),
                         [](const auto& row) { return std::string(row.param.name); });

// Uncorrected, the rotation leaves the eyes too far apart vertically for most rows to match; the
// budget is only as good as the correction it is measured through.
TEST(DepthBudgetOf, MisalignedPairMatchesWorseThanTheCorrectedOne) {
    SynthSpec s;
    s.width = 800, s.height = 450, s.verticalPx = 6, s.rotationDeg = 1.5;
    const SynthPair p = makeSynthPair(s);
    const EyeViews views = eyeViewsFromImages(lumaFromImage(p.left), lumaFromImage(p.right));
    const Analysis a = analyse(views, ParamValues::defaults());
    ASSERT_TRUE(a.ok) << a.error;
    const DepthBudget raw =
        denseDepth(views.left, views.right, ParamValues::defaults(), views.eye, s.nearPct, s.farPct);
    EXPECT_LT(raw.validShare, a.depth.validShare - 0.2);
}

}  // namespace
