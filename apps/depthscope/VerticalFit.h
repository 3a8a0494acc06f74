// How one eye must be turned, scaled and moved vertically to land on the other, fitted from the
// vertical coordinates of matched points only. A horizontal offset between the eyes is depth,
// not misalignment, and it differs from point to point, so the horizontal coordinates would
// only bias the fit; the vertical ones carry the rotation and the scale all the same.
#pragma once

#include <opencv2/core.hpp>

#include <array>
#include <vector>

namespace depthscope {

// q maps to centre + [[a, -b], [b, a]] (q - centre) + (0, ty): a rotation by atan2(b, a) and a
// scale by hypot(a, b) about `centre`, then a vertical move. Positive angles turn clockwise on
// screen (y points down).
struct VerticalFit {
    double a = 1, b = 0, ty = 0;
    cv::Point2d centre;
    // The slow bends a real lens adds on top, vertical only: dx², dx·dy and dy² in units of the
    // frame's half size. Zero in a plain fit; the effect cannot apply them, but outlier
    // rejection on a real rig must follow them or it keeps only one band of the frame.
    std::array<double, 3> bend{};

    double rotationDeg() const;
    double scale() const;
    cv::Point2d map(cv::Point2d q) const;
    double residual(cv::Point2d from, cv::Point2d to) const { return to.y - map(from).y; }
};

// Least squares over the given pairs, with the bends where `bends`; false when the points do not
// fix the fit (too few, or all on one line).
bool fitVertical(const std::vector<cv::Point2d>& from, const std::vector<cv::Point2d>& to, cv::Point2d centre,
                 VerticalFit& fit, bool bends = false);

// RANSAC over three-point samples, then least squares on the consensus (with the bends where
// `bends` and there are pairs enough), trimmed of points more than three robust deviations
// off. `keep` says which pairs survived. Deterministic.
bool fitVerticalRobust(const std::vector<cv::Point2d>& from, const std::vector<cv::Point2d>& to,
                       cv::Point2d centre, double thresholdPx, VerticalFit& fit, std::vector<char>& keep,
                       bool bends = false);

// The root mean square of the vertical residuals.
double verticalRms(const VerticalFit& fit, const std::vector<cv::Point2d>& from,
                   const std::vector<cv::Point2d>& to);

}  // namespace depthscope
