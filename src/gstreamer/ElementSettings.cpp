#include "ElementSettings.h"

#include "StereoCaps.h"

namespace duovis::gst {

namespace {

// Property ids: the element's own first, then one per parameter.
enum : guint { PROP_0, PROP_N_THREADS, kFirstParamId };

}  // namespace

void installElementProperties(GObjectClass* klass) {
    g_object_class_install_property(
        klass, PROP_N_THREADS,
        g_param_spec_uint("n-threads", "Threads", "Threads rendering a frame's row bands (0: one per core)",
                          0, G_MAXUINT, 0, GParamFlags(G_PARAM_READWRITE | G_PARAM_STATIC_STRINGS)));
    installParamProperties(klass, kFirstParamId);
}

bool setElementProperty(GObject* element, ElementSettings& settings, guint id, const GValue* value,
                        GParamSpec* pspec) {
    GST_OBJECT_LOCK(element);
    bool known = true;
    if (id == PROP_N_THREADS) {
        settings.threads = g_value_get_uint(value);
    } else {
        known = setParamProperty(settings.params, id, kFirstParamId, value);
    }
    GST_OBJECT_UNLOCK(element);
    if (!known) G_OBJECT_WARN_INVALID_PROPERTY_ID(element, id, pspec);
    return known && changesOutputCaps(id, kFirstParamId);
}

void getElementProperty(GObject* element, const ElementSettings& settings, guint id, GValue* value,
                        GParamSpec* pspec) {
    GST_OBJECT_LOCK(element);
    bool known = true;
    if (id == PROP_N_THREADS) {
        g_value_set_uint(value, settings.threads);
    } else {
        known = getParamProperty(settings.params, id, kFirstParamId, value);
    }
    GST_OBJECT_UNLOCK(element);
    if (!known) G_OBJECT_WARN_INVALID_PROPERTY_ID(element, id, pspec);
}

ElementSettings settingsNow(GstObject* element, const ElementSettings& settings) {
    GST_OBJECT_LOCK(element);
    const ElementSettings now = settings;
    GST_OBJECT_UNLOCK(element);
    return now;
}

void keepNegotiatedLayout(GstObject* element, ElementSettings& settings) {
    GST_OBJECT_LOCK(element);
    const ParamState& p = settings.params;
    settings.layout =
        NegotiatedLayout{true, p.values[DISPLAY_TYPE], p.values[PRIMARY_DEMUX_MODE], p.demuxGiven};
    GST_OBJECT_UNLOCK(element);
}

ElementSettings settingsForFrame(GstObject* element, const ElementSettings& settings) {
    ElementSettings now = settingsNow(element, settings);
    if (now.layout.set) {
        now.params.values[DISPLAY_TYPE] = now.layout.displayType;
        now.params.values[PRIMARY_DEMUX_MODE] = now.layout.demuxMode;
        now.params.demuxGiven = now.layout.demuxGiven;
    }
    return now;
}

ParamValues valuesForFrame(const ElementSettings& now, const GstVideoInfo& info) {
    GstCaps* caps = gst_video_info_to_caps(&info);
    const ParamValues v = valuesForStream(now.params, gst_caps_get_structure(caps, 0));
    gst_caps_unref(caps);
    return v;
}

}  // namespace duovis::gst
