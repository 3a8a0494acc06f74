// What a press computes and how: the press leaves the dense budget out but replies the same
// values, and the threads that share out the matching never change the answer.
#include "Analysis.h"
#include "Synth.h"

#include <opencv2/core/utility.hpp>

#include <gtest/gtest.h>

using namespace depthscope;
using namespace duovis;

namespace {

struct WorkRow {
    const char* name;
    SynthScene scene;
    int width, height;
    double verticalPx, rotationDeg, scalePct;
};

// Wide frames give thousands of features: the pairing runs over many bands of descriptors.
const WorkRow kWork[] = {
    {"slabs_misaligned", SynthScene::Slabs, 960, 540, 4.0, 0.8, 1.5},
    {"slabs_full_hd", SynthScene::Slabs, 1920, 1080, -3.0, -0.6, -1.0},
    {"pattern_aligned", SynthScene::Pattern, 960, 540, 0.0, 0.0, 0.0},
};

EyeViews viewsOf(const WorkRow& r) {
    SynthSpec s;
    s.scene = r.scene, s.width = r.width, s.height = r.height;
    s.verticalPx = r.verticalPx, s.rotationDeg = r.rotationDeg, s.scalePct = r.scalePct;
    const SynthPair p = makeSynthPair(s);
    return eyeViewsFromImages(lumaFromImage(p.left), lumaFromImage(p.right));
}

// Everything a reply or a refusal is made of.
void expectSameAnswer(const Analysis& a, const Analysis& b) {
    EXPECT_EQ(a.ok, b.ok);
    EXPECT_EQ(a.error, b.error);
    EXPECT_EQ(a.pairs.matches, b.pairs.matches);
    EXPECT_EQ(a.pairs.left.size(), b.pairs.left.size());
    EXPECT_EQ(a.correction.replySlots, b.correction.replySlots);
}

class PressWork : public ::testing::TestWithParam<WorkRow> {
  protected:
    void TearDown() override { cv::setNumThreads(-1); }
};

TEST_P(PressWork, ThePressRepliesTheSameValuesWithoutTheDenseBudget) {
    const EyeViews views = viewsOf(GetParam());
    const Analysis full = analyse(views, ParamValues::defaults());
    const Analysis press = analyse(views, ParamValues::defaults(), DepthScope::PairsOnly);
    expectSameAnswer(full, press);
    if (!full.ok) return;
    EXPECT_TRUE(full.depth.measured);
    EXPECT_FALSE(press.depth.measured);
    EXPECT_TRUE(press.depth.pct.empty());
}

TEST_P(PressWork, ThreadsDoNotChangeTheAnswer) {
    const EyeViews views = viewsOf(GetParam());
    cv::setNumThreads(1);
    const Analysis alone = analyse(views, ParamValues::defaults(), DepthScope::PairsOnly);
    // More threads than this machine's cores, so the work is split even on a small one.
    cv::setNumThreads(6);
    const Analysis shared = analyse(views, ParamValues::defaults(), DepthScope::PairsOnly);
    expectSameAnswer(alone, shared);
    ASSERT_EQ(alone.pairs.right.size(), shared.pairs.right.size());
    for (std::size_t i = 0; i < alone.pairs.right.size(); ++i) {
        EXPECT_EQ(alone.pairs.left[i], shared.pairs.left[i]) << "pair " << i;
        EXPECT_EQ(alone.pairs.right[i], shared.pairs.right[i]) << "pair " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Scenes, PressWork, ::testing::ValuesIn(kWork),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
