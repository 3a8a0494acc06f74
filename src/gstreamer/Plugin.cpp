// The plug-in's descriptor, the one symbol the library exports.
#include "Elements.h"

#include <exception>

namespace {

gboolean pluginInit(GstPlugin* plugin) {
    // Called by GStreamer: nothing may leave it but the answer.
    try {
        return gst_element_register(plugin, "duovis", GST_RANK_NONE, duovis::gst::duovisFilterType()) &&
               gst_element_register(plugin, "duovispair", GST_RANK_NONE, duovis::gst::duovisPairType());
    } catch (const std::exception& e) {
        GST_ERROR("duovis: cannot register the elements: %s", e.what());
        return FALSE;
    }
}

}  // namespace

#define PACKAGE "duovis"
GST_PLUGIN_DEFINE(GST_VERSION_MAJOR, GST_VERSION_MINOR, duovis, "Stereo 3D adjustment and preview",
                  pluginInit, DUOVIS_VERSION_TEXT, "Proprietary", "Duovis", "Duovis")
