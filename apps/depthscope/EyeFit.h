// The right eye's values that put it on the left as the effect displays them: vertical shift,
// rotation and scale always, the horizontal and vertical keystones where the pairs support
// them. The fit runs through the effect's own eye geometry, so the values are the ones it will
// apply, and weighs the pairs by the coverage grid so one textured corner cannot decide the
// frame. A keystone joins the fit only where it predicts the pairs of a cell it was not fitted
// on better than the fit without it: on a flat, well aligned scene it would only follow noise.
#pragma once

#include "core/frame/EyeGeometry.h"
#include "core/params/ParamValues.h"

#include <opencv2/core.hpp>

#include <array>
#include <vector>

namespace depthscope {

// The right eye's values the fit may change, in the order it holds them.
constexpr duovis::ParamId kFitParams[] = {duovis::VSHIFT_PCT_R, duovis::ROTATE_R, duovis::SCALE_R,
                                          duovis::HKEYSTONE_R, duovis::VKEYSTONE_R};

// The models compared: the plain one and each keystone added, then both.
enum FitModel { kPlain, kKeystoneH, kKeystoneV, kKeystones, kFitModels };

// Whether the pairs spread across the width and the height. Rotation needs the width, scale and
// the vertical keystone the height, the horizontal keystone both; what the pairs cannot reach
// stays as it is rather than being extrapolated from a strip.
struct FitReach {
    bool acrossX = true, acrossY = true;
};

struct EyeFit {
    duovis::ParamValues values;                  // as fitted, before the slots round them
    FitModel model = kPlain;                     // the one chosen
    std::array<double, kFitModels> heldOutPx{};  // each model's rms on cells it was not fitted on; 0 untried
    bool compared = false;                       // too few cells to compare leaves the plain model
    FitReach reach;

    // Whether the fit set the parameter kFitParams[k].
    bool fitted(std::size_t k) const;
};

// A point through an eye's transform; `ok` false where it falls behind the viewer.
cv::Point2d mapThrough(const duovis::EyeTransform& t, cv::Point2d p, bool& ok);

// Whether `model` fits the parameter kFitParams[k] where the pairs reach.
bool modelFits(FitModel model, std::size_t k, FitReach reach = {});

// The fit from the values now, over pairs in eye-view pixels (right eye onto left).
EyeFit fitRightEye(const duovis::ParamValues& current, duovis::EyeSize eye,
                   const std::vector<cv::Point2d>& left, const std::vector<cv::Point2d>& right,
                   FitReach reach = {});

// The same fit with the model given, no comparison.
duovis::ParamValues refitRightEye(const duovis::ParamValues& current, duovis::EyeSize eye,
                                  const std::vector<cv::Point2d>& left, const std::vector<cv::Point2d>& right,
                                  FitModel model, FitReach reach = {});

}  // namespace depthscope
