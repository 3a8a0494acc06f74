// The keystones: recovered where a rig's cameras converge or tilt, left alone where the pairs do
// not call for them; and the cell weights that keep one dense corner from deciding the fit.
#include "Analysis.h"
#include "Cells.h"
#include "EyeFit.h"
#include "Synth.h"
#include "VerticalFit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace depthscope;
using namespace duovis;

namespace {

struct KeystoneRow {
    const char* name;
    SynthScene scene;
    double keystoneH, keystoneV;  // as the right eye shows them
    double verticalPx, rotationDeg;
    FitModel model;  // the one the press must choose
};

const KeystoneRow kKeystoneRows[] = {
    {"converging_rig", SynthScene::Slabs, 3.0, 0.0, 2.0, 0.3, kKeystoneH},
    {"tilted_rig", SynthScene::Slabs, 0.0, -3.0, -1.5, 0.0, kKeystoneV},
    {"converging_and_tilted", SynthScene::Wall, -2.5, 2.5, 1.0, -0.4, kKeystones},
    // Flat and plainly misaligned: a keystone would only follow the noise.
    {"flat_wall_plain", SynthScene::Wall, 0.0, 0.0, 3.0, 0.6, kPlain},
    {"slabs_plain", SynthScene::Slabs, 0.0, 0.0, -2.0, -0.5, kPlain},
};

class Keystones : public ::testing::TestWithParam<KeystoneRow> {};

TEST_P(Keystones, RecoveredWhereTheRigHasThemAndOnlyThere) {
    const KeystoneRow& r = GetParam();
    SynthSpec s;
    s.scene = r.scene, s.width = 960, s.height = 540, s.scalePct = 0;
    s.keystoneHDeg = r.keystoneH, s.keystoneVDeg = r.keystoneV;
    s.verticalPx = r.verticalPx, s.rotationDeg = r.rotationDeg;
    const SynthPair p = makeSynthPair(s);
    const Analysis a =
        analyse(eyeViewsFromImages(lumaFromImage(p.left), lumaFromImage(p.right)), ParamValues::defaults());
    ASSERT_TRUE(a.ok) << a.error;
    const Correction& c = a.correction;
    EXPECT_EQ(c.fit.model, r.model) << "held out: plain " << c.fit.heldOutPx[kPlain] << ", h "
                                    << c.fit.heldOutPx[kKeystoneH] << ", v " << c.fit.heldOutPx[kKeystoneV]
                                    << ", both " << c.fit.heldOutPx[kKeystones];
    // The reply undoes them: the opposite keystone, and nothing left between the eyes' rows.
    EXPECT_NEAR(c.after[HKEYSTONE_R], -r.keystoneH, 0.15);
    EXPECT_NEAR(c.after[VKEYSTONE_R], -r.keystoneV, 0.15);
    EXPECT_NEAR(c.measured.keystoneHDeg, r.keystoneH, 0.15);
    EXPECT_NEAR(c.measured.keystoneVDeg, r.keystoneV, 0.15);
    EXPECT_LT(c.residual.rmsPx, 0.2);
    EXPECT_NEAR(c.residual.keystoneHDeg, 0.0, 0.05);
    EXPECT_NEAR(c.residual.keystoneVDeg, 0.0, 0.05);
    // A keystone the model leaves out is not in the reply.
    const bool hReplied = std::any_of(c.replySlots.begin(), c.replySlots.end(), [](const auto& slot) {
        return slot.first == *toolSlotOf(HKEYSTONE_R);
    });
    EXPECT_EQ(hReplied, modelFits(r.model, 3));
}

INSTANTIATE_TEST_SUITE_P(Rigs, Keystones, ::testing::ValuesIn(kKeystoneRows),
                         [](const auto& row) { return std::string(row.param.name); });

struct WeightRow {
    const char* name;
    std::vector<int> perCell;  // pairs in the cells 0, 1, 2, ... of the grid
    std::vector<double> want;  // the weight of each of those cells' pairs
};

const WeightRow kWeightRows[] = {
    {"even", {5, 5, 5, 5}, {1, 1, 1, 1}},
    {"one_dense_corner", {400, 5, 5, 5}, {5.0 / 400, 1, 1, 1}},
    {"sparse_cells_keep_their_few", {1, 10, 10, 10, 40}, {1, 1, 1, 1, 0.25}},
};

class CellWeights : public ::testing::TestWithParam<WeightRow> {};

TEST_P(CellWeights, ADenseCellCountsLikeAnOrdinaryOne) {
    const cv::Size view(640, 480);
    std::vector<cv::Point2d> points;
    std::vector<double> want;
    for (std::size_t c = 0; c < GetParam().perCell.size(); ++c) {
        const double x = (double(c % kCoverageGrid) + 0.5) * view.width / kCoverageGrid;
        const double y = (double(c / kCoverageGrid) + 0.5) * view.height / kCoverageGrid;
        for (int k = 0; k < GetParam().perCell[c]; ++k) {
            points.emplace_back(x + k % 7, y + k % 5);
            want.push_back(GetParam().want[c]);
        }
    }
    const std::vector<double> w = cellWeights(points, view);
    ASSERT_EQ(w.size(), want.size());
    for (std::size_t i = 0; i < w.size(); ++i) EXPECT_NEAR(w[i], want[i], 1e-12) << points[i];
}

INSTANTIATE_TEST_SUITE_P(Layouts, CellWeights, ::testing::ValuesIn(kWeightRows),
                         [](const auto& row) { return std::string(row.param.name); });

// Pairs over the whole frame 2 px apart, and a dense cluster in one corner bent 3 px further
// (a lens's corner): the fit must follow the frame, not the cluster.
TEST(EyeFit, OneDenseCornerDoesNotDecideTheFrame) {
    const EyeSize eye{640, 480};
    std::vector<cv::Point2d> left, right;
    for (int y = 30; y < 480; y += 60)
        for (int x = 40; x < 640; x += 80) left.emplace_back(x, y), right.emplace_back(x + 5, y + 2);
    for (int k = 0; k < 600; ++k) {
        const cv::Point2d l(10 + k % 30 * 4, 10 + k / 30 * 4);
        left.push_back(l), right.emplace_back(l.x + 5, l.y + 5);
    }
    const EyeFit f = fitRightEye(ParamValues::defaults(), eye, left, right);
    // -2 px of the height, as "Vertical Shift Right %" carries it.
    EXPECT_NEAR(f.values[VSHIFT_PCT_R], -2.0 / 480 * 100, 0.35 / 480 * 100);
    EXPECT_NEAR(f.values[ROTATE_R], 0.0, 0.1);
}

TEST(EyeFit, NoPairsOrUnevenEyesLeaveTheValues) {
    ParamValues now = ParamValues::defaults();
    now[ROTATE_R] = 0.4;
    const std::vector<cv::Point2d> three{{1, 1}, {50, 9}, {20, 40}}, two{{1, 1}, {50, 9}};
    for (const auto& [left, right] :
         {std::pair{std::vector<cv::Point2d>{}, std::vector<cv::Point2d>{}}, std::pair{three, two}}) {
        const EyeFit f = fitRightEye(now, EyeSize{64, 48}, left, right);
        EXPECT_EQ(f.values[ROTATE_R], 0.4);
        EXPECT_EQ(f.values[VSHIFT_PCT_R], now[VSHIFT_PCT_R]);
    }
}

// The outlier fit on a real rig: rows a lens bends must all be kept, and a block of pairs a
// pattern's period off must not be bent into the fit.
struct BendRow {
    const char* name;
    std::function<double(double u, double v)> dy;  // right below left, u and v from -1 to 1
    bool bends;
    double minKept, maxKept;  // share of the pairs the fit keeps
};

const BendRow kBendRows[] = {
    {"lens_bend_followed", [](double u, double v) { return 8 + 6 * u * v + 3 * v * v; }, true, 0.97, 1.0},
    {"lens_bend_plain_keeps_a_band", [](double u, double v) { return 8 + 6 * u * v + 3 * v * v; }, false, 0.0,
     0.8},
    // A quarter of the pairs, in the middle, 30 px off: the bends must not absorb them.
    {"middle_a_period_off",
     [](double u, double v) { return std::abs(u) < 0.5 && std::abs(v) < 0.5 ? 34.0 : 4.0; }, true, 0.7, 0.8},
};

class Bends : public ::testing::TestWithParam<BendRow> {};

TEST_P(Bends, FollowALensNotAPeriod) {
    const cv::Point2d centre(320, 240);
    std::vector<cv::Point2d> right, left;
    for (int y = 0; y < 480; y += 24)
        for (int x = 0; x < 640; x += 32) {
            const double u = (x + 16 - centre.x) / 320, v = (y + 12 - centre.y) / 240;
            right.emplace_back(x + 16, y + 12);
            left.emplace_back(x + 10, y + 12 - GetParam().dy(u, v));
        }
    VerticalFit fit;
    std::vector<char> keep;
    ASSERT_TRUE(fitVerticalRobust(right, left, centre, 1.0, fit, keep, GetParam().bends));
    const double kept = double(std::count(keep.begin(), keep.end(), 1)) / double(keep.size());
    EXPECT_GE(kept, GetParam().minKept);
    EXPECT_LE(kept, GetParam().maxKept);
    // With the bends, the frame's corner is followed, not a period off.
    if (GetParam().bends) {
        EXPECT_LT(std::abs(fit.residual(right.front(), left.front())), 1.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Fields, Bends, ::testing::ValuesIn(kBendRows),
                         [](const auto& row) { return std::string(row.param.name); });

}  // namespace
