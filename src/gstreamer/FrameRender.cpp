#include "FrameRender.h"

#include "BandThreads.h"
#include "engine/EngineRender.h"
#include "engine/ShiftTwins.h"

#include <cstring>
#include <exception>
#include <limits>
#include <new>
#include <string>

namespace duovis::gst {

namespace {

engine::EngineImage imageOf(const GstVideoFrame* f) {
    if (!f) return {};
    return engine::EngineImage{GST_VIDEO_FRAME_PLANE_DATA(f, 0), GST_VIDEO_FRAME_WIDTH(f),
                               GST_VIDEO_FRAME_HEIGHT(f), GST_VIDEO_FRAME_PLANE_STRIDE(f, 0)};
}

engine::EnginePixels pixelsOf(const GstVideoFrame* f) {
    return GST_VIDEO_FRAME_FORMAT(f) == GST_VIDEO_FORMAT_RGBA ? engine::EnginePixels::Rgba8
                                                              : engine::EnginePixels::Rgba64;
}

std::string mismatch(const char* which, const GstVideoFrame* f, const GstVideoFrame* left) {
    return std::string(which) + " format " + gst_video_format_to_string(GST_VIDEO_FRAME_FORMAT(f)) +
           " differs from the left eye's " + gst_video_format_to_string(GST_VIDEO_FRAME_FORMAT(left)) +
           " (convert both to the same, RGBA or RGBA64_LE)";
}

GstFlowReturn refuse(GstElement* element, int32_t frameNumber, const char* why) {
    GST_ELEMENT_ERROR(element, STREAM, FAILED, ("frame %d: %s", frameNumber, why), (nullptr));
    return GST_FLOW_ERROR;
}

}  // namespace

void clearFrame(GstVideoFrame* f) {
    auto* row = static_cast<uint8_t*>(GST_VIDEO_FRAME_PLANE_DATA(f, 0));
    const auto bytes =
        static_cast<std::size_t>(GST_VIDEO_FRAME_COMP_PSTRIDE(f, 0) * GST_VIDEO_FRAME_WIDTH(f));
    for (int y = 0; y < GST_VIDEO_FRAME_HEIGHT(f); ++y, row += GST_VIDEO_FRAME_PLANE_STRIDE(f, 0))
        std::memset(row, 0, bytes);
}

int32_t frameNumberAt(GstClockTime streamTime, const GstVideoInfo& info) {
    if (!GST_CLOCK_TIME_IS_VALID(streamTime) || GST_VIDEO_INFO_FPS_N(&info) <= 0 ||
        GST_VIDEO_INFO_FPS_D(&info) <= 0)
        return 0;
    // Timestamps are the frame times rounded down to nanoseconds, so round back to the frame.
    const guint64 n = gst_util_uint64_scale_round(streamTime, guint64(GST_VIDEO_INFO_FPS_N(&info)),
                                                  guint64(GST_VIDEO_INFO_FPS_D(&info)) * GST_SECOND);
    return n > guint64(std::numeric_limits<int32_t>::max()) ? std::numeric_limits<int32_t>::max()
                                                            : int32_t(n);
}

GstFlowReturn renderStereoFrame(const RenderRequest& r, const ParamValues& values, int32_t frameNumber) {
    // One pixel layout is read from every frame: a frame in another would be misread.
    const GstVideoFormat format = GST_VIDEO_FRAME_FORMAT(r.left);
    if (r.right && GST_VIDEO_FRAME_FORMAT(r.right) != format)
        return refuse(r.element, frameNumber, mismatch("the right eye's", r.right, r.left).c_str());
    if (GST_VIDEO_FRAME_FORMAT(r.out) != format)
        return refuse(r.element, frameNumber, mismatch("the output's", r.out, r.left).c_str());
    ParamValues v = values;
    const engine::EngineImage left = imageOf(r.left);
    const engine::EngineImage right = imageOf(r.right);
    engine::applyPixelShifts(v, uint32_t(left.width), uint32_t(left.height));
    const engine::EngineTarget target{GST_VIDEO_FRAME_PLANE_DATA(r.out, 0), GST_VIDEO_FRAME_WIDTH(r.out),
                                      GST_VIDEO_FRAME_HEIGHT(r.out), GST_VIDEO_FRAME_PLANE_STRIDE(r.out, 0)};
    const unsigned threads = r.threads;
    const engine::BandRunner bands = [threads](int32_t count, const std::function<void(int32_t)>& band) {
        runBandsOnThreads(count, band, threads);
    };
    clearFrame(r.out);
    try {
        engine::renderFrame(v, pixelsOf(r.left), left, r.right ? &right : nullptr, target, frameNumber,
                            bands);
        return GST_FLOW_OK;
    } catch (const std::bad_alloc&) {
        return refuse(r.element, frameNumber, "out of memory");
    } catch (const std::exception& e) {
        return refuse(r.element, frameNumber, e.what());
    }
}

void syncControlledValues(GstElement* element, GstClockTime streamTime) {
    if (GST_CLOCK_TIME_IS_VALID(streamTime)) gst_object_sync_values(GST_OBJECT(element), streamTime);
}

}  // namespace duovis::gst
