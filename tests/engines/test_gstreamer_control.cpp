// The elements' controllable parameters inside a process of our own: a slider driven by a
// control source renders, at a time between two keyframes, as the value there set directly.
#include <gst/controller/gstdirectcontrolbinding.h>
#include <gst/controller/gstinterpolationcontrolsource.h>
#include <gst/gst.h>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>

namespace duovis {
namespace {

class GstControl : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        setenv("GST_PLUGIN_PATH", GST_PLUGIN_DIR, 1);
        setenv("GST_REGISTRY_1_0", GST_TEST_REGISTRY, 1);
        gst_init(nullptr, nullptr);
    }
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(gst_registry_check_feature_version(gst_registry_get(), "duovis", 1, 0, 0))
            << "the duovis element is not in the registry (GST_PLUGIN_PATH " << GST_PLUGIN_DIR << ")";
    }

    // `frames` 64x36 frames from 1 s on (from 0 for the pair), through `duovis` (or the left pad of
    // `duovispair`) with `properties`; `control` may bind sources to the element, or probe its pads, before
    // it plays. Returns what the filesink wrote.
    QByteArray render(const char* properties, void (*control)(GstElement*) = nullptr, int frames = 1,
                      bool pair = false) const {
        const QString out = dir_.filePath("out.raw");
        const QString description =
            QString(
                "videotestsrc num-buffers=%3 pattern=smpte timestamp-offset=%5 ! "
                "video/x-raw,format=RGBA,width=64,height=36,framerate=24/1 ! %4 %1 ! filesink location=%2")
                .arg(properties, out)
                .arg(frames)
                .arg(pair ? "d.sink_0 duovispair name=d" : "duovis name=d")
                // The pair would fill the time before its first frame with empty ones.
                .arg(pair ? "0" : "1000000000");
        GError* error = nullptr;
        GstElement* pipeline = gst_parse_launch(description.toUtf8().constData(), &error);
        EXPECT_TRUE(pipeline && !error) << (error ? error->message : "no pipeline");
        if (error) g_error_free(error);
        if (!pipeline) return {};
        if (control) {
            GstElement* d = gst_bin_get_by_name(GST_BIN(pipeline), "d");
            control(d);
            gst_object_unref(d);
        }
        gst_element_set_state(pipeline, GST_STATE_PLAYING);
        GstBus* bus = gst_element_get_bus(pipeline);
        GstMessage* msg = gst_bus_timed_pop_filtered(bus, 30 * GST_SECOND,
                                                     GstMessageType(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
        EXPECT_TRUE(msg && GST_MESSAGE_TYPE(msg) == GST_MESSAGE_EOS) << "the pipeline did not finish cleanly";
        if (msg) gst_message_unref(msg);
        gst_object_unref(bus);
        gst_element_set_state(pipeline, GST_STATE_NULL);
        gst_object_unref(pipeline);
        QFile f(out);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir_;
};

// Keyframes 2 at 0 s and 8 at 2 s, in the slider's own units (an absolute binding, so no
// normalisation to 0..1 rounds the value on the way).
void rampVerticalShift(GstElement* d) {
    GstControlSource* source = gst_interpolation_control_source_new();
    g_object_set(source, "mode", GST_INTERPOLATION_MODE_LINEAR, nullptr);
    auto* timed = GST_TIMED_VALUE_CONTROL_SOURCE(source);
    gst_timed_value_control_source_set(timed, 0, 2.0);
    gst_timed_value_control_source_set(timed, 2 * GST_SECOND, 8.0);
    gst_object_add_control_binding(
        GST_OBJECT(d), gst_direct_control_binding_new_absolute(GST_OBJECT(d), "vshift-pct-l", source));
    gst_object_unref(source);
}

TEST_F(GstControl, KeyframedSliderAtItsMidpointRendersAsTheStaticValue) {
    const QByteArray ramped = render("display-type=8", rampVerticalShift);
    ASSERT_EQ(ramped.size(), 64 * 36 * 4);
    EXPECT_EQ(ramped, render("display-type=8 vshift-pct-l=5"));
    EXPECT_NE(ramped, render("display-type=8 vshift-pct-l=2"));  // the source really drove it
}

// The second frame leaving switches the display type to full-size side by side, before the
// element has begun the third.
struct Switch {
    GstElement* element;
    int seen = 0;
};

GstPadProbeReturn countAndSwitch(GstPad*, GstPadProbeInfo*, gpointer data) {
    auto* sw = static_cast<Switch*>(data);
    if (++sw->seen == 2) g_object_set(sw->element, "display-type", 4, nullptr);
    return GST_PAD_PROBE_OK;
}

void switchDisplayTypeAfterTheSecondFrame(GstElement* d) {
    GstPad* src = gst_element_get_static_pad(d, "src");
    gst_pad_add_probe(src, GST_PAD_PROBE_TYPE_BUFFER, countAndSwitch, new Switch{d},
                      [](gpointer data) { delete static_cast<Switch*>(data); });
    gst_object_unref(src);
}

// Both elements: the frames before the switch as at the old display type, those after it at
// the new one's size and pixels.
class GstControlBoth : public GstControl, public ::testing::WithParamInterface<bool> {};

TEST_P(GstControlBoth, DisplayTypeChangedWhilePlayingRenegotiatesTheSize) {
    const bool pair = GetParam();
    constexpr int kHalf = 64 * 36 * 4, kFull = 2 * kHalf;
    const QByteArray changed = render("display-type=3", switchDisplayTypeAfterTheSecondFrame, 4, pair);
    ASSERT_EQ(changed.size(), 2 * kHalf + 2 * kFull);
    const QByteArray half = render("display-type=3", nullptr, 4, pair),
                     full = render("display-type=4", nullptr, 4, pair);
    EXPECT_EQ(changed.left(2 * kHalf), half.left(2 * kHalf));
    EXPECT_EQ(changed.mid(2 * kHalf), full.mid(2 * kFull));
}

INSTANTIATE_TEST_SUITE_P(Elements, GstControlBoth, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& i) {
                             return i.param ? "duovispair" : "duovis";
                         });

}  // namespace
}  // namespace duovis
