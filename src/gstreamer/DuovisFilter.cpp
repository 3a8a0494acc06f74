// `duovis`: one input, a mono frame or two eyes packed side by side or top and bottom.
#include "Elements.h"
#include "FrameRender.h"
#include "ParamProperties.h"
#include "StereoCaps.h"

#include <gst/video/gstvideofilter.h>
#include <gst/video/video.h>

namespace duovis::gst {

namespace {

struct DuovisFilter {
    GstVideoFilter parent;
    ParamState* state;  // under the object lock
    guint threads;
};

struct DuovisFilterClass {
    GstVideoFilterClass parent;
};

GstVideoFilterClass* parentClass = nullptr;

DuovisFilter* self(gpointer p) {
    return static_cast<DuovisFilter*>(p);
}

void setProperty(GObject* object, guint id, const GValue* value, GParamSpec* pspec) {
    DuovisFilter* f = self(object);
    GST_OBJECT_LOCK(f);
    bool known = true;
    if (id == PROP_N_THREADS) {
        f->threads = g_value_get_uint(value);
    } else {
        known = setParamProperty(*f->state, id, kFirstParamId, value);
    }
    GST_OBJECT_UNLOCK(f);
    if (!known) G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
    // A new size or layout needs new output caps.
    if (changesOutputCaps(id, kFirstParamId)) gst_base_transform_reconfigure_src(GST_BASE_TRANSFORM(f));
}

void getProperty(GObject* object, guint id, GValue* value, GParamSpec* pspec) {
    DuovisFilter* f = self(object);
    GST_OBJECT_LOCK(f);
    bool known = true;
    if (id == PROP_N_THREADS) {
        g_value_set_uint(value, f->threads);
    } else {
        known = getParamProperty(*f->state, id, kFirstParamId, value);
    }
    GST_OBJECT_UNLOCK(f);
    if (!known) G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
}

GstCaps* transformCaps(GstBaseTransform* trans, GstPadDirection direction, GstCaps* caps, GstCaps* filter) {
    DuovisFilter* f = self(trans);
    GST_OBJECT_LOCK(f);
    const ParamState state = *f->state;
    GST_OBJECT_UNLOCK(f);
    GstCaps* out = transformStereoCaps(state, direction, caps);
    if (!filter) return out;
    GstCaps* both = gst_caps_intersect_full(filter, out, GST_CAPS_INTERSECT_FIRST);
    gst_caps_unref(out);
    return both;
}

GstFlowReturn transformFrame(GstVideoFilter* filter, GstVideoFrame* in, GstVideoFrame* out) {
    DuovisFilter* f = self(filter);
    GstBaseTransform* trans = GST_BASE_TRANSFORM(filter);
    const GstClockTime streamTime =
        gst_segment_to_stream_time(&trans->segment, GST_FORMAT_TIME, GST_BUFFER_PTS(in->buffer));
    syncControlledValues(GST_ELEMENT(filter), streamTime);
    GstCaps* incaps = gst_video_info_to_caps(&in->info);
    GST_OBJECT_LOCK(f);
    const ParamValues v = valuesForStream(*f->state, gst_caps_get_structure(incaps, 0));
    const guint threads = f->threads;
    GST_OBJECT_UNLOCK(f);
    gst_caps_unref(incaps);
    const RenderRequest request{GST_ELEMENT(filter), in, nullptr, out, threads};
    return renderStereoFrame(request, v, frameNumberAt(streamTime, in->info));
}

void finalize(GObject* object) {
    delete self(object)->state;
    G_OBJECT_CLASS(parentClass)->finalize(object);
}

void classInit(gpointer klass, gpointer) {
    parentClass = static_cast<GstVideoFilterClass*>(g_type_class_peek_parent(klass));
    auto* objectClass = G_OBJECT_CLASS(klass);
    objectClass->set_property = setProperty;
    objectClass->get_property = getProperty;
    objectClass->finalize = finalize;
    g_object_class_install_property(
        objectClass, PROP_N_THREADS,
        g_param_spec_uint("n-threads", "Threads", "Threads rendering a frame's row bands (0: one per core)",
                          0, G_MAXUINT, 0, GParamFlags(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS)));
    installParamProperties(objectClass, kFirstParamId);

    auto* elementClass = GST_ELEMENT_CLASS(klass);
    gst_element_class_set_static_metadata(
        elementClass, "Duovis stereo 3D", "Filter/Effect/Video",
        "Adjusts a stereo pair and shows it as the display type asks: the eyes packed side by side or top "
        "and "
        "bottom in one frame (as the caps' multiview-mode announces it), or a mono frame",
        "Duovis developers");
    GstCaps* caps = gst_caps_from_string(DUOVIS_GST_CAPS);
    gst_element_class_add_pad_template(elementClass,
                                       gst_pad_template_new("sink", GST_PAD_SINK, GST_PAD_ALWAYS, caps));
    gst_element_class_add_pad_template(elementClass,
                                       gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS, caps));
    gst_caps_unref(caps);

    auto* transClass = GST_BASE_TRANSFORM_CLASS(klass);
    transClass->transform_caps = transformCaps;
    transClass->passthrough_on_same_caps = FALSE;
    GST_VIDEO_FILTER_CLASS(klass)->transform_frame = transformFrame;
}

void instanceInit(GTypeInstance* instance, gpointer) {
    DuovisFilter* f = self(instance);
    f->state = new ParamState();
    f->threads = 0;
}

}  // namespace

GType duovisFilterType() {
    static const GType type = [] {
        const GTypeInfo info{sizeof(DuovisFilterClass), nullptr, nullptr,      classInit, nullptr, nullptr,
                             sizeof(DuovisFilter),      0,       instanceInit, nullptr};
        return g_type_register_static(GST_TYPE_VIDEO_FILTER, "GstDuovis", &info, GTypeFlags(0));
    }();
    return type;
}

}  // namespace duovis::gst
