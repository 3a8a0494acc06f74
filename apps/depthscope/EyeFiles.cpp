#include "EyeFiles.h"

#include "EyeViews.h"
#include "media/StillFile.h"

namespace depthscope {

cv::Mat lumaFromPicture(const duovis::media::Picture& picture) {
    cv::Mat out(picture.height, picture.width, CV_32F);
    for (int y = 0; y < picture.height; ++y) {
        float* o = out.ptr<float>(y);
        if (picture.inBytes()) {
            const unsigned char* p = picture.row8(y);
            for (int x = 0; x < picture.width; ++x, p += 4) o[x] = lumaOfBytes(p[0], p[1], p[2]);
        } else {
            const float* p = picture.row(y);
            for (int x = 0; x < picture.width; ++x, p += 4) o[x] = lumaOfUnits(p[0], p[1], p[2]);
        }
    }
    return out;
}

cv::Mat lumaFromFile(const std::string& path, long long maxPixels) {
    const duovis::media::Frame frame = duovis::media::readStill(path, maxPixels);
    return lumaFromPicture(frame.views.front());
}

}  // namespace depthscope
