// Pairs on a repeated pattern: the left feature's patch looks as much like the right view a
// period higher or lower as where it was matched, so the pair says nothing about the vertical
// offset, and matched one period off it says something wrong. Such pairs are dropped.
#pragma once

#include <opencv2/core.hpp>

#include <vector>

namespace depthscope {

// For each pair (in eye-view pixels) whether its vertical match is unique: the best normalised
// correlation along the right view's column is near the matched point, and no other row farther
// than a few pixels comes close to it. Pairs too near the border to test, or on a patch without
// texture, count as not unique.
std::vector<char> verticallyUnique(const cv::Mat& left, const cv::Mat& right,
                                   const std::vector<cv::Point2d>& pl, const std::vector<cv::Point2d>& pr);

}  // namespace depthscope
