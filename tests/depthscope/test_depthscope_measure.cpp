// The measurement on synthetic pairs with a known misalignment: what it finds, what it replies,
// and that a second press from the replied values leaves them where they are.
#include "Analysis.h"
#include "Synth.h"

#include "core/params/ParamId.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace depthscope;
using namespace duovis;

namespace {

struct Row {
    const char* name;
    double verticalPx, rotationDeg, scalePct, nearPct, farPct;
};

const Row kRows[] = {
    {"down_cw_larger", 4.0, 0.8, 1.5, -1.5, 1.0}, {"up_ccw_smaller", -3.0, -1.5, -3.0, -2.0, 0.5},
    {"most_of_all", 6.0, 1.5, 3.0, -1.0, 2.0},    {"vertical_only", 2.5, 0.0, 0.0, -1.0, 1.0},
    {"rotation_only", 0.0, -1.0, 0.0, -0.5, 1.5}, {"aligned", 0.0, 0.0, 0.0, -1.0, 1.0},
};

SynthSpec specOf(const Row& r) {
    SynthSpec s;
    s.width = 640, s.height = 360;
    s.verticalPx = r.verticalPx, s.rotationDeg = r.rotationDeg, s.scalePct = r.scalePct;
    s.nearPct = r.nearPct, s.farPct = r.farPct;
    return s;
}

Analysis measure(const SynthPair& p, const ParamValues& v) {
    return analyse(eyeViewsFromImages(lumaFromImage(p.left), lumaFromImage(p.right)), v);
}

class Measurement : public ::testing::TestWithParam<Row> {};

TEST_P(Measurement, RecoversTheMisalignmentAndRepliesItsInverse) {
    const Row& r = GetParam();
    const SynthSpec s = specOf(r);
    const Analysis a = measure(makeSynthPair(s), ParamValues::defaults());
    ASSERT_TRUE(a.ok) << a.error;
    const Correction& c = a.correction;
    EXPECT_NEAR(c.measured.verticalPx, r.verticalPx, 0.05);
    EXPECT_NEAR(c.measured.rotationDeg, r.rotationDeg, 0.02);
    EXPECT_NEAR(c.measured.scalePct, r.scalePct, 0.05);
    EXPECT_NEAR(c.disparity.nearPct, r.nearPct, 0.2);
    EXPECT_NEAR(c.disparity.farPct, r.farPct, 0.2);

    // The right eye's values undo it: turned and scaled back, moved up by the offset as seen
    // through the scale and rotation.
    const double sc = 1 + r.scalePct / 100, rad = r.rotationDeg * M_PI / 180;
    EXPECT_NEAR(c.after[ROTATE_R], -r.rotationDeg, 0.02);
    EXPECT_NEAR(c.after[SCALE_R], -std::log2(sc), 0.0007);
    EXPECT_NEAR(c.after[VSHIFT_PCT_R], -r.verticalPx * std::cos(rad) / sc / s.height * 100, 0.015);
    EXPECT_LE(std::abs(c.residual.verticalPx), 0.02);
    EXPECT_LE(std::abs(c.residual.rotationDeg), 0.01);
    EXPECT_LE(std::abs(c.residual.scalePct), 0.02);
}

INSTANTIATE_TEST_SUITE_P(SyntheticPairs, Measurement, ::testing::ValuesIn(kRows),
                         [](const auto& row) { return std::string(row.param.name); });

// Pressing again with the replied values in the block measures the same pictures against the
// corrected geometry: nothing is left to correct, so the values stay (within a slot step).
TEST(Measurement, SecondPressRefinesRatherThanRestarts) {
    const SynthPair p = makeSynthPair(specOf(kRows[0]));
    const Analysis first = measure(p, ParamValues::defaults());
    ASSERT_TRUE(first.ok) << first.error;
    const Analysis second = measure(p, first.correction.after);
    ASSERT_TRUE(second.ok) << second.error;
    for (ParamId id : {VSHIFT_PCT_R, ROTATE_R, SCALE_R})
        EXPECT_NEAR(second.correction.after[id], first.correction.after[id], 0.011) << id;
    EXPECT_LE(std::abs(second.correction.measured.verticalPx), 0.05);
}

// The effect's own right-eye values (flip, horizontal shift, Both sliders) are part of the
// geometry the correction is folded into.
TEST(Measurement, CorrectsOnTopOfTheValuesTheEffectHolds) {
    const SynthPair p = makeSynthPair(specOf(kRows[0]));
    ParamValues v = ParamValues::defaults();
    v[HSHIFT_PCT_R] = 2.0;
    v[ROTATE_B] = 0.4;  // turns the left eye by +0.2 and the right by -0.2
    v[VSHIFT_PCT_R] = 0.5;
    const Analysis a = measure(p, v);
    ASSERT_TRUE(a.ok) << a.error;
    EXPECT_LE(std::abs(a.correction.residual.verticalPx), 0.02);
    EXPECT_LE(std::abs(a.correction.residual.rotationDeg), 0.01);
    // Displayed, the right eye must end up turned like the left (+0.2) less the pair's 0.8:
    // Rotate Right - 0.2 = 0.2 - 0.8.
    EXPECT_NEAR(a.correction.after[ROTATE_R], -0.4, 0.02);
}

TEST(Measurement, FlatPictureGivesNoCorrection) {
    QImage flat(320, 180, QImage::Format_ARGB32);
    flat.fill(qRgb(90, 90, 90));
    const Analysis a = measure({flat, flat}, ParamValues::defaults());
    EXPECT_FALSE(a.ok);
    EXPECT_NE(a.error.find("too few matches"), std::string::npos) << a.error;
}

}  // namespace
