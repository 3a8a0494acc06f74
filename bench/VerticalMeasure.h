// The benchmarks' own measure of a pair's vertical disparity, apart from the parallax tool's
// code: OpenCV's SIFT matches refined by phase correlation, or, finer, corners of the left eye
// tracked into the right by Lucas-Kanade (seeded by the SIFT matches, checked by tracking back);
// and the misalignment they add.
#pragma once

#include <opencv2/features2d.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace benchmeasure {

inline cv::Mat bytes(const cv::Mat& luma) {
    cv::Mat b;
    luma.convertTo(b, CV_8U);
    return b;
}

struct Pair {
    cv::Point2f left, right;
};

// SIFT matches that pass Lowe's ratio test both ways, choose each other and stay within 30 rows.
inline std::vector<Pair> siftPairs(const cv::Mat& left, const cv::Mat& right) {
    const cv::Ptr<cv::SIFT> sift = cv::SIFT::create(3000);
    std::vector<cv::KeyPoint> kl, kr;
    cv::Mat dl, dr;
    sift->detectAndCompute(bytes(left), cv::noArray(), kl, dl);
    sift->detectAndCompute(bytes(right), cv::noArray(), kr, dr);
    std::vector<Pair> pairs;
    if (dl.empty() || dr.empty()) return pairs;
    cv::BFMatcher matcher(cv::NORM_L2);
    const auto best = [&](const cv::Mat& a, const cv::Mat& b) {
        std::vector<std::vector<cv::DMatch>> knn;
        matcher.knnMatch(a, b, knn, 2);
        std::vector<int> to(std::size_t(a.rows), -1);
        for (const auto& m : knn)
            if (m.size() == 2 && m[0].distance < 0.7f * m[1].distance)
                to[std::size_t(m[0].queryIdx)] = m[0].trainIdx;
        return to;
    };
    const std::vector<int> forward = best(dl, dr), backward = best(dr, dl);
    for (std::size_t i = 0; i < forward.size(); ++i) {
        if (forward[i] < 0 || backward[std::size_t(forward[i])] != int(i)) continue;
        const Pair p{kl[i].pt, kr[std::size_t(forward[i])].pt};
        if (std::abs(p.left.y - p.right.y) <= 30) pairs.push_back(p);
    }
    return pairs;
}

// Right minus left vertical offsets of the SIFT matches, each refined by phase correlation of
// small patches (small, so that few straddle two depths). Float luma in.
inline std::vector<double> verticalDisparities(const cv::Mat& left, const cv::Mat& right) {
    cv::Mat window;
    constexpr int kPatch = 20;
    cv::createHanningWindow(window, cv::Size(kPatch, kPatch), CV_32F);
    std::vector<double> dy;
    for (const Pair& p : siftPairs(left, right)) {
        const cv::Point2f a = p.left, b = p.right;
        const cv::Rect pa(int(a.x) - kPatch / 2, int(a.y) - kPatch / 2, kPatch, kPatch),
            pb(int(b.x) - kPatch / 2, int(b.y) - kPatch / 2, kPatch, kPatch);
        const cv::Rect frame(0, 0, left.cols, left.rows);
        if ((pa & frame) != pa || (pb & frame) != pb) continue;
        double response = 0;
        // Copies: with a window, OpenCV's phase correlation writes into its inputs.
        const cv::Point2d s = cv::phaseCorrelate(left(pa).clone(), right(pb).clone(), window, &response);
        if (response < 0.5 || std::abs(s.y) > 2) continue;
        dy.push_back((pb.y - pa.y) - s.y);
    }
    return dy;
}

// Corners of the left eye, spread over the frame, to track.
inline std::vector<cv::Point2f> leftCorners(const cv::Mat& left) {
    std::vector<cv::Point2f> corners;
    cv::goodFeaturesToTrack(bytes(left), corners, 6000, 0.005, 6);
    return corners;
}

// Lucas-Kanade for one point, translation only, means removed (the eyes' exposure may differ):
// moves `q` in `to` until the window around it matches the one around `p` in `from`. False
// where the window has too little texture or the search does not settle.
inline bool trackOne(const cv::Mat& from, const cv::Mat& gx, const cv::Mat& gy, const cv::Mat& to,
                     cv::Point2f p, cv::Point2f& q, int side) {
    const cv::Size win(side, side);
    cv::Mat t, ix, iy, i;
    cv::getRectSubPix(from, win, p, t, CV_32F);
    cv::getRectSubPix(gx, win, p, ix, CV_32F);
    cv::getRectSubPix(gy, win, p, iy, CV_32F);
    t -= cv::mean(t)[0];
    const double a = ix.dot(ix), b = ix.dot(iy), c = iy.dot(iy), det = a * c - b * b;
    // The smaller eigenvalue, per pixel of the window: an edge or a flat patch cannot fix both axes.
    const double small = (a + c) / 2 - std::sqrt((a - c) * (a - c) / 4 + b * b);
    if (small / double(side * side) < 20.0 || det <= 0) return false;
    for (int k = 0; k < 40; ++k) {
        const double x = q.x, y = q.y, m = side;
        if (x < m || y < m || x > to.cols - 1 - m || y > to.rows - 1 - m) return false;
        cv::getRectSubPix(to, win, q, i, CV_32F);
        i -= cv::mean(i)[0];
        const cv::Mat e = i - t;
        const double ex = ix.dot(e), ey = iy.dot(e);
        const double dx = (c * ex - b * ey) / det, dy = (a * ey - b * ex) / det;
        q -= cv::Point2f(float(dx), float(dy));
        if (dx * dx + dy * dy < 1e-8) return true;
    }
    return false;
}

// `p` in `from` tracked into `to` from `seed`, first at half size (wider reach), then at full.
inline bool trackPyramid(const std::vector<cv::Mat>& from, const std::vector<cv::Mat>& to, cv::Point2f p,
                         cv::Point2f seed, cv::Point2f& q) {
    // from/to: full, its x and y gradients, then the same at half size.
    cv::Point2f h = seed * 0.5f;
    if (!trackOne(from[3], from[4], from[5], to[3], p * 0.5f, h, 15)) return false;
    q = h * 2.0f;
    return trackOne(from[0], from[1], from[2], to[0], p, q, 15);
}

inline std::vector<cv::Mat> levels(const cv::Mat& luma) {
    cv::Mat f, half;
    luma.convertTo(f, CV_32F);
    cv::pyrDown(f, half);
    std::vector<cv::Mat> out;
    for (const cv::Mat& m : {f, half}) {
        cv::Mat gx, gy;
        cv::Sobel(m, gx, CV_32F, 1, 0, 3, 1.0 / 8);
        cv::Sobel(m, gy, CV_32F, 0, 1, 3, 1.0 / 8);
        out.insert(out.end(), {m, gx, gy});
    }
    return out;
}

// Right minus left vertical offset at each of `points` (left-eye positions), NaN where the
// corner cannot be tracked: Lucas-Kanade from the left into the right, seeded with the offset of
// the nearest SIFT match, then back; a corner whose round trip misses by more than 0.05 px is
// left out. Both eyes are read at sub-pixel positions, so no rounding of a patch's place enters
// the figure.
inline std::vector<double> verticalAt(const cv::Mat& left, const cv::Mat& right,
                                      const std::vector<cv::Point2f>& points) {
    std::vector<double> dy(points.size(), std::numeric_limits<double>::quiet_NaN());
    const std::vector<Pair> seeds = siftPairs(left, right);
    if (seeds.empty()) return dy;
    const std::vector<cv::Mat> l = levels(left), r = levels(right);
    for (std::size_t i = 0; i < points.size(); ++i) {
        const Pair* near = nullptr;
        float bestSq = 40.0f * 40.0f;
        for (const Pair& s : seeds) {
            const cv::Point2f d = s.left - points[i];
            if (const float sq = d.dot(d); sq < bestSq) bestSq = sq, near = &s;
        }
        cv::Point2f q, back;
        if (!near || !trackPyramid(l, r, points[i], points[i] + (near->right - near->left), q)) continue;
        if (!trackPyramid(r, l, q, points[i], back)) continue;
        const cv::Point2f miss = back - points[i];
        if (miss.dot(miss) <= 0.05f * 0.05f) dy[i] = double(q.y - points[i].y);
    }
    return dy;
}

// The finite values of `v`.
inline std::vector<double> finite(const std::vector<double>& v) {
    std::vector<double> out;
    for (double x : v)
        if (std::isfinite(x)) out.push_back(x);
    return out;
}

// The right eye moved down `v` px, turned `rot` degrees clockwise and scaled by `scalePct` about
// the integer centre, as the synthetic pairs are.
inline cv::Mat misalign(const cv::Mat& right, double v, double rot, double scalePct) {
    const double cx = right.cols / 2, cy = right.rows / 2;
    const double r = rot * M_PI / 180, s = 1 + scalePct / 100;
    const double c = std::cos(r) / s, sn = std::sin(r) / s;
    // Destination q to source: (cx + c dx + sn dy, cy - sn dx + c dy), dx = q.x - cx, dy = q.y - cy - v.
    const cv::Matx23d m(c, sn, cx - c * cx - sn * (cy + v), -sn, c, cy + sn * cx - c * (cy + v));
    cv::Mat out;
    cv::warpAffine(right, out, m, right.size(), cv::INTER_CUBIC | cv::WARP_INVERSE_MAP, cv::BORDER_REFLECT);
    return out;
}

}  // namespace benchmeasure
