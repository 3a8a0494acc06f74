#include "DenseDepth.h"

#include "Correction.h"

#include <opencv2/calib3d.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>
#include <limits>

namespace depthscope {

using namespace duovis;

namespace {

constexpr int kWorkWidth = 960;          // matching width: a pixel there is 0.1 % of the width
constexpr double kMinValidShare = 0.05;  // less matched than this is no budget
constexpr float kMaxLeftRightPx = 1.0f;  // the two maps' largest disagreement for a kept pixel
constexpr int kMinWidth = 64;            // smaller eyes get no budget

// One eye as displayed, in bytes at the matching size.
cv::Mat displayed(const cv::Mat& view, const EyeTransform& t, double k) {
    // The row-vector transform as a column-vector homography; reduced after the warp, which
    // only samples.
    const cv::Matx33d h(t.m11, t.m21, t.m31, t.m12, t.m22, t.m32, t.m13, t.m23, t.m33);
    cv::Mat full, small, bytes;
    cv::warpPerspective(view, full, cv::Mat(h), view.size(), cv::INTER_LINEAR, cv::BORDER_CONSTANT,
                        cv::Scalar(0));
    cv::resize(full, small, cv::Size(), k, k, cv::INTER_AREA);
    small.convertTo(bytes, CV_8U);
    return bytes;
}

struct Search {
    int minDisparity, numDisparities;  // the matcher's, left minus right in working pixels
};

// The matcher's disparity is left minus right; the budget's is right minus left.
Search searchFor(double fromPct, double toPct, int width) {
    const double lo = std::min(fromPct, toPct), hi = std::max(fromPct, toPct);
    // Features miss smooth surfaces, often the nearest ones: search well beyond what they saw.
    const double margin = std::max(4.0, hi - lo);
    const int dMin = int(std::floor(-(hi + margin) / 100.0 * width));
    const int dMax = int(std::ceil(-(lo - margin) / 100.0 * width));
    // The matcher needs room for its search inside the picture.
    const int most = std::clamp(width / 2 / 16 * 16, 16, 256);
    const int needed = (dMax - dMin + 16) / 16 * 16;
    const int count = std::clamp(needed, 16, most);
    // Cut short, the search stays centred on what the pairs saw.
    return {needed > count ? (dMin + dMax) / 2 - count / 2 : dMin, count};
}

cv::Mat disparities(const cv::Mat& l, const cv::Mat& r, const Search& s) {
    constexpr int kBlock = 5;
    const cv::Ptr<cv::StereoSGBM> sgbm =
        cv::StereoSGBM::create(s.minDisparity, s.numDisparities, kBlock, 8 * kBlock * kBlock,
                               32 * kBlock * kBlock, -1, 0, 10, 100, 2, cv::StereoSGBM::MODE_SGBM_3WAY);
    cv::Mat fixed, d;
    sgbm->compute(l, r, fixed);
    fixed.convertTo(d, CV_32F, 1.0 / 16);
    // Unmatched pixels come back below the search.
    d.setTo(std::numeric_limits<float>::quiet_NaN(), d < float(s.minDisparity));
    return d;
}

// The left map with only the pixels the right map confirms; the right map comes from the mirrored
// pair, which matches the same way with the eyes swapped.
cv::Mat leftRightChecked(const cv::Mat& l, const cv::Mat& r, const Search& s) {
    const cv::Mat dl = disparities(l, r, s);
    cv::Mat lf, rf, drf, dr;
    cv::flip(r, lf, 1);
    cv::flip(l, rf, 1);
    cv::flip(disparities(lf, rf, s), dr, 1);
    cv::Mat out(dl.size(), CV_32F, cv::Scalar(std::numeric_limits<float>::quiet_NaN()));
    for (int y = 0; y < dl.rows; ++y) {
        const float* a = dl.ptr<float>(y);
        const float* b = dr.ptr<float>(y);
        float* o = out.ptr<float>(y);
        for (int x = 0; x < dl.cols; ++x) {
            if (!std::isfinite(a[x])) continue;
            const int xr = int(std::lround(float(x) - a[x]));
            if (xr < 0 || xr >= dl.cols || !std::isfinite(b[xr])) continue;
            if (std::abs(b[xr] - a[x]) <= kMaxLeftRightPx) o[x] = a[x];
        }
    }
    return out;
}

}  // namespace

DepthBudget denseDepth(const cv::Mat& left, const cv::Mat& right, const ParamValues& v, EyeSize eye,
                       double fromPct, double toPct) {
    DepthBudget b;
    if (eye.width < kMinWidth || eye.height < kMinWidth) return b;
    const StereoGeometry g = displayGeometry(v, eye);
    const double k = std::min(1.0, double(kWorkWidth) / eye.width);
    const cv::Mat l = displayed(left, g.forwardL, k), r = displayed(right, g.forwardR, k);
    const cv::Mat d = leftRightChecked(l, r, searchFor(fromPct, toPct, l.cols));
    b.pct = d * (-100.0 / l.cols);
    std::vector<double> valid;
    for (int y = 0; y < b.pct.rows; ++y) {
        const float* row = b.pct.ptr<float>(y);
        for (int x = 0; x < b.pct.cols; ++x)
            if (std::isfinite(row[x])) valid.push_back(double(row[x]));
    }
    b.validShare = double(valid.size()) / double(b.pct.total());
    if (b.validShare < kMinValidShare) return b;
    b.nearPct = percentileOf(valid, 0.02);
    b.farPct = percentileOf(std::move(valid), 0.98);
    b.measured = true;
    return b;
}

}  // namespace depthscope
