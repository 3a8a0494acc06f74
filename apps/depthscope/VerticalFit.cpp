#include "VerticalFit.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace depthscope {

double VerticalFit::rotationDeg() const {
    return std::atan2(b, a) * 180.0 / M_PI;
}

double VerticalFit::scale() const {
    return std::hypot(a, b);
}

cv::Point2d VerticalFit::map(cv::Point2d q) const {
    const cv::Point2d d = q - centre;
    return {centre.x + a * d.x - b * d.y, centre.y + b * d.x + a * d.y + ty};
}

bool fitVertical(const std::vector<cv::Point2d>& from, const std::vector<cv::Point2d>& to, cv::Point2d centre,
                 VerticalFit& fit) {
    if (from.size() < 3 || from.size() != to.size()) return false;
    // to.y - cy = a (q.y - cy) + b (q.x - cx) + ty, one row per pair.
    cv::Mat A(static_cast<int>(from.size()), 3, CV_64F), y(static_cast<int>(from.size()), 1, CV_64F);
    for (int i = 0; i < A.rows; ++i) {
        const auto k = static_cast<std::size_t>(i);
        A.at<double>(i, 0) = from[k].y - centre.y;
        A.at<double>(i, 1) = from[k].x - centre.x;
        A.at<double>(i, 2) = 1.0;
        y.at<double>(i, 0) = to[k].y - centre.y;
    }
    cv::Mat x;
    if (!cv::solve(A, y, x, cv::DECOMP_SVD)) return false;
    cv::Mat w;
    cv::SVD::compute(A, w);
    if (w.at<double>(2) <= 1e-9 * w.at<double>(0)) return false;  // collinear points
    fit.a = x.at<double>(0);
    fit.b = x.at<double>(1);
    fit.ty = x.at<double>(2);
    fit.centre = centre;
    return std::isfinite(fit.a) && std::isfinite(fit.b) && std::isfinite(fit.ty);
}

namespace {

template <class T>
std::vector<T> picked(const std::vector<T>& all, const std::vector<char>& keep) {
    std::vector<T> out;
    for (std::size_t i = 0; i < all.size(); ++i)
        if (keep[i]) out.push_back(all[i]);
    return out;
}

std::size_t countWithin(const VerticalFit& f, const std::vector<cv::Point2d>& from,
                        const std::vector<cv::Point2d>& to, double threshold, std::vector<char>* keep) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < from.size(); ++i) {
        const bool in = std::abs(f.residual(from[i], to[i])) <= threshold;
        n += in ? 1 : 0;
        if (keep) (*keep)[i] = in;
    }
    return n;
}

}  // namespace

bool fitVerticalRobust(const std::vector<cv::Point2d>& from, const std::vector<cv::Point2d>& to,
                       cv::Point2d centre, double thresholdPx, VerticalFit& fit, std::vector<char>& keep) {
    const std::size_t n = from.size();
    keep.assign(n, 0);
    if (n < 3 || n != to.size()) return false;
    std::mt19937 rng(12345);
    std::uniform_int_distribution<std::size_t> pick(0, n - 1);
    VerticalFit best;
    std::size_t bestCount = 0;
    for (int iter = 0; iter < 400; ++iter) {
        const std::size_t i = pick(rng), j = pick(rng), k = pick(rng);
        if (i == j || j == k || i == k) continue;
        VerticalFit f;
        if (!fitVertical({from[i], from[j], from[k]}, {to[i], to[j], to[k]}, centre, f)) continue;
        const std::size_t c = countWithin(f, from, to, thresholdPx, nullptr);
        if (c > bestCount) bestCount = c, best = f;
    }
    if (bestCount < 3) return false;
    countWithin(best, from, to, thresholdPx, &keep);
    // Refit on the consensus, then trim what a few robust deviations leave out, twice.
    for (int round = 0; round < 3; ++round) {
        if (!fitVertical(picked(from, keep), picked(to, keep), centre, best)) return false;
        std::vector<double> r;
        for (std::size_t i = 0; i < n; ++i)
            if (keep[i]) r.push_back(std::abs(best.residual(from[i], to[i])));
        std::nth_element(r.begin(), r.begin() + static_cast<long>(r.size() / 2), r.end());
        const double mad = r[r.size() / 2] * 1.4826;
        const double limit = std::min(thresholdPx, std::max(3.0 * mad, 0.02));
        if (countWithin(best, from, to, limit, &keep) < 3) return false;
    }
    fit = best;
    return fitVertical(picked(from, keep), picked(to, keep), centre, fit);
}

double verticalRms(const VerticalFit& fit, const std::vector<cv::Point2d>& from,
                   const std::vector<cv::Point2d>& to) {
    if (from.empty()) return 0.0;
    double sum = 0;
    for (std::size_t i = 0; i < from.size(); ++i) {
        const double r = fit.residual(from[i], to[i]);
        sum += r * r;
    }
    return std::sqrt(sum / static_cast<double>(from.size()));
}

}  // namespace depthscope
