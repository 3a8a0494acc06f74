// The transition: the A track is the left eye (primary), the B track the right (second layer).
#include "MltRender.h"
#include "MltServices.h"

namespace duovis::mlt {

namespace {

int transitionGetImage(mlt_frame a, uint8_t** image, mlt_image_format* format, int* width, int* height,
                       int /*writable*/) {
    mlt_frame b = mlt_frame_pop_frame(a);
    auto transition = static_cast<mlt_transition>(mlt_frame_pop_service(a));
    const int position = int(mlt_transition_get_position(transition, a));
    const int length = int(mlt_transition_get_length(transition));
    *format = mlt_image_rgba;
    return renderOnFrame(MLT_TRANSITION_SERVICE(transition), a, b, position, length, image, width, height);
}

mlt_frame transitionProcess(mlt_transition transition, mlt_frame a, mlt_frame b) {
    mlt_frame_push_service(a, transition);
    mlt_frame_push_frame(a, b);
    mlt_frame_push_get_image(a, transitionGetImage);
    return a;
}

}  // namespace

void* initTransition(mlt_profile /*profile*/, mlt_service_type /*type*/, const char* /*id*/, char* /*arg*/) {
    mlt_transition transition = mlt_transition_new();
    if (!transition) return nullptr;
    transition->process = transitionProcess;
    // 1: video. Anything else and MLT refuses the transition on every frame.
    mlt_properties_set_int(MLT_TRANSITION_PROPERTIES(transition), "_transition_type", 1);
    return transition;
}

}  // namespace duovis::mlt
