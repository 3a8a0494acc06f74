#include "session/VideoDemux.h"

#include "core/params/ChoiceCodes.h"
#include "core/params/ParamId.h"

namespace duovis::session {

namespace {

// A frame wider than this (side by side) holds two eyes at full width; a frame narrower
// than 1 (top and bottom), two at full height.
constexpr double kFullWidthAspect = 2.5;
constexpr double kFullHeightAspect = 1.0;

EyePacking packingOf(media::Packing packing) {
    switch (packing) {
        case media::Packing::SideBySide:
            return EyePacking::SideBySide;
        case media::Packing::TopBottom:
            return EyePacking::TopBottom;
        case media::Packing::None:
            break;
    }
    return EyePacking::None;
}

media::Packing packingOf(EyePacking packing) {
    switch (packing) {
        case EyePacking::SideBySide:
            return media::Packing::SideBySide;
        case EyePacking::TopBottom:
            return media::Packing::TopBottom;
        case EyePacking::None:
            break;
    }
    return media::Packing::None;
}

}  // namespace

void demuxFromMetadata(const media::VideoInfo& video, RenderJob& job) {
    const EyePacking packing = packingOf(video.layout.packing);
    if (packing == EyePacking::None) return;
    const double aspect = static_cast<double>(video.width) / video.height;
    const bool fullSize =
        packing == EyePacking::SideBySide ? aspect > kFullWidthAspect : aspect < kFullHeightAspect;
    job.choose(PRIMARY_DEMUX_MODE, demuxPopupValue(demuxCodeFor(packing, fullSize)));
    if (video.layout.rightFirst) job.check(SWAP_LR, true);
}

media::StereoLayout outputLayout(RenderJob& job) {
    const refhost::ParamStore& params = job.params();
    media::StereoLayout layout;
    layout.packing = packingOf(displayPacking(params.at(DISPLAY_TYPE).u.pd.value));
    layout.rightFirst = params.at(SWAP_LR).u.bd.value != 0;
    return layout;
}

}  // namespace duovis::session
