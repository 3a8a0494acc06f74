#include "session/VideoDemux.h"

namespace duovis::session {

void demuxFromMetadata(const media::VideoInfo& video, RenderJob& job) {
    const double aspect = static_cast<double>(video.width) / video.height;
    switch (video.layout.packing) {
        case media::Packing::SideBySide:
            job.assign(aspect > 2.5 ? "PRIMARY_DEMUX_MODE=Side-By-Side(100%)"
                                    : "PRIMARY_DEMUX_MODE=Side-By-Side(50%)");
            break;
        case media::Packing::TopBottom:
            job.assign(aspect < 1.0 ? "PRIMARY_DEMUX_MODE=Top-Bottom(100%)"
                                    : "PRIMARY_DEMUX_MODE=Top-Bottom(50%)");
            break;
        case media::Packing::None:
            return;
    }
    if (video.layout.rightFirst) job.assign("SWAP_LR=on");
}

}  // namespace duovis::session
