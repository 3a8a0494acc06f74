// One exchange with the parallax tool: the effect's geometry and both eyes' source pixels go
// out on one local socket, the tool's corrections come back on the other and land in the
// parameters. Made for one press of the tool button and destroyed after it.
#pragma once

#include "AE_Effect.h"
#include "core/params/ToolBlock.h"

#include <cstdint>
#include <memory>

namespace duovis {

// Width, height, bytes per pixel (always 4, whatever the host's format), row bytes, layout code.
struct ToolLayerDescription {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bytesPerPixel = 0;
    int32_t rowBytes = 0;
    int32_t layoutCode = 0;
};

// Writes the values `reply`'s mask selects into the first `count` entries of `params`, each held
// to its parameter's valid range and marked changed, from slot 63 down, with each shift's twin
// recomputed on a `width` x `height` layer (a side of no size leaves the twin as it is). Pixel
// shifts are read at `pixelScale`. Returns the mask bits that found no parameter to change.
uint64_t applyToolReply(const ToolBlock& reply, PF_ParamDef* params[], A_long count, A_long width,
                        A_long height, float pixelScale);

class SharedParams {
  public:
    // Measures both layers; block() is null when the block could not be allocated.
    SharedParams(PF_InData* in, PF_ParamDef* params[], float framesPerSecond);
    ~SharedParams();
    SharedParams(const SharedParams&) = delete;
    SharedParams& operator=(const SharedParams&) = delete;

    // Describes the primary layer (at the current time) and the secondary one (at its offset).
    void measureLayers(PF_InData* in, PF_ParamDef* params[]);
    // Fills the parameter slots and the layer descriptions, and clears the change mask.
    void packParams(PF_ParamDef* params[]);
    // Runs both socket exchanges; returns the host's error from the layer check-outs (0 when
    // they all succeeded). An exchange abandoned on a time limit, a refused socket or a tool
    // that went away leaves replyComplete() false.
    int send(PF_InData* in, PF_ParamDef* params[]);
    // Writes the values the reply's mask selects into the parameters, marked changed; nothing
    // unless a whole reply arrived.
    void applyReply(PF_InData* in, PF_ParamDef* params[]);

    ToolBlock* block() const { return block_.get(); }
    bool replyComplete() const { return replyComplete_; }
    float pixelScale() const { return pixelScale_; }
    const ToolLayerDescription& primary() const { return primary_; }
    const ToolLayerDescription& secondary() const { return secondary_; }

  private:
    std::unique_ptr<ToolBlock> block_;
    ToolLayerDescription primary_;
    ToolLayerDescription secondary_;
    int64_t blockLength_ = kToolBlockBytes;
    float frameRate_ = 0.0f;
    float pixelScale_ = 1.0f;
    A_long paramCount_ = 0;
    bool replyComplete_ = false;
};

}  // namespace duovis
