#include "session/VideoDemux.h"

#include "core/params/StereoPacking.h"

#include <string>

namespace duovis::cli {

void demuxFromMetadata(const media::VideoInfo& video, RenderJob& job) {
    Packing packing = Packing::None;
    if (video.layout.packing == media::Packing::SideBySide) packing = Packing::SideBySide;
    if (video.layout.packing == media::Packing::TopBottom) packing = Packing::TopBottom;
    if (packing == Packing::None) return;
    job.assign("PRIMARY_DEMUX_MODE=" +
               std::to_string(demuxModeForPacking(packing, video.width, video.height)));
    if (video.layout.rightFirst) job.assign("SWAP_LR=on");
}

}  // namespace duovis::cli
