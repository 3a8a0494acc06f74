// Matched points between the two eye views: SIFT features (found on a copy at most 1024 pixels
// wide) paired by descriptor both ways, wrong pairs rejected by the epipolar constraint
// (RANSAC), by their ambiguity along the column (a repeated pattern) and by a vertical fit that
// follows a real lens's slow bends, then each pair refined to a fraction of a pixel by phase
// correlation of small patches around it, the right patch resampled through the fit's rotation
// and scale so that they do not blur the comparison.
#pragma once

#include "VerticalFit.h"

#include <opencv2/core.hpp>

#include <string>
#include <vector>

namespace depthscope {

struct EyeMatches {
    int keypointsLeft = 0, keypointsRight = 0;
    int matches = 0;  // descriptor pairs before any rejection
    // Pairs past the descriptor, epipolar and uniqueness tests, before any fit.
    std::vector<cv::Point2d> candidateLeft, candidateRight;
    // Surviving pairs, in eye-view pixels (integer values at pixel centres).
    std::vector<cv::Point2d> left, right;
    VerticalFit fit;  // right onto left, about the view's integer centre
};

// Fewer pairs than this cannot be told from chance.
constexpr int kMinPairs = 20;

// False with a message when the views do not give enough reliable pairs (a flat picture).
bool matchEyes(const cv::Mat& left, const cv::Mat& right, EyeMatches& out, std::string& error);

}  // namespace depthscope
