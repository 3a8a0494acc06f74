// The benchmarks' own measure of a pair's vertical disparity, apart from the parallax tool's
// code: OpenCV's SIFT matches refined by phase correlation; and the misalignment they add.
#pragma once

#include <opencv2/features2d.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <vector>

namespace benchmeasure {

inline cv::Mat bytes(const cv::Mat& luma) {
    cv::Mat b;
    luma.convertTo(b, CV_8U);
    return b;
}

// Right minus left vertical offsets of SIFT matches (ratio test, both ways), each refined by
// phase correlation of small patches (small, so that few straddle two depths). Float luma in.
inline std::vector<double> verticalDisparities(const cv::Mat& left, const cv::Mat& right) {
    const cv::Ptr<cv::SIFT> sift = cv::SIFT::create(3000);
    std::vector<cv::KeyPoint> kl, kr;
    cv::Mat dl, dr;
    sift->detectAndCompute(bytes(left), cv::noArray(), kl, dl);
    sift->detectAndCompute(bytes(right), cv::noArray(), kr, dr);
    // Lowe's ratio test both ways, and each other's choice.
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
    cv::Mat window;
    constexpr int kPatch = 20;
    cv::createHanningWindow(window, cv::Size(kPatch, kPatch), CV_32F);
    std::vector<double> dy;
    for (std::size_t i = 0; i < forward.size(); ++i) {
        if (forward[i] < 0 || backward[std::size_t(forward[i])] != int(i)) continue;
        const cv::Point2f a = kl[i].pt, b = kr[std::size_t(forward[i])].pt;
        if (std::abs(a.y - b.y) > 30) continue;
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
