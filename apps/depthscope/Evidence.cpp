#include "Evidence.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

namespace depthscope {

namespace {

constexpr double kMinCoverage = 0.125;  // two cells of the grid's sixteen
constexpr double kMinSpread = 0.20;     // of the width or height, to fix the terms that need it
// With one way under kMinSpread, the other must reach this far (a textured corner spreads less
// both ways), and the narrow way at least kMinNarrowSpread (not a line of matches).
constexpr double kMinWideSpread = 0.30;
constexpr double kMinNarrowSpread = 0.05;
constexpr int kMinCellPairs = 2;  // one pair in a cell may be chance
constexpr std::size_t kMinHalfPairs = 10;

double span(std::vector<double> v, double size) {
    if (v.size() < 2 || size <= 0) return 0;
    std::sort(v.begin(), v.end());
    const auto at = [&](double p) {
        return v[static_cast<std::size_t>(std::lround(p * double(v.size() - 1)))];
    };
    return (at(0.9) - at(0.1)) / size;
}

void weighCoverage(const EyeMatches& m, cv::Size view, Evidence& e) {
    std::array<int, kCoverageGrid * kCoverageGrid> cells{};
    std::vector<double> xs, ys;
    for (const cv::Point2d& p : m.left) {
        const int cell = cellOf(p, view);
        const int cx = cell % kCoverageGrid, cy = cell / kCoverageGrid;
        ++cells[static_cast<std::size_t>(cell)];
        ++e.inliers[static_cast<std::size_t>((2 * cy / kCoverageGrid) * 2 + 2 * cx / kCoverageGrid)];
        xs.push_back(p.x);
        ys.push_back(p.y);
    }
    for (std::size_t i = 0; i < cells.size(); ++i) e.held[i] = cells[i] >= kMinCellPairs;
    e.coverage = double(std::count(e.held.begin(), e.held.end(), true)) / double(cells.size());
    e.spreadX = span(xs, view.width);
    e.spreadY = span(ys, view.height);
}

// Where each half's candidate pairs sit against the whole fit: the median of their vertical
// residuals, taken over all the half's candidates and not only the ones the fit kept. A
// pattern matched a period off moves the whole half by the period; the whole fit follows a
// real lens's bends, so on a real rig the halves stay near it.
void weighHalves(const EyeMatches& m, cv::Size view, Evidence& e) {
    const double cx = view.width / 2.0, cy = view.height / 2.0;
    const std::function<bool(cv::Point2d)> halves[] = {
        [&](cv::Point2d p) { return p.x < cx; }, [&](cv::Point2d p) { return p.x >= cx; },
        [&](cv::Point2d p) { return p.y < cy; }, [&](cv::Point2d p) { return p.y >= cy; }};
    for (const auto& inHalf : halves) {
        std::vector<double> r;
        for (std::size_t i = 0; i < m.candidateLeft.size(); ++i)
            if (inHalf(m.candidateLeft[i]))
                r.push_back(m.fit.residual(m.candidateRight[i], m.candidateLeft[i]));
        if (r.size() < kMinHalfPairs) continue;
        std::nth_element(r.begin(), r.begin() + long(r.size() / 2), r.end());
        ++e.halvesCompared;
        e.disagreementPx = std::max(e.disagreementPx, std::abs(r[r.size() / 2]));
    }
}

}  // namespace

Evidence weighEvidence(const EyeMatches& m, cv::Size view) {
    Evidence e;
    // Half fits rest on unrefined feature positions: a pixel of noise at a half's far corner is
    // no disagreement; a period of a pattern is.
    e.disagreementLimitPx = std::max(3.0, 0.004 * view.height);
    weighCoverage(m, view, e);
    weighHalves(m, view, e);
    return e;
}

FitReach reachOf(const Evidence& e) {
    return {e.spreadX >= kMinSpread, e.spreadY >= kMinSpread};
}

std::string refusalReason(const Evidence& e) {
    char line[200];
    if (e.coverage < kMinCoverage) {
        std::snprintf(line, sizeof line, "the matches cover only %.0f %% of the frame (need %.0f %%)",
                      e.coverage * 100, kMinCoverage * 100);
        return line;
    }
    const double narrow = std::min(e.spreadX, e.spreadY), wide = std::max(e.spreadX, e.spreadY);
    if (narrow < kMinSpread && (wide < kMinWideSpread || narrow < kMinNarrowSpread)) {
        std::snprintf(
            line, sizeof line,
            "the matches are crowded into %.0f %% of the width and %.0f %% of the height (need %.0f %% "
            "both ways, or %.0f %% one way and %.0f %% the other)",
            e.spreadX * 100, e.spreadY * 100, kMinSpread * 100, kMinWideSpread * 100, kMinNarrowSpread * 100);
        return line;
    }
    if (e.disagreementPx > e.disagreementLimitPx) {
        std::snprintf(line, sizeof line,
                      "the frame's halves disagree by %.1f px (limit %.1f px): a repeated pattern matched "
                      "off by a period?",
                      e.disagreementPx, e.disagreementLimitPx);
        return line;
    }
    return {};
}

}  // namespace depthscope
