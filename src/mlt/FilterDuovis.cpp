// The filter: one track, a packed stereo frame or a mono one (no second layer).
#include "MltRender.h"
#include "MltServices.h"

namespace duovis::mlt {

namespace {

int filterGetImage(mlt_frame frame, uint8_t** image, mlt_image_format* format, int* width, int* height,
                   int /*writable*/) {
    auto filter = static_cast<mlt_filter>(mlt_frame_pop_service(frame));
    const int position = int(mlt_filter_get_position(filter, frame));
    const int length = int(mlt_filter_get_length2(filter, frame));
    *format = mlt_image_rgba;
    return renderOnFrame(MLT_FILTER_SERVICE(filter), frame, nullptr, position, length, image, width, height);
}

mlt_frame filterProcess(mlt_filter filter, mlt_frame frame) {
    mlt_frame_push_service(frame, filter);
    mlt_frame_push_get_image(frame, filterGetImage);
    return frame;
}

}  // namespace

void* initFilter(mlt_profile /*profile*/, mlt_service_type /*type*/, const char* /*id*/, char* /*arg*/) {
    mlt_filter filter = mlt_filter_new();
    if (filter) filter->process = filterProcess;
    return filter;
}

}  // namespace duovis::mlt
