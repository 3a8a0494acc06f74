#include "EyeFit.h"

#include "Cells.h"
#include "Correction.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <set>

namespace depthscope {

using namespace duovis;

namespace {

constexpr std::size_t kTerms = std::size(kFitParams);
using Step = std::array<double, kTerms>;

// Central-difference steps: percent of the height, degrees, base-2 exponent, degrees, degrees.
// The keystones' are larger, as the effect composes them in single precision.
constexpr Step kSteps = {0.002, 0.002, 2e-5, 0.05, 0.05};

// A keystone must lower the held-out error by this share for each one added.
constexpr double kKeystonePenalty = 0.1;
// Leaving one cell out must leave enough of the frame to fit on.
constexpr int kMinCellsToCompare = 4;
constexpr int kIterations = 3;

struct Pairs {
    EyeSize eye;
    const std::vector<cv::Point2d>& left;
    const std::vector<cv::Point2d>& right;
};

// The displayed right eye's rows minus the left's, pair by pair; `valid` false where either
// point falls behind the viewer.
std::vector<double> residuals(const ParamValues& v, const Pairs& p, std::vector<char>& valid) {
    const StereoGeometry g = displayGeometry(v, p.eye);
    std::vector<double> r(p.left.size(), 0.0);
    valid.assign(p.left.size(), 1);
    for (std::size_t i = 0; i < r.size(); ++i) {
        bool okL = false, okR = false;
        const double yl = mapThrough(g.forwardL, p.left[i], okL).y;
        const double yr = mapThrough(g.forwardR, p.right[i], okR).y;
        valid[i] = okL && okR && std::isfinite(yl) && std::isfinite(yr);
        if (valid[i]) r[i] = yr - yl;
    }
    return r;
}

// The residuals at `v` and how each of the fit's parameters moves them.
struct Linearised {
    std::vector<double> r;
    cv::Mat J;  // one row per pair, one column per parameter
    std::vector<char> valid;
};

Linearised linearise(const ParamValues& v, const Pairs& p) {
    Linearised L;
    L.r = residuals(v, p, L.valid);
    L.J = cv::Mat::zeros(static_cast<int>(L.r.size()), int(kTerms), CV_64F);
    for (std::size_t k = 0; k < kTerms; ++k) {
        ParamValues up = v, down = v;
        up[kFitParams[k]] += kSteps[k];
        down[kFitParams[k]] -= kSteps[k];
        std::vector<char> okUp, okDown;
        const std::vector<double> ru = residuals(up, p, okUp), rd = residuals(down, p, okDown);
        for (std::size_t i = 0; i < L.r.size(); ++i) {
            L.valid[i] = L.valid[i] && okUp[i] && okDown[i];
            L.J.at<double>(int(i), int(k)) = (ru[i] - rd[i]) / (2 * kSteps[k]);
        }
    }
    return L;
}

// The weighted least-squares step over the rows `use` allows, in the model's parameters; false
// where those rows do not fix them.
bool solveStep(const Linearised& L, const std::vector<double>& w, const std::vector<char>& use,
               FitModel model, FitReach reach, Step& step) {
    std::vector<int> cols;
    for (std::size_t k = 0; k < kTerms; ++k)
        if (modelFits(model, k, reach)) cols.push_back(int(k));
    const int m = int(cols.size());
    cv::Mat A = cv::Mat::zeros(m, m, CV_64F), b = cv::Mat::zeros(m, 1, CV_64F);
    for (int i = 0; i < L.J.rows; ++i) {
        const auto u = static_cast<std::size_t>(i);
        if (!use[u] || !L.valid[u]) continue;
        for (int a = 0; a < m; ++a) {
            const double ja = L.J.at<double>(i, cols[std::size_t(a)]);
            b.at<double>(a) -= w[u] * ja * L.r[u];
            for (int c = 0; c < m; ++c)
                A.at<double>(a, c) += w[u] * ja * L.J.at<double>(i, cols[std::size_t(c)]);
        }
    }
    // Columns scaled to unit size, so the units of the parameters do not decide the conditioning.
    cv::Mat scale(m, 1, CV_64F);
    for (int a = 0; a < m; ++a)
        scale.at<double>(a) = A.at<double>(a, a) > 0 ? 1 / std::sqrt(A.at<double>(a, a)) : 0;
    const cv::Mat D = cv::Mat::diag(scale);
    const cv::Mat As = D * A * D;
    cv::Mat sv;
    cv::SVD::compute(As, sv);
    if (sv.at<double>(m - 1) <= 1e-9 * sv.at<double>(0)) return false;
    cv::Mat x;
    if (!cv::solve(As, D * b, x, cv::DECOMP_SVD)) return false;
    x = D * x;
    step.fill(0.0);
    for (int a = 0; a < m; ++a) step[std::size_t(cols[std::size_t(a)])] = x.at<double>(a);
    return std::all_of(step.begin(), step.end(), [](double s) { return std::isfinite(s); });
}

// The model's weighted rms on each cell's pairs when fitted on the other cells' pairs;
// infinite where some fold leaves the model unfixed.
double heldOutRms(const Linearised& L, const std::vector<double>& w, const std::vector<int>& cells,
                  FitModel model, FitReach reach) {
    const std::set<int> occupied(cells.begin(), cells.end());
    double err = 0, weight = 0;
    for (const int held : occupied) {
        std::vector<char> use(cells.size());
        for (std::size_t i = 0; i < cells.size(); ++i) use[i] = cells[i] != held;
        Step step;
        if (!solveStep(L, w, use, model, reach, step)) return std::numeric_limits<double>::infinity();
        for (std::size_t i = 0; i < cells.size(); ++i) {
            if (use[i] || !L.valid[i]) continue;
            double r = L.r[i];
            for (std::size_t k = 0; k < kTerms; ++k) r += L.J.at<double>(int(i), int(k)) * step[k];
            err += w[i] * r * r;
            weight += w[i];
        }
    }
    return weight > 0 ? std::sqrt(err / weight) : std::numeric_limits<double>::infinity();
}

int keystonesIn(FitModel m) {
    return int(modelFits(m, 3)) + int(modelFits(m, 4));
}

ParamValues gaussNewton(ParamValues v, const Pairs& p, const std::vector<double>& w, FitModel model,
                        FitReach reach) {
    // No pairs, or eyes that do not pair up, leave the values as they are.
    if (p.left.empty() || p.left.size() != p.right.size() || w.size() != p.left.size()) return v;
    const std::vector<char> all(p.left.size(), 1);
    for (int it = 0; it < kIterations; ++it) {
        Step step;
        if (!solveStep(linearise(v, p), w, all, model, reach, step)) break;
        for (std::size_t k = 0; k < kTerms; ++k) v[kFitParams[k]] += step[k];
    }
    return v;
}

std::vector<double> weightsOf(const Pairs& p) {
    return cellWeights(p.left, cv::Size(p.eye.width, p.eye.height));
}

}  // namespace

cv::Point2d mapThrough(const EyeTransform& t, cv::Point2d p, bool& ok) {
    const double w = t.m13 * p.x + t.m23 * p.y + t.m33;
    ok = w > 0;
    return {(t.m11 * p.x + t.m21 * p.y + t.m31) / w, (t.m12 * p.x + t.m22 * p.y + t.m32) / w};
}

bool modelFits(FitModel model, std::size_t k, FitReach reach) {
    switch (k) {
        case 0:
            return true;
        case 1:
            return reach.acrossX;
        case 2:
            return reach.acrossY;
        case 3:
            return reach.acrossX && reach.acrossY && (model == kKeystoneH || model == kKeystones);
        case 4:
            return reach.acrossY && (model == kKeystoneV || model == kKeystones);
    }
    return false;
}

bool EyeFit::fitted(std::size_t k) const {
    return modelFits(model, k, reach);
}

EyeFit fitRightEye(const ParamValues& current, EyeSize eye, const std::vector<cv::Point2d>& left,
                   const std::vector<cv::Point2d>& right, FitReach reach) {
    const Pairs p{eye, left, right};
    const std::vector<double> w = weightsOf(p);
    EyeFit f;
    f.reach = reach;
    std::vector<int> cells;
    for (const cv::Point2d& q : left) cells.push_back(cellOf(q, cv::Size(eye.width, eye.height)));
    f.compared = left.size() == right.size() && w.size() == left.size() &&
                 int(std::set<int>(cells.begin(), cells.end()).size()) >= kMinCellsToCompare;
    if (f.compared) {
        const Linearised L = linearise(current, p);
        double best = std::numeric_limits<double>::infinity();
        for (int m = kPlain; m < kFitModels; ++m) {
            f.heldOutPx[std::size_t(m)] = heldOutRms(L, w, cells, FitModel(m), reach);
            const double score =
                f.heldOutPx[std::size_t(m)] * (1 + kKeystonePenalty * keystonesIn(FitModel(m)));
            if (score < best) best = score, f.model = FitModel(m);
        }
    }
    f.values = gaussNewton(current, p, w, f.model, reach);
    return f;
}

ParamValues refitRightEye(const ParamValues& current, EyeSize eye, const std::vector<cv::Point2d>& left,
                          const std::vector<cv::Point2d>& right, FitModel model, FitReach reach) {
    const Pairs p{eye, left, right};
    return gaussNewton(current, p, weightsOf(p), model, reach);
}

}  // namespace depthscope
