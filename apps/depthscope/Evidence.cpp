#include "Evidence.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

namespace depthscope {

namespace {

constexpr double kMinCoverage = 0.125;  // two cells of the grid's sixteen
constexpr double kMinSpread = 0.20;     // of the width and of the height
constexpr int kMinCellPairs = 2;        // one pair in a cell may be chance
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
        const int cx = std::clamp(int(p.x * kCoverageGrid / view.width), 0, kCoverageGrid - 1);
        const int cy = std::clamp(int(p.y * kCoverageGrid / view.height), 0, kCoverageGrid - 1);
        ++cells[static_cast<std::size_t>(cy * kCoverageGrid + cx)];
        ++e.inliers[static_cast<std::size_t>((2 * cy / kCoverageGrid) * 2 + 2 * cx / kCoverageGrid)];
        xs.push_back(p.x);
        ys.push_back(p.y);
    }
    for (std::size_t i = 0; i < cells.size(); ++i) e.held[i] = cells[i] >= kMinCellPairs;
    e.coverage = double(std::count(e.held.begin(), e.held.end(), true)) / double(cells.size());
    e.spreadX = span(xs, view.width);
    e.spreadY = span(ys, view.height);
}

// Each half of the frame is fitted from its own candidate pairs, not only from the ones the
// whole fit kept, and compared with the whole fit.
void weighHalves(const EyeMatches& m, cv::Size view, Evidence& e) {
    const double cx = view.width / 2.0, cy = view.height / 2.0;
    const std::function<bool(cv::Point2d)> halves[] = {
        [&](cv::Point2d p) { return p.x < cx; }, [&](cv::Point2d p) { return p.x >= cx; },
        [&](cv::Point2d p) { return p.y < cy; }, [&](cv::Point2d p) { return p.y >= cy; }};
    for (const auto& inHalf : halves) {
        std::vector<cv::Point2d> from, to;
        for (std::size_t i = 0; i < m.candidateLeft.size(); ++i)
            if (inHalf(m.candidateLeft[i]))
                from.push_back(m.candidateRight[i]), to.push_back(m.candidateLeft[i]);
        if (from.size() < kMinHalfPairs) continue;
        VerticalFit own;
        std::vector<char> keep;
        if (!fitVerticalRobust(from, to, m.fit.centre, 2.0, own, keep)) continue;
        if (std::size_t(std::count(keep.begin(), keep.end(), 1)) < kMinHalfPairs) continue;
        // Compared where the half's pairs are on average: a period off moves the whole half, while
        // lens distortion the fits cannot follow mostly bends its far corners.
        cv::Point2d centre(0, 0);
        for (std::size_t i = 0; i < from.size(); ++i)
            if (keep[i]) centre += from[i];
        centre /= double(std::count(keep.begin(), keep.end(), 1));
        ++e.halvesCompared;
        e.disagreementPx = std::max(e.disagreementPx, std::abs(own.map(centre).y - m.fit.map(centre).y));
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

std::string refusalReason(const Evidence& e) {
    char line[200];
    if (e.coverage < kMinCoverage) {
        std::snprintf(line, sizeof line, "the matches cover only %.0f %% of the frame (need %.0f %%)",
                      e.coverage * 100, kMinCoverage * 100);
        return line;
    }
    if (std::min(e.spreadX, e.spreadY) < kMinSpread) {
        std::snprintf(
            line, sizeof line,
            "the matches are crowded into %.0f %% of the width and %.0f %% of the height (need %.0f %%)",
            e.spreadX * 100, e.spreadY * 100, kMinSpread * 100);
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
