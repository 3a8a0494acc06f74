#include "Ambiguity.h"

#include <opencv2/core/utility.hpp>
#include <opencv2/imgproc.hpp>

#include <algorithm>
#include <cmath>

namespace depthscope {

namespace {

constexpr int kHalfPatch = 8;        // 17 x 17 template
constexpr int kSlackX = 2;           // the feature positions are rough
constexpr int kPeakRows = 3;         // rows around the best that belong to its peak
constexpr float kRivalShare = 0.9f;  // a rival this close to the best makes the match ambiguous
constexpr float kMinBest = 0.6f;     // a weaker best is no match at all

// How far up and down to look: a few periods of a pattern at the frame's scale.
int searchRows(int height) {
    return std::max(24, height / 30);
}

bool unique(const cv::Mat& left, const cv::Mat& right, cv::Point l, cv::Point r, int reach) {
    const cv::Rect patch(l.x - kHalfPatch, l.y - kHalfPatch, 2 * kHalfPatch + 1, 2 * kHalfPatch + 1);
    const cv::Rect leftFrame(0, 0, left.cols, left.rows), rightFrame(0, 0, right.cols, right.rows);
    // Near the top or the bottom the search is cut short there.
    const cv::Rect area = cv::Rect(r.x - kHalfPatch - kSlackX, r.y - kHalfPatch - reach,
                                   patch.width + 2 * kSlackX, patch.height + 2 * reach) &
                          rightFrame;
    if ((patch & leftFrame) != patch || area.width != patch.width + 2 * kSlackX ||
        area.height < patch.height + 2 * kPeakRows)
        return false;
    const int expected = r.y - kHalfPatch - area.y;  // the matched row in the score
    cv::Mat score;
    cv::matchTemplate(right(area), left(patch), score, cv::TM_CCOEFF_NORMED);
    // Best per row, then the best row and its strongest rival away from it.
    std::vector<float> rows(static_cast<std::size_t>(score.rows));
    for (int y = 0; y < score.rows; ++y) {
        double hi = 0;
        cv::minMaxLoc(score.row(y), nullptr, &hi);
        rows[static_cast<std::size_t>(y)] = std::isfinite(hi) ? float(hi) : -1.0f;
    }
    const auto bestAt = std::max_element(rows.begin(), rows.end()) - rows.begin();
    const float best = rows[static_cast<std::size_t>(bestAt)];
    if (best < kMinBest || std::abs(bestAt - expected) > kPeakRows) return false;
    float rival = -1.0f;
    for (int y = 0; y < score.rows; ++y)
        if (std::abs(y - bestAt) > kPeakRows) rival = std::max(rival, rows[static_cast<std::size_t>(y)]);
    return rival < kRivalShare * best;
}

}  // namespace

std::vector<char> verticallyUnique(const cv::Mat& left, const cv::Mat& right,
                                   const std::vector<cv::Point2d>& pl, const std::vector<cv::Point2d>& pr) {
    const int reach = searchRows(left.rows);
    std::vector<char> keep(pl.size(), 0);
    // Each pair on its own: the pairs are shared out between the threads.
    cv::parallel_for_(cv::Range(0, int(pl.size())), [&](const cv::Range& range) {
        for (int k = range.start; k < range.end; ++k) {
            const std::size_t i = std::size_t(k);
            const cv::Point l(int(std::lround(pl[i].x)), int(std::lround(pl[i].y)));
            const cv::Point r(int(std::lround(pr[i].x)), int(std::lround(pr[i].y)));
            keep[i] = unique(left, right, l, r, reach);
        }
    });
    return keep;
}

}  // namespace depthscope
