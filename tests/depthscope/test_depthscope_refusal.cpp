// Pairs made to mislead the measurement: it gives the right answer or refuses with a reason,
// never a correction of the wrong sign. The evidence rules are also fed matches laid out by hand,
// and the uniqueness test pictures with and without a repeated pattern.
#include "Ambiguity.h"
#include "Analysis.h"
#include "Evidence.h"
#include "Synth.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

using namespace depthscope;
using namespace duovis;

namespace {

enum class Expect { Right, Refusal, RightOrRefusal };

struct SceneRow {
    const char* name;
    SynthScene scene;
    double verticalPx, rotationDeg, scalePct;
    Expect expect;
    const char* reason;  // part of the refusal's reason
};

const SceneRow kScenes[] = {
    {"pattern_down", SynthScene::Pattern, 4.0, 0.8, 1.5, Expect::RightOrRefusal, ""},
    {"pattern_up_ccw", SynthScene::Pattern, -3.0, -0.6, -1.0, Expect::RightOrRefusal, ""},
    {"pattern_half_a_period", SynthScene::Pattern, 10.0, 0.0, 0.0, Expect::RightOrRefusal, ""},
    {"corner_only", SynthScene::Corner, 4.0, 0.8, 1.5, Expect::Refusal, "crowded into"},
    // Wide enough for the offset and the rotation; the scale it cannot reach is left alone.
    {"strip_only", SynthScene::Strip, -2.0, 0.5, 1.0, Expect::RightOrRefusal, "crowded into"},
    {"textured_wall", SynthScene::Wall, 2.5, -0.4, 0.8, Expect::Right, ""},
    {"blank_wall", SynthScene::Blank, 4.0, 0.8, 1.5, Expect::Refusal, "too few matches"},
};

class Misleading : public ::testing::TestWithParam<SceneRow> {};

// The same sign as the truth, and close to it; a zero truth only needs to stay near zero.
void expectRight(double measured, double truth, double tolerance, const char* what) {
    EXPECT_NEAR(measured, truth, tolerance) << what;
    if (std::abs(truth) > tolerance) {
        EXPECT_GT(measured * truth, 0.0) << what << " has the wrong sign";
    }
}

TEST_P(Misleading, RightAnswerOrRefusalNeverAWrongSign) {
    const SceneRow& r = GetParam();
    SynthSpec s;
    s.scene = r.scene, s.width = 640, s.height = 360;
    s.verticalPx = r.verticalPx, s.rotationDeg = r.rotationDeg, s.scalePct = r.scalePct;
    const SynthPair p = makeSynthPair(s);
    const Analysis a =
        analyse(eyeViewsFromImages(lumaFromImage(p.left), lumaFromImage(p.right)), ParamValues::defaults());
    if (!a.ok) {
        EXPECT_NE(r.expect, Expect::Right) << a.error;
        EXPECT_NE(a.error.find(r.reason), std::string::npos) << a.error;
        EXPECT_EQ(a.error.find('\n'), std::string::npos);
        EXPECT_STREQ(a.verdict(), "refused");
        return;
    }
    EXPECT_NE(r.expect, Expect::Refusal) << "measured " << a.correction.measured.verticalPx << " px";
    // A scale or rotation the pairs cannot reach is left, and with it a little of the offset.
    const FitReach reach = a.correction.fit.reach;
    expectRight(a.correction.measured.verticalPx, r.verticalPx, reach.acrossX && reach.acrossY ? 0.1 : 0.2,
                "vertical");
    expectRight(a.correction.measured.rotationDeg, r.rotationDeg, 0.03, "rotation");
    if (reach.acrossY) {
        expectRight(a.correction.measured.scalePct, r.scalePct, 0.08, "scale");
    } else {
        EXPECT_EQ(a.correction.after[SCALE_R], a.correction.before[SCALE_R]) << "scale extrapolated";
        EXPECT_FALSE(a.correction.fit.fitted(4)) << "vertical keystone extrapolated";
    }
    EXPECT_TRUE(reach.acrossX || r.rotationDeg == 0.0);
}

INSTANTIATE_TEST_SUITE_P(Scenes, Misleading, ::testing::ValuesIn(kScenes),
                         [](const auto& row) { return std::string(row.param.name); });

// Matches laid out by hand on a 640 x 360 view: kept pairs at `kept`, and candidates there plus at
// `extra`, each right point `dy` below its left point (the fit maps right onto left).
struct Layout {
    std::vector<cv::Point2d> kept, extra;
    double keptDy, extraDy;
};

EyeMatches matchesOf(const Layout& l) {
    EyeMatches m;
    const auto add = [](std::vector<cv::Point2d>& left, std::vector<cv::Point2d>& right,
                        const std::vector<cv::Point2d>& at, double dy) {
        for (const cv::Point2d& p : at) left.push_back(p), right.push_back(p + cv::Point2d(-5, dy));
    };
    add(m.left, m.right, l.kept, l.keptDy);
    add(m.candidateLeft, m.candidateRight, l.kept, l.keptDy);
    add(m.candidateLeft, m.candidateRight, l.extra, l.extraDy);
    m.fit = VerticalFit{1, 0, -l.keptDy, cv::Point2d(320, 180)};
    return m;
}

std::vector<cv::Point2d> grid(double x0, double y0, double x1, double y1, int n) {
    std::vector<cv::Point2d> pts;
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i)
            pts.emplace_back(x0 + (x1 - x0) * (i + 0.5) / n, y0 + (y1 - y0) * (j + 0.5) / n);
    return pts;
}

struct EvidenceRow {
    const char* name;
    std::function<Layout()> layout;
    const char* reason;  // "" where the evidence carries a correction
};

const EvidenceRow kEvidence[] = {
    {"whole_frame",
     [] {
         return Layout{grid(0, 0, 640, 360, 10), {}, 4, 0};
     },
     ""},
    {"one_corner",
     [] {
         return Layout{grid(0, 0, 160, 90, 8), {}, 4, 0};
     },
     "cover only"},
    // A strip wide one way carries what that way fixes; a line does not.
    {"narrow_strip",
     [] {
         return Layout{grid(0, 160, 640, 200, 8), {}, 4, 0};
     },
     ""},
    {"a_line",
     [] {
         return Layout{grid(0, 178, 640, 183, 8), {}, 4, 0};
     },
     "crowded into"},
    {"small_square",
     [] {
         return Layout{grid(240, 120, 360, 190, 8), {}, 4, 0};
     },
     "crowded into"},
    // The right half's own pairs agree on a period (20 px) off; the whole fit kept only the left's.
    {"right_half_a_period_off",
     [] {
         return Layout{grid(0, 0, 300, 360, 10), grid(340, 0, 640, 360, 12), 4, -16};
     },
     "disagree by 20.0 px"},
    // A few strays in the right half are outvoted there, so the halves still agree.
    {"strays_outvoted",
     [] {
         return Layout{grid(0, 0, 640, 360, 10), grid(340, 0, 640, 360, 2), 4, -16};
     },
     ""},
};

class EvidenceRules : public ::testing::TestWithParam<EvidenceRow> {};

TEST_P(EvidenceRules, RefuseThinConcentratedOrInconsistentMatches) {
    const Evidence e = weighEvidence(matchesOf(GetParam().layout()), cv::Size(640, 360));
    const std::string why = refusalReason(e);
    if (!*GetParam().reason) {
        EXPECT_EQ(why, "");
        EXPECT_LT(e.disagreementPx, 0.01);
    } else {
        EXPECT_NE(why.find(GetParam().reason), std::string::npos) << why;
    }
}

INSTANTIATE_TEST_SUITE_P(Layouts, EvidenceRules, ::testing::ValuesIn(kEvidence),
                         [](const auto& row) { return std::string(row.param.name); });

// The left view against itself moved down 3 px: inside the pattern no row is unique, on the
// textured border nearly every row is (a smooth spot may not be).
TEST(Ambiguity, PairsOnARepeatedPatternSayNothingAboutTheVertical) {
    SynthSpec s;
    s.scene = SynthScene::Pattern, s.width = 640, s.height = 360, s.verticalPx = 0, s.rotationDeg = 0,
    s.scalePct = 0, s.nearPct = 0, s.farPct = 0;
    const cv::Mat left = lumaFromImage(makeSynthPair(s).left);
    cv::Mat right = cv::Mat::zeros(left.size(), left.type());
    left(cv::Rect(0, 0, left.cols, left.rows - 3)).copyTo(right(cv::Rect(0, 3, left.cols, left.rows - 3)));
    const std::vector<cv::Point2d> pattern = grid(200, 120, 440, 240, 4), border = grid(15, 60, 80, 300, 6);
    std::vector<cv::Point2d> pl = pattern, pr;
    pl.insert(pl.end(), border.begin(), border.end());
    for (const cv::Point2d& p : pl) pr.push_back(p + cv::Point2d(0, 3));
    const std::vector<char> unique = verticallyUnique(left, right, pl, pr);
    for (std::size_t i = 0; i < pattern.size(); ++i) EXPECT_FALSE(unique[i]) << pl[i];
    const auto onBorder = std::count(unique.begin() + long(pattern.size()), unique.end(), 1);
    EXPECT_GE(onBorder, long(border.size() * 8 / 10));
}

}  // namespace
