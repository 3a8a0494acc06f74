#include "Matching.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/features2d.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>

namespace depthscope {

namespace {

constexpr int kPatch = 32;                       // phase-correlation window, pixels
constexpr double kHalf = (kPatch - 1) / 2.0;     // its centre
constexpr double kMinResponse = 0.15;            // weaker peaks are texture-less or occluded
constexpr double kMaxPatchShift = kPatch / 4.0;  // a larger jump is a different feature

struct Features {
    std::vector<cv::KeyPoint> points;
    cv::Mat descriptors;
};

Features detect(const cv::Mat& view) {
    cv::Mat bytes;
    view.convertTo(bytes, CV_8U);
    static const cv::Ptr<cv::ORB> orb =
        cv::ORB::create(4000, 1.2f, 8, 31, 0, 2, cv::ORB::HARRIS_SCORE, 31, 10);
    Features f;
    orb->detectAndCompute(bytes, cv::noArray(), f.points, f.descriptors);
    return f;
}

// The pairs whose best match is clearly better than the second best.
void pairUp(const Features& l, const Features& r, std::vector<cv::Point2d>& pl,
            std::vector<cv::Point2d>& pr) {
    if (l.descriptors.empty() || r.descriptors.empty()) return;
    cv::BFMatcher matcher(cv::NORM_HAMMING);
    std::vector<std::vector<cv::DMatch>> knn;
    matcher.knnMatch(l.descriptors, r.descriptors, knn, 2);
    for (const auto& m : knn) {
        if (m.size() < 2 || m[0].distance >= 0.8f * m[1].distance) continue;
        pl.emplace_back(l.points[static_cast<std::size_t>(m[0].queryIdx)].pt);
        pr.emplace_back(r.points[static_cast<std::size_t>(m[0].trainIdx)].pt);
    }
}

template <class T>
void keepOnly(std::vector<T>& v, const std::vector<char>& keep) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < v.size(); ++i)
        if (keep[i]) v[n++] = v[i];
    v.resize(n);
}

void keepPairs(EyeMatches& m, const std::vector<char>& keep) {
    keepOnly(m.left, keep);
    keepOnly(m.right, keep);
}

// Epipolar consistency: a pair at any depth passes, a pair joining unrelated features rarely.
void rejectByEpipolar(EyeMatches& m) {
    if (m.left.size() < 8) return;
    std::vector<cv::Point2f> l(m.left.begin(), m.left.end()), r(m.right.begin(), m.right.end());
    cv::Mat inliers;
    const cv::Mat F = cv::findFundamentalMat(l, r, cv::FM_RANSAC, 1.5, 0.999, inliers);
    if (F.empty() || inliers.empty()) return;
    keepPairs(m, std::vector<char>(inliers.begin<uchar>(), inliers.end<uchar>()));
}

// The inverse of the fit as a 2x3 matrix: left-view point to right-view point.
cv::Matx23d leftToRight(const VerticalFit& f) {
    const double det = f.a * f.a + f.b * f.b;
    const double ia = f.a / det, ib = -f.b / det;  // inverse of [[a,-b],[b,a]] is [[ia,-ib],[ib,ia]]
    const double cx = f.centre.x, cy = f.centre.y + f.ty;
    // r = centre + inv (q - (cx, cy))
    return {ia, -ib, f.centre.x - ia * cx + ib * cy, ib, ia, f.centre.y - ib * cx - ia * cy};
}

cv::Point2d apply(const cv::Matx23d& m, cv::Point2d p) {
    return {m(0, 0) * p.x + m(0, 1) * p.y + m(0, 2), m(1, 0) * p.x + m(1, 1) * p.y + m(1, 2)};
}

bool inside(const cv::Mat& view, cv::Point2d p, double margin) {
    return p.x >= margin && p.y >= margin && p.x <= view.cols - 1 - margin && p.y <= view.rows - 1 - margin;
}

// One refinement pass: for each left anchor, the right patch is resampled into the left
// frame through the fit (with the pair's own horizontal offset), and the remaining shift
// found by phase correlation moves the right point. Pairs without a clear peak are dropped.
void refinePairs(const cv::Mat& left, const cv::Mat& right, EyeMatches& m) {
    const cv::Matx23d toRight = leftToRight(m.fit);
    static const cv::Mat window = [] {
        cv::Mat w;
        cv::createHanningWindow(w, cv::Size(kPatch, kPatch), CV_32F);
        return w;
    }();
    std::vector<char> keep(m.left.size(), 0);
    cv::Mat pl, pr;
    for (std::size_t i = 0; i < m.left.size(); ++i) {
        const cv::Point2d l = m.left[i];
        const double disparity = m.fit.map(m.right[i]).x - l.x;
        const cv::Point2d origin(l.x + disparity - kHalf, l.y - kHalf);  // right patch, left frame
        const cv::Point2d r0 = apply(toRight, origin);
        const cv::Point2d r1 = apply(toRight, origin + cv::Point2d(kPatch, kPatch));
        if (!inside(left, l, kHalf + 1) || !inside(right, r0, 1) || !inside(right, r1, 1)) continue;
        const cv::Matx23d leftPatch(1, 0, l.x - kHalf, 0, 1, l.y - kHalf);
        cv::Matx23d rightPatch = toRight;  // patch (u, v) to the right view at origin + (u, v)
        rightPatch(0, 2) = r0.x;
        rightPatch(1, 2) = r0.y;
        cv::warpAffine(left, pl, leftPatch, cv::Size(kPatch, kPatch),
                       cv::INTER_LINEAR | cv::WARP_INVERSE_MAP);
        cv::warpAffine(right, pr, rightPatch, cv::Size(kPatch, kPatch),
                       cv::INTER_LINEAR | cv::WARP_INVERSE_MAP);
        double response = 0;
        const cv::Point2d shift = cv::phaseCorrelate(pl, pr, window, &response);
        if (response < kMinResponse || std::hypot(shift.x, shift.y) > kMaxPatchShift) continue;
        // The left feature sits `shift` further on in the resampled right patch.
        m.right[i] = apply(toRight, cv::Point2d(l.x + disparity + shift.x, l.y + shift.y));
        keep[i] = 1;
    }
    keepPairs(m, keep);
}

bool robustFit(EyeMatches& m, double thresholdPx) {
    std::vector<char> keep;
    if (!fitVerticalRobust(m.right, m.left, m.fit.centre, thresholdPx, m.fit, keep)) return false;
    keepPairs(m, keep);
    return true;
}

}  // namespace

bool matchEyes(const cv::Mat& left, const cv::Mat& right, EyeMatches& out, std::string& error) {
    EyeMatches m;
    const Features fl = detect(left), fr = detect(right);
    m.keypointsLeft = static_cast<int>(fl.points.size());
    m.keypointsRight = static_cast<int>(fr.points.size());
    pairUp(fl, fr, m.left, m.right);
    m.matches = static_cast<int>(m.left.size());
    m.fit.centre = cv::Point2d(left.cols / 2, left.rows / 2);
    const auto tooFew = [&](const std::string& stage) {
        error = "too few matches between the eyes" + stage + " (" + std::to_string(m.left.size()) +
                ", need " + std::to_string(kMinPairs) + "): is the picture flat or are the eyes unrelated?";
        return false;
    };
    if (m.matches < kMinPairs) return tooFew("");
    rejectByEpipolar(m);
    if (m.left.size() < std::size_t(kMinPairs) || !robustFit(m, 2.0))
        return tooFew(" after outlier rejection");
    for (int pass = 0; pass < 3; ++pass) {
        refinePairs(left, right, m);
        if (m.left.size() < std::size_t(kMinPairs) || !robustFit(m, pass == 0 ? 1.0 : 0.5))
            return tooFew(" after subpixel refinement");
    }
    out = std::move(m);
    return true;
}

}  // namespace depthscope
