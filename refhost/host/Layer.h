#pragma once
// A layer as the host keeps it: one frame per time, made on demand or stored.

#include <functional>
#include <map>
#include <optional>

#include "World.h"

namespace duovis::refhost {

class Layer {
  public:
    using FrameSource = std::function<World(A_long time)>;

    Layer() = default;
    static Layer still(World frame);             // the same frame at every time
    static Layer generated(FrameSource source);  // frames made on demand, then kept

    void setFrame(A_long time, World frame);

    // The frame shown at `time`, or null when the layer has none there.
    World* frameAt(A_long time);

  private:
    std::map<A_long, World> frames_;
    std::optional<World> still_;
    FrameSource source_;
};

}  // namespace duovis::refhost
