#include "Matching.h"

#include "Ambiguity.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/features2d.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
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

// The strongest corners of each cell of a grid: a high-contrast pattern in one part of the frame
// must not take every feature, or the rest of the frame has no say.
std::vector<cv::KeyPoint> spreadOut(std::vector<cv::KeyPoint> points, cv::Size view) {
    constexpr int kGrid = 8, kPerCell = 4000 / (kGrid * kGrid);
    std::vector<std::vector<cv::KeyPoint>> cells(kGrid * kGrid);
    for (const cv::KeyPoint& k : points) {
        const int cx = std::clamp(int(k.pt.x) * kGrid / view.width, 0, kGrid - 1);
        const int cy = std::clamp(int(k.pt.y) * kGrid / view.height, 0, kGrid - 1);
        cells[static_cast<std::size_t>(cy * kGrid + cx)].push_back(k);
    }
    points.clear();
    for (auto& cell : cells) {
        cv::KeyPointsFilter::retainBest(cell, kPerCell);
        points.insert(points.end(), cell.begin(), cell.end());
    }
    return points;
}

Features detect(const cv::Mat& view) {
    cv::Mat bytes;
    view.convertTo(bytes, CV_8U);
    static const cv::Ptr<cv::ORB> orb =
        cv::ORB::create(30000, 1.2f, 8, 31, 0, 2, cv::ORB::HARRIS_SCORE, 31, 10);
    Features f;
    orb->detect(bytes, f.points);
    f.points = spreadOut(std::move(f.points), view.size());
    orb->compute(bytes, f.points, f.descriptors);
    return f;
}

// The best match of each descriptor, where it is clearly better than the second best.
std::vector<int> bestMatches(const cv::Mat& from, const cv::Mat& to) {
    std::vector<int> best(static_cast<std::size_t>(from.rows), -1);
    cv::BFMatcher matcher(cv::NORM_HAMMING);
    std::vector<std::vector<cv::DMatch>> knn;
    matcher.knnMatch(from, to, knn, 2);
    for (const auto& m : knn)
        if (m.size() == 2 && m[0].distance < 0.8f * m[1].distance)
            best[static_cast<std::size_t>(m[0].queryIdx)] = m[0].trainIdx;
    return best;
}

// The pairs that pass the ratio test both ways and choose each other.
void pairUp(const Features& l, const Features& r, std::vector<cv::Point2d>& pl,
            std::vector<cv::Point2d>& pr) {
    if (l.descriptors.empty() || r.descriptors.empty()) return;
    const std::vector<int> forward = bestMatches(l.descriptors, r.descriptors);
    const std::vector<int> backward = bestMatches(r.descriptors, l.descriptors);
    for (std::size_t i = 0; i < forward.size(); ++i) {
        const int j = forward[i];
        if (j < 0 || backward[static_cast<std::size_t>(j)] != static_cast<int>(i)) continue;
        pl.emplace_back(l.points[i].pt);
        pr.emplace_back(r.points[static_cast<std::size_t>(j)].pt);
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
    keepPairs(m, verticallyUnique(left, right, m.left, m.right));
    m.candidateLeft = m.left;
    m.candidateRight = m.right;
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
