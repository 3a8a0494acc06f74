#include "Cells.h"

#include <algorithm>
#include <array>

namespace depthscope {

int cellOf(cv::Point2d p, cv::Size view) {
    const int cx = std::clamp(int(p.x * kCoverageGrid / std::max(1, view.width)), 0, kCoverageGrid - 1);
    const int cy = std::clamp(int(p.y * kCoverageGrid / std::max(1, view.height)), 0, kCoverageGrid - 1);
    return cy * kCoverageGrid + cx;
}

std::vector<double> cellWeights(const std::vector<cv::Point2d>& points, cv::Size view) {
    std::array<int, kCoverageGrid * kCoverageGrid> counts{};
    for (const cv::Point2d& p : points) ++counts[static_cast<std::size_t>(cellOf(p, view))];
    std::vector<int> occupied;
    for (int c : counts)
        if (c > 0) occupied.push_back(c);
    if (occupied.empty()) return {};
    std::nth_element(occupied.begin(), occupied.begin() + long(occupied.size() / 2), occupied.end());
    const double cap = occupied[occupied.size() / 2];
    std::vector<double> w;
    w.reserve(points.size());
    for (const cv::Point2d& p : points) {
        const double n = counts[static_cast<std::size_t>(cellOf(p, view))];
        w.push_back(std::min(n, cap) / n);
    }
    return w;
}

}  // namespace depthscope
