#include "SharedParams.h"

#include <QLocalServer>
#include <QLocalSocket>

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

#include "ToolChannel.h"
#include "core/params/ResetGroups.h"
#include "core/params/ShiftCoupling.h"

namespace duovis {

namespace {

// Primary layout codes with a demux mode and both eyes in the one layer.
constexpr int32_t kBothEyesPacked = 0x31;

PF_ParamDef* entryOf(PF_ParamDef* params[], A_long count, ParamId id, PF_ParamType type) {
    if (!params || id < 0 || id >= count || !params[id]) return nullptr;
    return params[id]->param_type == type ? params[id] : nullptr;
}

int popupValue(PF_ParamDef* params[], A_long count, ParamId id) {
    const PF_ParamDef* p = entryOf(params, count, id, PF_Param_POPUP);
    return p ? p->u.pd.value : 1;
}

double frameOffsetValue(PF_ParamDef* params[], A_long count) {
    const PF_ParamDef* p = entryOf(params, count, SECONDARY_FRAME_OFFSET, PF_Param_FLOAT_SLIDER);
    return p ? p->u.fs_d.value : 0.0;
}

// The host type a slot's encoding reads: checkboxes as they are, sliders scaled.
PF_ParamType typeOf(const ToolSlotEntry& e) {
    return e.encoding == SlotEncoding::Raw ? PF_Param_CHECKBOX : PF_Param_FLOAT_SLIDER;
}

// "Frame Offset" frames from now, in the host's ticks: one frame is time scale / frame rate
// ticks when the rate is known, else the host's time step. Pinned to the host's time range.
A_long secondaryTime(const PF_InData& in, float frameRate, double frameOffset) {
    const double ticksPerFrame =
        frameRate > 0.0f ? static_cast<double>(static_cast<float>(in.time_scale) / frameRate) : in.time_step;
    const double t = std::trunc(static_cast<double>(in.current_time) + ticksPerFrame * frameOffset);
    constexpr double kLo = static_cast<double>(std::numeric_limits<A_long>::min());
    constexpr double kHi = static_cast<double>(std::numeric_limits<A_long>::max());
    if (!(t >= kLo)) return std::numeric_limits<A_long>::min();
    return t > kHi ? std::numeric_limits<A_long>::max() : static_cast<A_long>(t);
}

// After Effects renders previews below full resolution; every other host sends full frames.
float pixelScaleOf(const PF_InData& in) {
    if (in.appl_id != PF_APPL_ID_AFTER_EFFECTS || in.downsample_x.den == 0 || in.downsample_x.num <= 0)
        return 1.0f;
    return static_cast<float>(in.downsample_x.num) / static_cast<float>(in.downsample_x.den);
}

// One layer checked out from the host for as long as this lives; checked in at the end at the
// latest.
class LayerCheckout {
  public:
    LayerCheckout(PF_InData* in, ParamId position, A_long time) : in_(in) {
        err_ = in->inter.checkout_param && in->inter.checkin_param
                   ? in->inter.checkout_param(in->effect_ref, position, time, in->time_step, in->time_scale,
                                              &def_)
                   : PF_Err_BAD_CALLBACK_PARAM;
        held_ = err_ == PF_Err_NONE;
    }
    ~LayerCheckout() { (void)checkIn(); }
    LayerCheckout(const LayerCheckout&) = delete;
    LayerCheckout& operator=(const LayerCheckout&) = delete;

    PF_Err error() const { return err_; }
    const PF_LayerDef& layer() const { return def_.u.ld; }
    PF_Err checkIn() {
        if (!held_) return PF_Err_NONE;
        held_ = false;
        return in_->inter.checkin_param(in_->effect_ref, &def_);
    }

  private:
    PF_InData* in_;
    PF_ParamDef def_{};
    PF_Err err_ = PF_Err_NONE;
    bool held_ = false;
};

// A layer without pixels is described as all 0: there is nothing of it to send.
ToolLayerDescription describe(const PF_LayerDef& layer, int32_t layoutCode) {
    if (!layer.data || layer.width <= 0 || layer.height <= 0 || layer.rowbytes <= 0) return {};
    return ToolLayerDescription{layer.width, layer.height, 4, layer.rowbytes, layoutCode};
}

// Streams one layer's bytes, rows and padding as the host holds them. A failed check-out, or a
// layer that no longer matches its description, stops the pixels (the error says why) but not
// the exchange; false only when the tool stopped taking the stream.
bool streamLayer(PF_InData* in, ParamId position, A_long time, const ToolLayerDescription& d,
                 QLocalSocket& tool, int progressMs, PF_Err* err) {
    LayerCheckout c(in, position, time);
    if ((*err = c.error()) != PF_Err_NONE) return true;
    const PF_LayerDef& l = c.layer();
    if (!l.data || l.rowbytes != d.rowBytes || l.height != d.height) {
        *err = PF_Err_BAD_CALLBACK_PARAM;
        return true;
    }
    const bool flowing = writeToTool(tool, static_cast<const char*>(l.data),
                                     static_cast<qint64>(d.rowBytes) * d.height, progressMs);
    *err = c.checkIn();
    return flowing;
}

void markChanged(PF_ParamDef& p) {
    p.uu.change_flags |= PF_ChangeFlag_CHANGED_VALUE;
}

// A reply value as the parameter can hold it: sliders within their valid range, checkboxes 0 or 1.
void writeHeld(PF_ParamDef& p, double value) {
    if (p.param_type == PF_Param_CHECKBOX) {
        p.u.bd.value = value > 0.0 ? 1 : 0;
    } else {
        const auto lo = static_cast<double>(p.u.fs_d.valid_min);
        const auto hi = static_cast<double>(p.u.fs_d.valid_max);
        p.u.fs_d.value = std::clamp(value, std::min(lo, hi), std::max(lo, hi));
    }
    markChanged(p);
}

}  // namespace

SharedParams::SharedParams(PF_InData* in, PF_ParamDef* params[], float framesPerSecond)
    : frameRate_(framesPerSecond),
      pixelScale_(in ? pixelScaleOf(*in) : 1.0f),
      paramCount_(in ? in->num_params : 0) {
    blockLength_ = kToolBlockBytes;
    if (in) measureLayers(in, params);
    block_.reset(new (std::nothrow) ToolBlock());
}

SharedParams::~SharedParams() = default;

void SharedParams::measureLayers(PF_InData* in, PF_ParamDef* params[]) {
    primary_ = {};
    secondary_ = {};
    {
        LayerCheckout p(in, INPUT_LAYER, in->current_time);
        if (p.error() != PF_Err_NONE) return;
        primary_ = describe(p.layer(),
                            toolLayoutCode(popupValue(params, paramCount_, PRIMARY_DEMUX_MODE),
                                           popupValue(params, paramCount_, PRIMARY_DEMUX_CHANNEL), false));
        if (p.checkIn() != PF_Err_NONE) return;
    }
    LayerCheckout s(in, SECONDARY_LAYER,
                    secondaryTime(*in, frameRate_, frameOffsetValue(params, paramCount_)));
    if (s.error() != PF_Err_NONE) return;
    if ((primary_.layoutCode & kBothEyesPacked) == kBothEyesPacked) return;
    secondary_ =
        describe(s.layer(), toolLayoutCode(popupValue(params, paramCount_, SECONDARY_DEMUX_MODE),
                                           popupValue(params, paramCount_, SECONDARY_DEMUX_CHANNEL), true));
}

void SharedParams::packParams(PF_ParamDef* params[]) {
    if (!block_) return;
    const ToolSlotTable& table = toolSlotTable();
    for (int s = kToolBlockSlots - 1; s >= 0; --s) {
        const ToolSlotEntry& e = table[static_cast<std::size_t>(s)];
        if (e.encoding == SlotEncoding::None) continue;
        const PF_ParamDef* p = entryOf(params, paramCount_, e.param, typeOf(e));
        if (!p) continue;
        const double value = e.encoding == SlotEncoding::Raw ? p->u.bd.value : p->u.fs_d.value;
        block_->slot[static_cast<std::size_t>(s)] = encodeToolSlot(e, value, pixelScale_);
    }
    block_->setMask(0);
    const auto put = [&](int first, const ToolLayerDescription& d) {
        const int32_t fields[kToolLayerFields] = {d.width, d.height, d.bytesPerPixel, d.rowBytes,
                                                  d.layoutCode};
        for (int i = 0; i < kToolLayerFields; ++i)
            block_->slot[static_cast<std::size_t>(first + i)] = fields[i];
    };
    put(TOOL_SLOT_PRIMARY, primary_);
    put(TOOL_SLOT_SECONDARY, secondary_);
}

int SharedParams::send(PF_InData* in, PF_ParamDef* params[]) {
    replyComplete_ = false;
    if (!block_ || !in) return PF_Err_OUT_OF_MEMORY;
    block_->slot[TOOL_SLOT_LENGTH] = static_cast<int32_t>(blockLength_);
    const ToolLinkLimits limits = toolLinkLimits();
    PF_Err err = PF_Err_NONE;
    QString why;
    {
        const std::unique_ptr<QLocalServer> server =
            listenForTool(QString::fromLatin1(kToolStreamName), &why);
        if (!server) {
            logToolLink(why);
            return err;
        }
        QLocalSocket* tool = acceptTool(*server, QDeadlineTimer(limits.connectMs));
        if (!tool) {
            logToolLink(
                QStringLiteral("the parallax tool did not connect within %1 ms").arg(limits.connectMs));
            return err;
        }
        unsigned char bytes[kToolBlockBytes];
        block_->toBytes(bytes);
        bool flowing =
            writeToTool(*tool, reinterpret_cast<const char*>(bytes), blockLength_, limits.connectMs);
        if (flowing && primary_.rowBytes > 0)
            flowing = streamLayer(in, INPUT_LAYER, in->current_time, primary_, *tool, limits.connectMs, &err);
        if (flowing && err == PF_Err_NONE && secondary_.rowBytes > 0)
            flowing = streamLayer(in, SECONDARY_LAYER,
                                  secondaryTime(*in, frameRate_, frameOffsetValue(params, paramCount_)),
                                  secondary_, *tool, limits.connectMs, &err);
        if (!flowing) {
            logToolLink(QStringLiteral("the parallax tool stopped taking the frames"));
            return err;
        }
        tool->disconnectFromServer();
    }
    const std::unique_ptr<QLocalServer> server = listenForTool(QString::fromLatin1(kToolReplyName), &why);
    if (!server) {
        logToolLink(why);
        return err;
    }
    const QDeadlineTimer deadline(limits.replyMs);
    QLocalSocket* tool = acceptTool(*server, deadline);
    if (!tool) {
        logToolLink(QStringLiteral("the parallax tool did not reply within %1 ms").arg(limits.replyMs));
        return err;
    }
    unsigned char reply[kToolBlockBytes];
    const qint64 got = readFromTool(*tool, reinterpret_cast<char*>(reply), kToolBlockBytes, deadline);
    tool->abort();
    if (got < kToolBlockBytes) {
        logToolLink(
            QStringLiteral("the parallax tool's reply was cut short (%1 of %2 bytes); nothing changes")
                .arg(got)
                .arg(kToolBlockBytes));
        return err;
    }
    *block_ = ToolBlock::fromBytes(reply, kToolBlockBytes);
    replyComplete_ = true;
    return err;
}

uint64_t applyToolReply(const ToolBlock& reply, PF_ParamDef* params[], A_long count, A_long width,
                        A_long height, float pixelScale) {
    const ToolSlotTable& table = toolSlotTable();
    uint64_t mask = reply.mask();
    // From the top down: the pixel shifts come before the percent shifts, so when a reply
    // carries both, the percent values and the twins made from them are what remain.
    for (int s = kToolBlockSlots - 1; s >= 0; --s) {
        const ToolSlotEntry& e = table[static_cast<std::size_t>(s)];
        const uint64_t bit = uint64_t{1} << s;
        if (e.encoding == SlotEncoding::None || (mask & bit) == 0) continue;
        PF_ParamDef* p = entryOf(params, count, e.param, typeOf(e));
        if (!p) continue;
        writeHeld(*p, decodeToolSlot(e, reply.slot[static_cast<std::size_t>(s)], pixelScale));
        mask &= ~bit;
        const std::optional<ShiftTwin> twin = shiftTwin(e.param);
        if (!twin) continue;
        PF_ParamDef* t = entryOf(params, count, twin->twin, PF_Param_FLOAT_SLIDER);
        // Measured on the whole layer; a layer of no size has no conversion and the twin stays.
        const A_long size = twin->axis == ShiftAxis::Horizontal ? width : height;
        const std::optional<ShiftCoupling> coupled = t ? coupleShift(p->u.fs_d.value, twin->fromPercent, size,
                                                                     t->u.fs_d.valid_min, t->u.fs_d.valid_max)
                                                       : std::nullopt;
        if (!coupled) continue;
        if (coupled->changedValue) p->u.fs_d.value = *coupled->changedValue;
        t->u.fs_d.value = coupled->twinValue;
        markChanged(*t);
    }
    return mask;
}

void SharedParams::applyReply(PF_InData* in, PF_ParamDef* params[]) {
    if (!block_ || !in || !replyComplete_) return;
    block_->setMask(applyToolReply(*block_, params, paramCount_, in->width, in->height, pixelScale_));
}

}  // namespace duovis
