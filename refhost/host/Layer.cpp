#include "Layer.h"

#include <utility>

namespace duovis::refhost {

Layer Layer::still(World frame) {
    Layer layer;
    layer.still_ = std::move(frame);
    return layer;
}

Layer Layer::generated(FrameSource source) {
    Layer layer;
    layer.source_ = std::move(source);
    return layer;
}

void Layer::setFrame(A_long time, World frame) {
    frames_[time] = std::move(frame);
}

World* Layer::frameAt(A_long time) {
    if (auto it = frames_.find(time); it != frames_.end()) return &it->second;
    if (source_) return &frames_.emplace(time, source_(time)).first->second;
    if (still_) return &*still_;
    return nullptr;
}

}  // namespace duovis::refhost
