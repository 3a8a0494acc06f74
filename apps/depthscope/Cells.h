// The coverage grid: which cell of a kCoverageGrid x kCoverageGrid grid over the view a point
// falls in, and the weights that give each cell of matches a bounded say in a fit.
#pragma once

#include <opencv2/core.hpp>

#include <vector>

namespace depthscope {

constexpr int kCoverageGrid = 4;  // cells per side

// The cell's index, row by row; points outside the view count in the nearest cell.
int cellOf(cv::Point2d p, cv::Size view);

// One weight per point: the pairs of a cell share the cell's weight, which is their number
// up to the median of the occupied cells' numbers. A densely textured corner then counts like
// an ordinary cell, while a cell with a few pairs keeps the little say they give it.
std::vector<double> cellWeights(const std::vector<cv::Point2d>& points, cv::Size view);

}  // namespace depthscope
