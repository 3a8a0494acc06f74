#include "session/VideoDemux.h"

#include "core/params/ParamId.h"
#include "core/params/StereoPacking.h"

namespace duovis::session {

namespace {

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

int demuxModeFromMetadata(const media::VideoInfo& video) {
    return demuxModeForPacking(packingOf(video.layout.packing), video.width, video.height);
}

void demuxFromMetadata(const media::VideoInfo& video, RenderJob& job) {
    if (packingOf(video.layout.packing) == EyePacking::None) return;
    job.choose(PRIMARY_DEMUX_MODE, demuxModeFromMetadata(video));
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
