// Eye views from image files, through the media readers duovis uses, so both tools read the
// same families and refuse the same sizes. Apart from EyeViews, which the stream's fuzz target
// builds without the media library.
#pragma once

#include "media/Picture.h"

#include <opencv2/core.hpp>

#include <string>

namespace depthscope {

cv::Mat lumaFromPicture(const duovis::media::Picture& picture);
// The luma of an image file of any family the media library reads (a two-view file's left
// view), its declared size checked against `maxPixels` before it is decoded. Throws
// std::runtime_error naming the file.
cv::Mat lumaFromFile(const std::string& path, long long maxPixels);

}  // namespace depthscope
