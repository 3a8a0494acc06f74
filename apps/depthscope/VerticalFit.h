// How one eye must be turned, scaled and moved vertically to land on the other, fitted from the
// vertical coordinates of matched points only. A horizontal offset between the eyes is depth,
// not misalignment, and it differs from point to point, so the horizontal coordinates would
// only bias the fit; the vertical ones carry the rotation and the scale all the same.
#pragma once

#include <opencv2/core.hpp>

#include <vector>

namespace depthscope {

// q maps to centre + [[a, -b], [b, a]] (q - centre) + (0, ty): a rotation by atan2(b, a) and a
// scale by hypot(a, b) about `centre`, then a vertical move. Positive angles turn clockwise on
// screen (y points down).
struct VerticalFit {
    double a = 1, b = 0, ty = 0;
    cv::Point2d centre;

    double rotationDeg() const;
    double scale() const;
    cv::Point2d map(cv::Point2d q) const;
    double residual(cv::Point2d from, cv::Point2d to) const { return to.y - map(from).y; }
};

// Least squares over the given pairs; false when the points do not fix the fit (fewer than
// three, or all on one line).
bool fitVertical(const std::vector<cv::Point2d>& from, const std::vector<cv::Point2d>& to, cv::Point2d centre,
                 VerticalFit& fit);

// RANSAC over three-point samples, then least squares on the consensus, trimmed of points more
// than three robust deviations off. `keep` says which pairs survived. Deterministic.
bool fitVerticalRobust(const std::vector<cv::Point2d>& from, const std::vector<cv::Point2d>& to,
                       cv::Point2d centre, double thresholdPx, VerticalFit& fit, std::vector<char>& keep);

// The root mean square of the vertical residuals.
double verticalRms(const VerticalFit& fit, const std::vector<cv::Point2d>& from,
                   const std::vector<cv::Point2d>& to);

}  // namespace depthscope
