// The GStreamer plug-in in real gst-launch-1.0 pipelines, headless, against `duovis render` on
// the same pictures: raw RGBA (or RGBA64) samples compared byte for byte.
#include "core/params/Codes.h"
#include "engine/EngineParams.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <ostream>
#include <string>

namespace duovis {
namespace {

struct Outcome {
    int exitCode;
    QByteArray out;
    QString err;
};

Outcome runProgram(const QString& program, const QStringList& args, const QProcessEnvironment& env) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.waitForFinished(120000);
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            QString::fromUtf8(p.readAllStandardError())};
}

// A picture whose pixels all differ, so a misplaced or dropped pixel shows; 16 bits where asked,
// with values that 8 bits cannot hold.
QImage pattern(int w, int h, int seed, bool deep) {
    QImage img(w, h, deep ? QImage::Format_RGBA64 : QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int r = (x * 9 + seed) & 0xFF, g = (y * 13 + seed * 3) & 0xFF, b = (x ^ y) & 0xFF;
            if (deep) {
                img.setPixelColor(x, y,
                                  QColor(QRgba64::fromRgba64(quint16(r * 257 + x), quint16(g * 257 + y),
                                                             quint16(b * 251), 65535)));
            } else {
                img.setPixel(x, y, qRgba(r, g, b, 255));
            }
        }
    return img;
}

class GstPipelines : public ::testing::Test {
  protected:
    void SetUp() override {
        launch_ = QStandardPaths::findExecutable("gst-launch-1.0");
        if (launch_.isEmpty()) GTEST_SKIP() << "gst-launch-1.0 is not installed (Debian: gstreamer1.0-tools)";
        ASSERT_TRUE(dir_.isValid());
        env_ = QProcessEnvironment::systemEnvironment();
        env_.insert("GST_PLUGIN_PATH", GST_PLUGIN_DIR);
        // A registry of the tests' own: no user's stale entry for our plug-in, and one scan of
        // the system's plug-ins for every test.
        env_.insert("GST_REGISTRY_1_0", GST_TEST_REGISTRY);
    }
    QString path(const QString& name) const { return dir_.filePath(name); }
    void save(const QImage& img, const QString& name) const {
        ASSERT_TRUE(img.save(path(name))) << name.toStdString();
    }

    // Runs a pipeline description (words split at spaces) and returns what its filesink wrote.
    QByteArray gstRender(const QString& pipeline) const {
        const QString out = path("gst.raw");
        QFile::remove(out);
        const Outcome r =
            runProgram(launch_, QString("-q " + pipeline + " ! filesink location=" + out).split(' '), env_);
        EXPECT_EQ(r.exitCode, 0) << pipeline.toStdString() << "\n" << r.err.toStdString();
        // GLib's criticals and warnings do not change the exit status: they are faults all the same.
        EXPECT_FALSE(r.err.contains("CRITICAL") || r.err.contains("WARNING **")) << r.err.toStdString();
        QFile f(out);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // `duovis render` with raw samples on standard output.
    QByteArray cliRender(const QStringList& args, const char* pipe = "rgba") const {
        const Outcome r = runProgram(
            DUOVIS_CLI_PATH,
            QStringList{"render"} + args + QStringList{"--quiet", "--pipe", QString(pipe), "-o", "-"}, env_);
        EXPECT_EQ(r.exitCode, 0) << args.join(' ').toStdString() << "\n" << r.err.toStdString();
        return r.out;
    }
    // A PNG decoded to the element's 8- or 16-bit format.
    QString decoded(const QString& name, const char* format = "RGBA") const {
        return "filesrc location=" + path(name) + " ! pngdec ! videoconvert ! video/x-raw,format=" + format;
    }
    Outcome inspect(const QString& element) const {
        return runProgram(QStandardPaths::findExecutable("gst-inspect-1.0"), {element}, env_);
    }

    QString launch_;
    QTemporaryDir dir_;
    QProcessEnvironment env_;
};

std::string hexAt(const QByteArray& a, const QByteArray& b) {
    for (int i = 0; i < std::min(a.size(), b.size()); ++i)
        if (a[i] != b[i]) return "first difference at byte " + std::to_string(i);
    return "sizes " + std::to_string(a.size()) + " and " + std::to_string(b.size());
}

#define EXPECT_SAME_BYTES(a, b, what) EXPECT_TRUE((a) == (b)) << (what) << ": " << hexAt((a), (b))

// Every display type, the larger outputs included (the element negotiates their size), on a
// frame with an odd height; some with a transform, so the eyes really move.
struct DisplayCase {
    int displayType;
    QString gstExtra, cliExtra;
};

void PrintTo(const DisplayCase& c, std::ostream* os) {
    *os << kDisplayTypes[c.displayType - 1].name << c.gstExtra.toStdString();
}

class GstDisplayTypes : public GstPipelines, public ::testing::WithParamInterface<DisplayCase> {};

TEST_P(GstDisplayTypes, MatchDuovisRenderByteForByte) {
    const DisplayCase& c = GetParam();
    save(pattern(48, 27, 5, false), "in.png");
    const QString n = QString::number(c.displayType);
    const QByteArray gst = gstRender(decoded("in.png") + " ! duovis display-type=" + n + c.gstExtra);
    QStringList cli{path("in.png"), "-p", "DISPLAY_TYPE=" + n};
    if (!c.cliExtra.isEmpty()) cli += c.cliExtra.split(' ');
    const QByteArray ref = cliRender(cli);
    ASSERT_FALSE(ref.isEmpty());
    EXPECT_SAME_BYTES(gst, ref, kDisplayTypes[c.displayType - 1].name);
}

std::vector<DisplayCase> displayCases() {
    std::vector<DisplayCase> cases;
    for (int t = 1; t <= kDisplayTypeCount; ++t) cases.push_back({t, "", ""});
    // Transforms and a crop, in the effect's units.
    cases.push_back({8, " hshift-pct-b=4.5 rotate-r=3 crop-l-left=10",
                     "-p HSHIFT_PCT_B=4.5 -p ROTATE_R=3 -p CROP_L_LEFT=10"});
    cases.push_back(
        {3, " vscale-l=0.25 swap-lr=true auto-crop=true", "-p VSCALE_L=0.25 -p SWAP_LR=on -p AUTO_CROP=on"});
    // A pixel shift alone moves the eye by that many pixels.
    cases.push_back({11, " hshift-px-r=7", "-p HSHIFT_PX_R=7"});
    // A packed frame given by property, by nick.
    cases.push_back({9, " primary-demux-mode=side-by-side-50", "-p PRIMARY_DEMUX_MODE=2"});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(All, GstDisplayTypes, ::testing::ValuesIn(displayCases()));

// The packing the caps announce opens the frame, unless primary-demux-mode says otherwise; the
// output announces its own.
struct CapsCase {
    QString multiview;  // the input caps' multiview-mode
    int width, height;
    QString property;  // extra element properties
    QString cliDemux;  // the demux mode duovis render is given
    int displayType;
    const char* announced;  // the output caps' multiview-mode
};

void PrintTo(const CapsCase& c, std::ostream* os) {
    *os << (c.multiview.isEmpty() ? "unannounced" : c.multiview.toStdString()) << " " << c.width << "x"
        << c.height << c.property.toStdString();
}

class GstAnnouncedLayout : public GstPipelines, public ::testing::WithParamInterface<CapsCase> {};

TEST_P(GstAnnouncedLayout, OpensAndAnnouncesThePacking) {
    const CapsCase& c = GetParam();
    save(pattern(c.width, c.height, 9, false), "in.png");
    // A decoder says its frames are mono; capssetter tags them as a demuxer would.
    const QString caps =
        c.multiview.isEmpty() ? "" : " ! capssetter caps=video/x-raw,multiview-mode=" + c.multiview;
    const QString element = " ! duovis display-type=" + QString::number(c.displayType) + c.property;
    const QByteArray gst = gstRender(decoded("in.png") + caps + element);
    const QByteArray ref = cliRender({path("in.png"), "-p", "DISPLAY_TYPE=" + QString::number(c.displayType),
                                      "-p", "PRIMARY_DEMUX_MODE=" + c.cliDemux});
    EXPECT_SAME_BYTES(gst, ref, c.multiview.toStdString());

    const QString verbose = "-v " + decoded("in.png") + caps + element + " ! fakesink";
    const Outcome r = runProgram(launch_, verbose.split(' '), env_);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString srcCaps =
        QString::fromUtf8(r.out).section("GstDuovis:duovis0.GstPad:src: caps = ", 1).section('\n', 0, 0);
    EXPECT_TRUE(srcCaps.contains(QString("multiview-mode=(string)") + c.announced)) << srcCaps.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, GstAnnouncedLayout,
    ::testing::Values(CapsCase{"side-by-side", 48, 27, "", "2", 8, "mono"},          // squeezed halves
                      CapsCase{"side-by-side", 96, 18, "", "4", 3, "side-by-side"},  // much wider: full eyes
                      CapsCase{"top-bottom", 32, 36, "", "5", 6, "top-bottom"},
                      CapsCase{"top-bottom", 48, 36, "", "3", 4, "side-by-side"},
                      CapsCase{"side-by-side", 64, 18, " primary-demux-mode=none", "1", 12, "mono"},
                      CapsCase{"", 64, 18, " primary-demux-mode=3", "3", 5, "top-bottom"}));

// The second eye on its own pad, paired by time, against --second.
class GstPair : public GstPipelines, public ::testing::WithParamInterface<int> {};

TEST_P(GstPair, MatchesDuovisRenderWithSecond) {
    const int display = GetParam();
    save(pattern(40, 23, 1, false), "left.png");
    save(pattern(40, 23, 77, false), "right.png");
    const QString n = QString::number(display);
    const QString still = " ! imagefreeze num-buffers=1";
    const QByteArray gst =
        gstRender(decoded("left.png") + still + " ! p.sink_0 " + decoded("right.png") + still +
                  " ! p.sink_1 duovispair name=p display-type=" + n + " vshift-pct-r=-6");
    const QByteArray ref = cliRender({path("left.png"), "--second", path("right.png"), "-p",
                                      "DISPLAY_TYPE=" + n, "-p", "VSHIFT_PCT_R=-6"});
    EXPECT_SAME_BYTES(gst, ref, kDisplayTypes[display - 1].name);
}

INSTANTIATE_TEST_SUITE_P(Some, GstPair, ::testing::Values(2, 3, 4, 8, 12, 13));

// Matroska's stereo tag reaches the element as the caps' multiview-mode: a side-by-side file
// that duovis render wrote opens as duovis render opens it, frame by frame, through the
// alternating display type's switch at frame 4 too. (The decoder's BGRx keeps its padding as
// alpha through videoconvert; going by RGB makes the frames opaque, as duovis render reads them.)
TEST_F(GstPipelines, MatroskaStereoTagOpensTheFileAsDuovisRenderDoes) {
    if (inspect("avdec_ffv1").exitCode != 0)
        GTEST_SKIP() << "no FFV1 decoder in GStreamer (Debian: gstreamer1.0-libav)";
    for (int i = 0; i < 8; ++i)
        save(pattern(48, 27, 20 + i, false), QString("eye_%1.png").arg(i, 4, 10, QChar('0')));
    const Outcome made = runProgram(DUOVIS_CLI_PATH,
                                    {"render", path("eye_%04d.png"), "-p", "DISPLAY_TYPE=Side-By-Side(100%)",
                                     "--codec", "ffv1", "--quiet", "-o", path("sbs.mkv")},
                                    env_);
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    for (int display : {8, 14}) {
        const QString n = QString::number(display);
        const QByteArray gst = gstRender(
            "filesrc location=" + path("sbs.mkv") +
            " ! matroskademux ! avdec_ffv1 ! videoconvert ! video/x-raw,format=RGB ! videoconvert ! "
            "video/x-raw,format=RGBA ! "
            "duovis display-type=" +
            n);
        const QByteArray ref = cliRender({path("sbs.mkv"), "-p", "DISPLAY_TYPE=" + n});
        ASSERT_EQ(ref.size(), 8 * 48 * 27 * 4);
        EXPECT_SAME_BYTES(gst, ref, kDisplayTypes[display - 1].name);
    }
}

// The pair's pads as a pipeline may leave them: the right one unlinked renders as without a
// second layer; the left one unlinked, or eyes in two formats, fail naming the culprit.
struct PadCase {
    const char* what;
    QString left, right;  // the pipelines feeding sink_0 and sink_1, empty: unlinked
    const char* refusal;  // empty: renders as duovis render without --second
};

void PrintTo(const PadCase& c, std::ostream* os) {
    *os << c.what;
}

class GstPairPads : public GstPipelines, public ::testing::WithParamInterface<PadCase> {};

TEST_P(GstPairPads, RenderOrFailNamingThePad) {
    const PadCase& c = GetParam();
    save(pattern(40, 23, 1, false), "left.png");
    QString feeds;
    if (!c.left.isEmpty()) feeds += c.left.arg(decoded("left.png")) + " ! p.sink_0 ";
    if (!c.right.isEmpty()) feeds += c.right.arg(decoded("left.png")) + " ! p.sink_1 ";
    const QString pair = "duovispair name=p display-type=8";
    if (*c.refusal) {
        const Outcome r = runProgram(launch_, QString("-q " + feeds + pair + " ! fakesink").split(' '), env_);
        EXPECT_NE(r.exitCode, 0);
        EXPECT_TRUE(r.err.contains(c.refusal)) << r.err.toStdString();
        return;
    }
    const QByteArray gst = gstRender(feeds + pair);
    EXPECT_SAME_BYTES(gst, cliRender({path("left.png"), "-p", "DISPLAY_TYPE=8"}), c.what);
}

INSTANTIATE_TEST_SUITE_P(
    Links, GstPairPads,
    ::testing::Values(PadCase{"right unlinked", "%1 ! imagefreeze num-buffers=1", "", ""},
                      PadCase{"left unlinked", "", "%1 ! imagefreeze num-buffers=1",
                              "sink_0 (the left eye) is not linked"},
                      PadCase{"two formats", "%1 ! imagefreeze num-buffers=1",
                              "%1 ! videoconvert ! video/x-raw,format=RGBA64_LE ! imagefreeze num-buffers=1",
                              "the right eye's format RGBA64_LE differs from the left eye's RGBA"}));

// 16 bits a channel stay 16 bits: the float render of the editing host, through RGBA64.
TEST_F(GstPipelines, SixteenBitsMatchTheEditingHostsFloatRender) {
    save(pattern(50, 21, 3, true), "deep.png");
    for (int display : {3, 8, 11}) {
        const QString n = QString::number(display);
        const QByteArray gst =
            gstRender(decoded("deep.png", "RGBA64_LE") + " ! duovis rotate-l=5 display-type=" + n);
        const QByteArray ref =
            cliRender({path("deep.png"), "--host", "premiere", "-p", "ROTATE_L=5", "-p", "DISPLAY_TYPE=" + n},
                      "rgba64");
        EXPECT_SAME_BYTES(gst, ref, kDisplayTypes[display - 1].name);
    }
}

// A frame large enough to split into row bands, on one thread and on every core: both the
// single-threaded duovis render's bytes.
TEST_F(GstPipelines, PixelsDoNotDependOnTheThreadCount) {
    save(pattern(1280, 721, 2, false), "big.png");
    for (int display : {4, 5, 7, 13}) {
        const QString n = QString::number(display);
        const QByteArray ref =
            cliRender({path("big.png"), "--threads", "1", "-p", "ROTATE_B=7", "-p", "DISPLAY_TYPE=" + n});
        for (const char* threads : {"1", "0", "3"}) {
            const QByteArray gst = gstRender(decoded("big.png") + " ! duovis rotate-b=7 display-type=" + n +
                                             " n-threads=" + threads);
            EXPECT_SAME_BYTES(gst, ref,
                              kDisplayTypes[display - 1].name + std::string(", n-threads=") + threads);
        }
    }
}

// Only the descriptor GStreamer looks up is exported: the static core and the C++ runtime's
// symbols stay inside, so a Qt host process that loads the plug-in meets no second copy.
TEST(GstPluginLibrary, ExportsOnlyThePluginDescriptor) {
    const QString nm = QStandardPaths::findExecutable("nm");
    if (nm.isEmpty()) GTEST_SKIP() << "nm is not installed (Debian: binutils)";
    const Outcome r = runProgram(nm, {"-D", "--defined-only", QString(GST_PLUGIN_DIR) + "/libgstduovis.so"},
                                 QProcessEnvironment::systemEnvironment());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QStringList exported;
    for (const QString& line : QString::fromUtf8(r.out).split('\n', Qt::SkipEmptyParts)) {
        const QStringList f = line.split(' ', Qt::SkipEmptyParts);
        const QStringList linkerMarks{"__bss_start", "_edata", "_end", "_init", "_fini"};
        if (f.size() == 3 && QString("TDBRVWiu").contains(f[1]) && !linkerMarks.contains(f[2]))
            exported << f[2];
    }
    EXPECT_EQ(exported, QStringList{"gst_plugin_duovis_get_desc"}) << exported.join(' ').toStdString();
}

// gst-inspect-1.0 lists every parameter the engine offers, with the popups' choices and the
// animatable sliders controllable.
TEST_F(GstPipelines, InspectDescribesEveryParameter) {
    for (const QString element : {"duovis", "duovispair"}) {
        const Outcome r = inspect(element);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const QString text = QString::fromUtf8(r.out);
        for (ParamId id : engine::engineParams()) {
            const QString name = QString::fromStdString(engine::propertyName(id, '-'));
            // The property's line and its indented continuation, up to the next property.
            const QRegularExpression re(
                "\n  " + QRegularExpression::escape(name) + " *:(.*?)(?=\n  \\S|\n\n|$)",
                QRegularExpression::DotMatchesEverythingOption);
            const QString entry = re.match(text).captured(1);
            ASSERT_FALSE(entry.isEmpty()) << element.toStdString() << " lacks " << name.toStdString();
            EXPECT_EQ(entry.contains("controllable"), engine::isAnimatable(id)) << name.toStdString();
            for (const std::string& choice : engine::popupChoices(id))
                EXPECT_TRUE(entry.contains(QString::fromStdString(choice)))
                    << name.toStdString() << ": " << choice;
        }
    }
}

}  // namespace
}  // namespace duovis
