// `duovispair`: the left eye on sink_0 (the primary layer) and the right eye on sink_1 (the
// second layer), paired by time as GstVideoAggregator pairs its inputs.
#include "ElementSettings.h"
#include "Elements.h"
#include "FrameRender.h"
#include "StereoCaps.h"

#include <gst/video/gstvideoaggregator.h>
#include <gst/video/video.h>

#include <exception>
#include <new>

namespace duovis::gst {

namespace {

struct DuovisPair {
    GstVideoAggregator parent;
    GstVideoAggregatorPad* left;
    GstVideoAggregatorPad* right;
    ElementSettings* settings;  // under the object lock
};

struct DuovisPairClass {
    GstVideoAggregatorClass parent;
};

GstVideoAggregatorClass* parentClass = nullptr;

DuovisPair* self(gpointer p) {
    return static_cast<DuovisPair*>(p);
}

void setProperty(GObject* object, guint id, const GValue* value, GParamSpec* pspec) {
    // A new size or layout needs new output caps.
    if (setElementProperty(object, *self(object)->settings, id, value, pspec))
        gst_pad_mark_reconfigure(GST_AGGREGATOR_SRC_PAD(object));
}

void getProperty(GObject* object, guint id, GValue* value, GParamSpec* pspec) {
    getElementProperty(object, *self(object)->settings, id, value, pspec);
}

// The left stream's value where the caps leave a choice, and where they say nothing.
void fixateFraction(GstStructure* s, const char* field, int num, int den) {
    if (gst_structure_has_field(s, field)) {
        gst_structure_fixate_field_nearest_fraction(s, field, num, den);
    } else {
        gst_structure_set(s, field, GST_TYPE_FRACTION, num, den, nullptr);
    }
}

// The output is the size the display type makes of the left eye, at the left stream's rate.
GstCaps* fixateSrcCaps(GstAggregator* agg, GstCaps* caps) {
    DuovisPair* p = self(agg);
    const GstVideoInfo& left = p->left->info;
    caps = gst_caps_truncate(gst_caps_make_writable(caps));
    if (GST_VIDEO_INFO_WIDTH(&left) > 0 && GST_VIDEO_INFO_HEIGHT(&left) > 0) {
        GstStructure* s = gst_caps_get_structure(caps, 0);
        keepNegotiatedLayout(GST_OBJECT(agg), *p->settings);
        const ElementSettings now = settingsForFrame(GST_OBJECT(agg), *p->settings);
        if (!setOutputLayout(s, valuesForFrame(now, left), GST_VIDEO_INFO_WIDTH(&left),
                             GST_VIDEO_INFO_HEIGHT(&left))) {
            gst_caps_unref(caps);
            return gst_caps_new_empty();
        }
        fixateFraction(s, "framerate", GST_VIDEO_INFO_FPS_N(&left), GST_VIDEO_INFO_FPS_D(&left));
        fixateFraction(s, "pixel-aspect-ratio", GST_VIDEO_INFO_PAR_N(&left), GST_VIDEO_INFO_PAR_D(&left));
    }
    return gst_caps_fixate(caps);
}

GstFlowReturn aggregateFrames(GstVideoAggregator* vagg, GstBuffer* outbuf) {
    DuovisPair* p = self(vagg);
    GstVideoFrame out;
    if (!gst_video_frame_map(&out, &vagg->info, outbuf, GST_MAP_WRITE)) {
        GST_ELEMENT_ERROR(vagg, RESOURCE, WRITE, (nullptr), ("cannot map the output frame for writing"));
        return GST_FLOW_ERROR;
    }
    GstVideoFrame* left = gst_video_aggregator_pad_get_prepared_frame(p->left);
    GstVideoFrame* right = gst_video_aggregator_pad_get_prepared_frame(p->right);
    const GstSegment& segment = GST_AGGREGATOR_PAD(GST_AGGREGATOR_SRC_PAD(vagg))->segment;
    const GstClockTime streamTime =
        gst_segment_to_stream_time(&segment, GST_FORMAT_TIME, GST_BUFFER_PTS(outbuf));
    syncControlledValues(GST_ELEMENT(vagg), streamTime);
    GstFlowReturn ret = GST_FLOW_OK;
    if (left) {
        const ElementSettings now = settingsForFrame(GST_OBJECT(vagg), *p->settings);
        const RenderRequest request{GST_ELEMENT(vagg), left, right, &out, now.threads};
        ret = renderStereoFrame(request, valuesForFrame(now, left->info),
                                frameNumberAt(streamTime, vagg->info));
    } else {
        clearFrame(&out);  // no left frame for this time (its stream ended first): nothing to show
    }
    gst_video_frame_unmap(&out);
    return ret;
}

// A sink pad that is not linked would hold every frame back waiting for its data. Without the
// left eye there is nothing to render, so that is an error; without the right eye the effect
// renders as without a second layer, so the pad is ended as an empty stream would end.
bool settleUnlinkedPads(DuovisPair* p) {
    if (!gst_pad_is_linked(GST_PAD(p->left))) {
        GST_ELEMENT_ERROR(p, CORE, PAD, ("sink_0 (the left eye) is not linked"), (nullptr));
        return false;
    }
    if (!gst_pad_is_linked(GST_PAD(p->right))) {
        GstPad* right = GST_PAD(p->right);
        gst_pad_send_event(right, gst_event_new_stream_start("duovispair-no-right-eye"));
        GstSegment segment;
        gst_segment_init(&segment, GST_FORMAT_TIME);
        gst_pad_send_event(right, gst_event_new_segment(&segment));
        gst_pad_send_event(right, gst_event_new_eos());
    }
    return true;
}

GstStateChangeReturn changeState(GstElement* element, GstStateChange transition) {
    const GstStateChangeReturn ret = GST_ELEMENT_CLASS(parentClass)->change_state(element, transition);
    // The pads take events once the parent has activated them.
    if (ret != GST_STATE_CHANGE_FAILURE && transition == GST_STATE_CHANGE_READY_TO_PAUSED &&
        !settleUnlinkedPads(self(element)))
        return GST_STATE_CHANGE_FAILURE;
    return ret;
}

void finalize(GObject* object) {
    delete self(object)->settings;
    G_OBJECT_CLASS(parentClass)->finalize(object);
}

void classInit(gpointer klass, gpointer) {
    parentClass = static_cast<GstVideoAggregatorClass*>(g_type_class_peek_parent(klass));
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
    elementClass->change_state = changeState;
    gst_element_class_set_static_metadata(
        elementClass, "Duovis stereo 3D pair", "Filter/Effect/Video",
        "Adjusts a stereo pair given as two streams, the left eye on sink_0 and the right eye on sink_1, and "
        "shows it as the display type asks",
        "Duovis developers");
    GstCaps* caps = gst_caps_from_string(DUOVIS_GST_CAPS);
    for (const char* name : {"sink_0", "sink_1"})
        gst_element_class_add_pad_template(
            elementClass, gst_pad_template_new_with_gtype(name, GST_PAD_SINK, GST_PAD_ALWAYS, caps,
                                                          GST_TYPE_VIDEO_AGGREGATOR_PAD));
    gst_element_class_add_pad_template(
        elementClass,
        gst_pad_template_new_with_gtype("src", GST_PAD_SRC, GST_PAD_ALWAYS, caps, GST_TYPE_AGGREGATOR_PAD));
    gst_caps_unref(caps);

    GST_AGGREGATOR_CLASS(klass)->fixate_src_caps = fixateSrcCaps;
    GST_VIDEO_AGGREGATOR_CLASS(klass)->aggregate_frames = aggregateFrames;
}

GstVideoAggregatorPad* addSinkPad(GstElement* element, const char* name) {
    GstPadTemplate* templ = gst_element_class_get_pad_template(GST_ELEMENT_GET_CLASS(element), name);
    gpointer pad = g_object_new(GST_TYPE_VIDEO_AGGREGATOR_PAD, "name", name, "direction", GST_PAD_SINK,
                                "template", templ, nullptr);
    gst_element_add_pad(element, GST_PAD(pad));
    return GST_VIDEO_AGGREGATOR_PAD(pad);
}

void instanceInit(GTypeInstance* instance, gpointer) {
    DuovisPair* p = self(instance);
    try {
        p->settings = new ElementSettings();
    } catch (const std::bad_alloc&) {
        g_error("duovis: out of memory");
    }
    p->left = addSinkPad(GST_ELEMENT(instance), "sink_0");
    p->right = addSinkPad(GST_ELEMENT(instance), "sink_1");
}

}  // namespace

GType duovisPairType() {
    static const GType type = [] {
        const GTypeInfo info{sizeof(DuovisPairClass), nullptr, nullptr,      classInit, nullptr, nullptr,
                             sizeof(DuovisPair),      0,       instanceInit, nullptr};
        return g_type_register_static(GST_TYPE_VIDEO_AGGREGATOR, "GstDuovisPair", &info, GTypeFlags(0));
    }();
    return type;
}

}  // namespace duovis::gst
