#include "StereoCaps.h"

#include "core/params/StereoPacking.h"
#include "engine/EngineRender.h"

#include <gst/video/video.h>

#include <climits>

namespace duovis::gst {

namespace {

Packing announcedPacking(const GstStructure* s) {
    const gchar* mode = gst_structure_get_string(s, "multiview-mode");
    switch (mode ? gst_video_multiview_mode_from_caps_string(mode) : GST_VIDEO_MULTIVIEW_MODE_NONE) {
        case GST_VIDEO_MULTIVIEW_MODE_SIDE_BY_SIDE:
            return Packing::SideBySide;
        case GST_VIDEO_MULTIVIEW_MODE_TOP_BOTTOM:
            return Packing::TopBottom;
        default:
            return Packing::None;
    }
}

bool rightViewFirst(const GstStructure* s) {
    guint flags = 0, mask = 0;
    if (!gst_structure_has_field(s, "multiview-flags")) return false;
    if (!gst_structure_get_flagset(s, "multiview-flags", &flags, &mask)) return false;
    return (flags & GST_VIDEO_MULTIVIEW_FLAGS_RIGHT_VIEW_FIRST) != 0;
}

const char* multiviewModeName(Packing packing) {
    switch (packing) {
        case Packing::SideBySide:
            return gst_video_multiview_mode_to_caps_string(GST_VIDEO_MULTIVIEW_MODE_SIDE_BY_SIDE);
        case Packing::TopBottom:
            return gst_video_multiview_mode_to_caps_string(GST_VIDEO_MULTIVIEW_MODE_TOP_BOTTOM);
        case Packing::None:
            break;
    }
    return gst_video_multiview_mode_to_caps_string(GST_VIDEO_MULTIVIEW_MODE_MONO);
}

void setAnySize(GstStructure* s) {
    gst_structure_set(s, "width", GST_TYPE_INT_RANGE, 1, INT_MAX, "height", GST_TYPE_INT_RANGE, 1, INT_MAX,
                      nullptr);
}

// A display type at most doubles a side; beyond that the size has no 32-bit output.
bool fitsEveryDisplayType(int width, int height) {
    return width > 0 && height > 0 && width <= INT_MAX / 2 && height <= INT_MAX / 2;
}

}  // namespace

ParamValues valuesForStream(const ParamState& state, const GstStructure* caps) {
    ParamValues v = state.values;
    if (state.demuxGiven) return v;
    const Packing packing = announcedPacking(caps);
    if (packing == Packing::None) return v;
    int width = 0, height = 0;
    gst_structure_get_int(caps, "width", &width);
    gst_structure_get_int(caps, "height", &height);
    v[PRIMARY_DEMUX_MODE] = demuxModeForPacking(packing, width, height);
    if (rightViewFirst(caps)) v[SWAP_LR] = 1;
    return v;
}

bool setOutputLayout(GstStructure* out, const ParamValues& v, int width, int height) {
    if (!fitsEveryDisplayType(width, height)) return false;
    const engine::EngineSize size = engine::outputSize(v, width, height);
    gst_structure_set(out, "width", G_TYPE_INT, size.width, "height", G_TYPE_INT, size.height,
                      "multiview-mode", G_TYPE_STRING,
                      multiviewModeName(packingOfDisplayType(v.integer(DISPLAY_TYPE))), nullptr);
    gst_structure_remove_field(out, "multiview-flags");
    return true;
}

GstCaps* transformStereoCaps(const ParamState& state, GstPadDirection direction, GstCaps* caps) {
    if (gst_caps_is_any(caps)) return gst_caps_ref(caps);
    GstCaps* out = gst_caps_new_empty();
    for (guint i = 0; i < gst_caps_get_size(caps); ++i) {
        GstStructure* s = gst_structure_copy(gst_caps_get_structure(caps, i));
        int width = 0, height = 0;
        const bool fixedSize =
            gst_structure_get_int(s, "width", &width) && gst_structure_get_int(s, "height", &height);
        if (direction == GST_PAD_SINK && fixedSize) {
            if (!setOutputLayout(s, valuesForStream(state, s), width, height)) {
                gst_structure_free(s);  // no output size to offer: the stream is not negotiated
                continue;
            }
        } else {
            // Any input size may make a given output, and an output size may come from any input.
            setAnySize(s);
            gst_structure_remove_fields(s, "multiview-mode", "multiview-flags", nullptr);
        }
        const GstCapsFeatures* features = gst_caps_get_features(caps, i);
        gst_caps_append_structure_full(out, s, features ? gst_caps_features_copy(features) : nullptr);
    }
    return out;
}

}  // namespace duovis::gst
