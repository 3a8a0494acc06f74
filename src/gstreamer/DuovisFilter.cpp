// `duovis`: one input, a mono frame or two eyes packed side by side or top and bottom.
#include "ElementSettings.h"
#include "Elements.h"
#include "FrameRender.h"
#include "StereoCaps.h"

#include <gst/video/gstvideofilter.h>
#include <gst/video/video.h>

#include <exception>
#include <new>

namespace duovis::gst {

namespace {

struct DuovisFilter {
    GstVideoFilter parent;
    ElementSettings* settings;  // under the object lock
};

struct DuovisFilterClass {
    GstVideoFilterClass parent;
};

GstVideoFilterClass* parentClass = nullptr;

DuovisFilter* self(gpointer p) {
    return static_cast<DuovisFilter*>(p);
}

void setProperty(GObject* object, guint id, const GValue* value, GParamSpec* pspec) {
    // A new size or layout needs new output caps.
    if (setElementProperty(object, *self(object)->settings, id, value, pspec))
        gst_base_transform_reconfigure_src(GST_BASE_TRANSFORM(object));
}

void getProperty(GObject* object, guint id, GValue* value, GParamSpec* pspec) {
    getElementProperty(object, *self(object)->settings, id, value, pspec);
}

GstCaps* transformCaps(GstBaseTransform* trans, GstPadDirection direction, GstCaps* caps, GstCaps* filter) {
    const ElementSettings now = settingsNow(GST_OBJECT(trans), *self(trans)->settings);
    GstCaps* out = transformStereoCaps(now.params, direction, caps);
    if (!filter) return out;
    GstCaps* both = gst_caps_intersect_full(filter, out, GST_CAPS_INTERSECT_FIRST);
    gst_caps_unref(out);
    return both;
}

gboolean setInfo(GstVideoFilter* filter, GstCaps*, GstVideoInfo*, GstCaps*, GstVideoInfo*) {
    keepNegotiatedLayout(GST_OBJECT(filter), *self(filter)->settings);
    return TRUE;
}

GstFlowReturn transformFrame(GstVideoFilter* filter, GstVideoFrame* in, GstVideoFrame* out) {
    GstBaseTransform* trans = GST_BASE_TRANSFORM(filter);
    const GstClockTime streamTime =
        gst_segment_to_stream_time(&trans->segment, GST_FORMAT_TIME, GST_BUFFER_PTS(in->buffer));
    syncControlledValues(GST_ELEMENT(filter), streamTime);
    const ElementSettings now = settingsForFrame(GST_OBJECT(filter), *self(filter)->settings);
    const RenderRequest request{GST_ELEMENT(filter), in, nullptr, out, now.threads};
    return renderStereoFrame(request, valuesForFrame(now, in->info), frameNumberAt(streamTime, in->info));
}

void finalize(GObject* object) {
    delete self(object)->settings;
    G_OBJECT_CLASS(parentClass)->finalize(object);
}

void classInit(gpointer klass, gpointer) {
    parentClass = static_cast<GstVideoFilterClass*>(g_type_class_peek_parent(klass));
    auto* objectClass = G_OBJECT_CLASS(klass);
    objectClass->set_property = setProperty;
    objectClass->get_property = getProperty;
    objectClass->finalize = finalize;
    try {
        installElementProperties(objectClass);
    } catch (const std::exception& e) {
        g_error("duovis: cannot describe the properties: %s", e.what());  // GLib's way with no memory
    }

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
    GST_VIDEO_FILTER_CLASS(klass)->set_info = setInfo;
    GST_VIDEO_FILTER_CLASS(klass)->transform_frame = transformFrame;
}

void instanceInit(GTypeInstance* instance, gpointer) {
    try {
        self(instance)->settings = new ElementSettings();
    } catch (const std::bad_alloc&) {
        g_error("duovis: out of memory");
    }
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
