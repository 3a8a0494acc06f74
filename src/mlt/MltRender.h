// The effect on one MLT frame: the first eye's image (and the second's, for the transition)
// in, the stereo image set on the frame in their place.
#pragma once

#include <framework/mlt.h>

#include <cstdint>

namespace duovis::mlt {

// `service` holds the properties; `left`'s image is rendered into and replaced; `right` is the
// second layer or null. Sizes in and out go through `width` and `height`, as get_image's do.
// Returns 0, or 1 after logging one line naming the culprit.
int renderOnFrame(mlt_service service, mlt_frame left, mlt_frame right, int position, int length,
                  uint8_t** image, int* width, int* height);

}  // namespace duovis::mlt
