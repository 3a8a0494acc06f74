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

namespace {

// The bends' terms at an offset from the centre, in units of the frame's half size.
std::array<double, 3> bendTerms(cv::Point2d d, cv::Point2d centre) {
    const double unit = std::max(1.0, std::max(centre.x, centre.y));
    const double u = d.x / unit, v = d.y / unit;
    return {u * u, u * v, v * v};
}

}  // namespace

cv::Point2d VerticalFit::map(cv::Point2d q) const {
    const cv::Point2d d = q - centre;
    const std::array<double, 3> t = bendTerms(d, centre);
    const double bent = bend[0] * t[0] + bend[1] * t[1] + bend[2] * t[2];
    return {centre.x + a * d.x - b * d.y, centre.y + b * d.x + a * d.y + ty + bent};
}

bool fitVertical(const std::vector<cv::Point2d>& from, const std::vector<cv::Point2d>& to, cv::Point2d centre,
                 VerticalFit& fit, bool bends) {
    const int terms = bends ? 6 : 3;
    if (from.size() < std::size_t(terms) || from.size() != to.size()) return false;
    // to.y - cy = a (q.y - cy) + b (q.x - cx) + ty [+ bends], one row per pair.
    cv::Mat A(static_cast<int>(from.size()), terms, CV_64F), y(static_cast<int>(from.size()), 1, CV_64F);
    for (int i = 0; i < A.rows; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const cv::Point2d d = from[k] - centre;
        A.at<double>(i, 0) = d.y;
        A.at<double>(i, 1) = d.x;
        A.at<double>(i, 2) = 1.0;
        if (bends) {
            const std::array<double, 3> t = bendTerms(d, centre);
            for (int j = 0; j < 3; ++j) A.at<double>(i, 3 + j) = t[static_cast<std::size_t>(j)];
        }
        y.at<double>(i, 0) = to[k].y - centre.y;
    }
    cv::Mat x;
    if (!cv::solve(A, y, x, cv::DECOMP_SVD)) return false;
    cv::Mat w;
    cv::SVD::compute(A, w);
    if (w.at<double>(terms - 1) <= 1e-9 * w.at<double>(0)) return false;  // the points do not fix it
    fit.a = x.at<double>(0);
    fit.b = x.at<double>(1);
    fit.ty = x.at<double>(2);
    fit.bend = {};
    for (int j = 0; bends && j < 3; ++j) fit.bend[static_cast<std::size_t>(j)] = x.at<double>(3 + j);
    fit.centre = centre;
    for (int j = 0; j < terms; ++j)
        if (!std::isfinite(x.at<double>(j))) return false;
    return true;
}

namespace {

constexpr std::size_t kMinPairsForBends = 30;

// A lens bends the rows by a few pixels across the frame; a fit that bends them by much more
// is following pairs matched on a pattern a period off, or noise in a corner.
bool plausible(const VerticalFit& f) {
    const double limit = 0.06 * std::max(1.0, 2 * f.centre.y);
    return std::abs(f.bend[0]) + std::abs(f.bend[1]) + std::abs(f.bend[2]) <= limit;
}

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
                       cv::Point2d centre, double thresholdPx, VerticalFit& fit, std::vector<char>& keep,
                       bool bends) {
    const std::size_t n = from.size();
    keep.assign(n, 0);
    if (n < 3 || n != to.size()) return false;
    // The bends rest on many pairs only; on a few they would follow the noise. With them the
    // samples are six pairs, so that the consensus can reach across a bent frame.
    bends = bends && n >= kMinPairsForBends;
    const std::size_t sample = bends ? 6 : 3;
    std::mt19937 rng(12345);
    std::uniform_int_distribution<std::size_t> pick(0, n - 1);
    VerticalFit best;
    std::size_t bestCount = 0;
    std::vector<cv::Point2d> sf(sample), st(sample);
    for (int iter = 0; iter < (bends ? 800 : 400); ++iter) {
        std::vector<std::size_t> idx;
        while (idx.size() < sample) {
            const std::size_t i = pick(rng);
            if (std::find(idx.begin(), idx.end(), i) == idx.end()) idx.push_back(i);
        }
        for (std::size_t j = 0; j < sample; ++j) sf[j] = from[idx[j]], st[j] = to[idx[j]];
        VerticalFit f;
        if (!fitVertical(sf, st, centre, f, bends) || !plausible(f)) continue;
        const std::size_t c = countWithin(f, from, to, thresholdPx, nullptr);
        if (c > bestCount) bestCount = c, best = f;
    }
    if (bestCount < 3) return false;
    countWithin(best, from, to, thresholdPx, &keep);
    // Refit on the consensus, then trim what a few robust deviations leave out, twice.
    for (int round = 0; round < 3; ++round) {
        if (!fitVertical(picked(from, keep), picked(to, keep), centre, best, bends) || !plausible(best))
            return false;
        std::vector<double> r;
        for (std::size_t i = 0; i < n; ++i)
            if (keep[i]) r.push_back(std::abs(best.residual(from[i], to[i])));
        std::nth_element(r.begin(), r.begin() + static_cast<long>(r.size() / 2), r.end());
        const double mad = r[r.size() / 2] * 1.4826;
        const double limit = std::min(thresholdPx, std::max(3.0 * mad, 0.02));
        if (countWithin(best, from, to, limit, &keep) < 3) return false;
    }
    fit = best;
    return fitVertical(picked(from, keep), picked(to, keep), centre, fit, bends) && plausible(fit);
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
