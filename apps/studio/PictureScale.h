#pragma once
// Frames at 1/factor of full resolution, as the host lends a down-sampled frame: averaged in
// floats, so values above 1 and below 0 of a float file survive the preview.

#include <QSize>

#include "media/Picture.h"

namespace duovis::studio {

QSize downsampledSize(QSize full, int factor);
// Each pixel the mean of the block of full-resolution pixels it covers; `picture` itself at
// factor 1.
media::Picture downsampled(const media::Picture& picture, int factor);

}  // namespace duovis::studio
