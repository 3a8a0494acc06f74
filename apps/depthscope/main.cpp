// depthscope: measures how the right eye of a stereo pair is misaligned against the left and
// gives the effect the corrections, over its two local sockets or on two image files.
#include "AnalyseOptions.h"
#include "Analysis.h"
#include "BigBuffers.h"
#include "Report.h"
#include "ShotCommand.h"
#include "Synth.h"
#include "ToolStream.h"
#include "media/AtomicSave.h"
#include "media/PixelLimit.h"
#include "media/SameFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QImage>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace depthscope;

namespace {

void quietQtMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

const char* kHelp =
    "usage: depthscope COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  Plugin                    the effect's exchange: read the pair from the local socket\n"
    "                            \"depthscope.pipe\", reply on \"depthscope.pipeout\"\n"
    "  analyse LEFT RIGHT        measure two image files, one per eye, or a shot's depth over\n"
    "                            its frames (--frames)\n"
    "  synth LEFT RIGHT          write a synthetic misaligned pair\n"
    "\n"
    "`depthscope COMMAND --help` describes each command's options.\n";

const char* kPluginHelp =
    "usage: depthscope Plugin\n"
    "\n"
    "Connects to the effect's local socket \"depthscope.pipe\", reads the parameter block and the\n"
    "layer pixels, measures the right eye against the left and replies on \"depthscope.pipeout\"\n"
    "with corrected \"Vertical Shift Right %\", \"Rotate Right\" and \"Scale Right\". Bad input gets a\n"
    "reply that changes nothing. Each connect and each wait for data gives up after 20 s\n"
    "(DEPTHSCOPE_TIMEOUT_MS overrides). Exit 0: corrections sent; 1: a reply without changes;\n"
    "3: the effect could not be reached.\n";

const char* kAnalyseHelp =
    "usage: depthscope analyse LEFT RIGHT [--json] [--report REPORT.png] [--max-megapixels N]\n"
    "\n"
    "Measures the right eye against the left: vertical offset, rotation and scale, and the\n"
    "keystones where the pairs support them (to be corrected), the depth budget (the 2nd to 98th\n"
    "percentile of a dense disparity map of the corrected pair, with the matched pairs' range as a\n"
    "second opinion; reported, not corrected), and what the effect's right-eye values would\n"
    "become from their defaults. LEFT and RIGHT may\n"
    "be any image file duovis reads (PNG, JPEG, TIFF, OpenEXR, DPX, ...).\n"
    "  --json            print the JSON record instead of the summary\n"
    "  --report FILE     write a picture: the matched pairs and a disparity histogram\n"
    "  --max-megapixels N  refuses an input that declares more pixels, before decoding it\n"
    "                    (default 300, or DUOVIS_MAX_MEGAPIXELS)\n"
    "The last line of the summary (\"verdict\" in the JSON) says whether the matches carry a\n"
    "correction: \"ok\", or \"refused\" with the reason where they are too few, crowded into part\n"
    "of the frame, or where the frame's halves disagree (a repeated pattern matched a period off).\n"
    "Exit 0: measured; 1: refused, no correction (the reason on standard error); 2: an option or\n"
    "an input file that cannot be used.\n"
    "\n"
    "usage: depthscope analyse LEFT RIGHT --frames A-B[xN] [--json] [--report PLOT.png]\n"
    "                          [--limits NEAR,FAR]\n"
    "       depthscope analyse PACKED_VIDEO [--frames A-B[xN]] ...\n"
    "\n"
    "A shot's depth report: each frame's near and far ends of the dense disparity map, right minus\n"
    "left in percent of the eye width (negative: nearer than the screen; positive: farther),\n"
    "measured as above on the corrected pair. LEFT and RIGHT are numbered sequences (L_%04d.png,\n"
    "L_####.png, or one numbered file standing for its sequence) or videos; a side-by-side or\n"
    "top-bottom video alone is both eyes, its layout read from its stereo metadata as duovis render\n"
    "reads it. Frames are the sequence's own numbers (a video's from 0), as duovis render --frames\n"
    "counts them; without --frames, every frame of LEFT. A pattern or a video as LEFT is a shot\n"
    "without --frames too.\n"
    "  --frames A-B[xN]  frame N, frames A to B, or every Nth of them\n"
    "  --limits NEAR,FAR the comfort limits, NEAR below FAR (default -1,2: nothing nearer than -1 %\n"
    "                    nor farther than +2 % of the eye width)\n"
    "  --json            {\"frames\": [{\"frame\": N, \"disparity_pct\": {\"near\": .., \"far\": ..},\n"
    "                    \"beyond_limits\": true|false}, ..]}; a frame not measured has null ends,\n"
    "                    \"measured\": false and its \"reason\"\n"
    "  --report FILE     the plot over time: the comfort band shaded, frames beyond it marked\n"
    "Frames beyond the limits, and frames the dense map could not measure, are named on standard\n"
    "error as they are measured. Exit 0: every frame measured; 1: some frame not measured; 2: an\n"
    "option, an input or a frame that cannot be used.\n";

const char* kSynthHelp =
    "usage: depthscope synth LEFT RIGHT [--scene NAME] [--size WxH] [--vertical PX] [--rotate DEG]\n"
    "                        [--scale PCT] [--keystone-h DEG] [--keystone-v DEG] [--near PCT]\n"
    "                        [--far PCT] [--seed N]\n"
    "\n"
    "Writes a synthetic pair: a textured background and three slabs in front of it, the right eye\n"
    "moved down by --vertical pixels (default 4), turned clockwise by --rotate degrees (0.8) and\n"
    "enlarged by --scale percent (1.5) about its centre. --near and --far are the disparities of\n"
    "the slabs and the background in percent of the width (-1.5 and 1.0). Size 960x540.\n"
    "  --keystone-h DEG  --keystone-v DEG  before that, turn the right eye as the effect's\n"
    "                    right-eye keystones of these many degrees would (default 0): a rig whose\n"
    "                    cameras converge or tilt; a press should reply with the opposite\n"
    "  --scene NAME      slabs (default); or a scene made to mislead a measurement: pattern\n"
    "                    (repeated squares over most of the frame, at the near disparity), corner\n"
    "                    or strip (texture in one corner or one strip only), wall (one textured\n"
    "                    plane at the far disparity), blank (a plain wall, only noise)\n";

int usage(const std::string& message) {
    std::fprintf(stderr, "depthscope: %s\n", message.c_str());
    return 2;
}

bool wantsHelp(const std::vector<std::string>& args) {
    for (const auto& a : args)
        if (a == "--help" || a == "-h") return true;
    return false;
}

bool parseNumber(const std::string& text, double& out) {
    bool ok = false;
    out = QString::fromStdString(text).toDouble(&ok);
    return ok && std::isfinite(out);
}

// Whatever the name's extension, as the options promise; throws naming the file.
void savePng(const QImage& image, const std::string& file) {
    duovis::saveImageAtomically(image, QFile::decodeName(file.c_str()), duovis::SaveMode::Replace, "PNG");
}

void printSummary(const Analysis& a) {
    const Correction& c = a.correction;
    std::printf("eye %d x %d, %d matches, %zu pairs used\n", a.views.eye.width, a.views.eye.height,
                a.pairs.matches, a.pairs.left.size());
    std::printf("right eye vs left: vertical %+.3f px, rotation %+.4f deg, scale %+.4f %%\n",
                c.measured.verticalPx, c.measured.rotationDeg, c.measured.scalePct);
    if (c.fit.fitted(3) || c.fit.fitted(4))
        std::printf(
            "keystones: horizontal %+.2f deg, vertical %+.2f deg (held-out rms %.3f px, %.3f px "
            "without them)\n",
            c.measured.keystoneHDeg, c.measured.keystoneVDeg, c.fit.heldOutPx[std::size_t(c.fit.model)],
            c.fit.heldOutPx[kPlain]);
    if (a.depth.measured)
        std::printf(
            "depth budget: near %+.3f %%, far %+.3f %% of the eye width (range %.3f %%, %.0f %% of the "
            "picture matched)\n",
            a.depth.nearPct, a.depth.farPct, a.depth.farPct - a.depth.nearPct, a.depth.validShare * 100);
    else
        std::printf("depth budget: not measured (%.0f %% of the picture matched)\n",
                    a.depth.validShare * 100);
    std::printf("disparity of the pairs: near %+.3f %%, far %+.3f %% of the eye width (range %.3f %%)\n",
                c.disparity.nearPct, c.disparity.farPct, c.disparity.farPct - c.disparity.nearPct);
    std::printf("correction: Vertical Shift Right %% %.4f, Rotate Right %.2f, Scale Right %.4f",
                c.after[duovis::VSHIFT_PCT_R], c.after[duovis::ROTATE_R], c.after[duovis::SCALE_R]);
    if (c.fit.fitted(3)) std::printf(", Horizontal Keystone Right %.2f", c.after[duovis::HKEYSTONE_R]);
    if (c.fit.fitted(4)) std::printf(", Vertical Keystone Right %.2f", c.after[duovis::VKEYSTONE_R]);
    std::printf("\n");
    std::printf(
        "after correction: vertical %+.3f px, rotation %+.4f deg, scale %+.4f %%, scatter %.3f px rms\n",
        c.residual.verticalPx, c.residual.rotationDeg, c.residual.scalePct, c.residual.rmsPx);
    std::printf("verdict: %s\n", verdictLine(a).c_str());
}

int analyseCommand(const std::vector<std::string>& args) {
    if (wantsHelp(args)) return std::fputs(kAnalyseHelp, stdout), 0;
    AnalyseOptions o;
    try {
        o = parseAnalyseOptions(args);
        if (isShot(o)) return analyseShot(o);
    } catch (const std::runtime_error& e) {
        return usage(e.what());
    }
    const std::vector<std::string>& files = o.files;
    const bool json = o.json;
    const std::string& report = o.report;
    const std::optional<std::string>& megapixels = o.megapixels;
    if (files.size() != 2) return usage("analyse needs two image files, LEFT and RIGHT");
    if (!report.empty()) duovis::InputFiles(files).refuseAsOutput(report);
    Analysis a;
    try {
        a = analyseFiles(files[0], files[1], duovis::media::maxInputPixels(megapixels));
    } catch (const std::runtime_error& e) {
        return usage(e.what());
    }
    if (!report.empty()) savePng(reportImage(a), report);
    if (json) std::fputs(reportJson(a).constData(), stdout);
    if (!a.ok) {
        if (!json) std::printf("verdict: %s\n", verdictLine(a).c_str());
        std::fprintf(stderr, "depthscope: %s\n", a.error.c_str());
        return 1;
    }
    if (!json) printSummary(a);
    return 0;
}

int synthCommand(const std::vector<std::string>& args) {
    if (wantsHelp(args)) return std::fputs(kSynthHelp, stdout), 0;
    SynthSpec spec;
    std::vector<std::string> files;
    const std::pair<const char*, double*> numbers[] = {{"--vertical", &spec.verticalPx},
                                                       {"--rotate", &spec.rotationDeg},
                                                       {"--scale", &spec.scalePct},
                                                       {"--keystone-h", &spec.keystoneHDeg},
                                                       {"--keystone-v", &spec.keystoneVDeg},
                                                       {"--near", &spec.nearPct},
                                                       {"--far", &spec.farPct}};
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.empty() || a[0] != '-' || (a.size() > 1 && std::isdigit(static_cast<unsigned char>(a[1])))) {
            files.push_back(a);
            continue;
        }
        if (++i >= args.size()) return usage(a + " needs a value");
        const std::string& value = args[i];
        bool known = false;
        for (const auto& [name, target] : numbers) {
            if (a != name) continue;
            known = true;
            if (!parseNumber(value, *target)) return usage(a + ": '" + value + "' is not a number");
        }
        if (a == "--scene") {
            known = true;
            if (!synthSceneNamed(value, spec.scene))
                return usage("--scene: '" + value + "' is not slabs, pattern, corner, strip, wall or blank");
        } else if (a == "--size") {
            known = true;
            const auto x = value.find('x');
            double w = 0, h = 0;
            if (x == std::string::npos || !parseNumber(value.substr(0, x), w) ||
                !parseNumber(value.substr(x + 1), h) || w < 64 || h < 64 || w > 8192 || h > 8192)
                return usage("--size: '" + value + "' is not WIDTHxHEIGHT between 64 and 8192");
            spec.width = static_cast<int>(w);
            spec.height = static_cast<int>(h);
        } else if (a == "--seed") {
            known = true;
            double s = 0;
            if (!parseNumber(value, s) || s < 0 || s > 4294967295.0)
                return usage("--seed: '" + value + "' is not a count");
            spec.seed = static_cast<uint32_t>(s);
        }
        if (!known) return usage("unknown option '" + a + "' (see depthscope synth --help)");
    }
    if (files.size() != 2) return usage("synth needs two output files, LEFT and RIGHT");
    if (std::abs(spec.scalePct) >= 50 || std::abs(spec.rotationDeg) > 45 ||
        std::abs(spec.keystoneHDeg) > 45 || std::abs(spec.keystoneVDeg) > 45)
        return usage("--scale must stay within 50 %, --rotate and the keystones within 45 degrees");
    const SynthPair pair = makeSynthPair(spec);
    savePng(pair.left, files[0]);
    savePng(pair.right, files[1]);
    return 0;
}

int pluginCommand(const std::vector<std::string>& args) {
    if (wantsHelp(args)) return std::fputs(kPluginHelp, stdout), 0;
    if (!args.empty()) return usage("Plugin takes no arguments, got '" + args[0] + "'");
    const Exchange ex = runExchange(streamOptionsFromEnvironment(), [](const std::string& m) {
        std::fprintf(stderr, "depthscope: %s\n", m.c_str());
    });
    if (ex.result == ExchangeResult::Corrected) {
        const Correction& c = ex.analysis.correction;
        // The dense budget where the picture gave one, else what the pairs saw.
        const DepthBudget& d = ex.analysis.depth;
        std::fprintf(stderr,
                     "depthscope: %zu pairs; right eye vs left: vertical %+.3f px, rotation %+.4f deg, scale "
                     "%+.4f %%; disparity %+.3f %% to %+.3f %%; corrections sent\n",
                     ex.analysis.pairs.left.size(), c.measured.verticalPx, c.measured.rotationDeg,
                     c.measured.scalePct, d.measured ? d.nearPct : c.disparity.nearPct,
                     d.measured ? d.farPct : c.disparity.farPct);
        return 0;
    }
    return ex.result == ExchangeResult::NoChange ? 1 : 3;
}

}  // namespace

int main(int argc, char** argv) {
    depthscope::useBigBuffers();
    if (!qEnvironmentVariableIsSet("DEPTHSCOPE_QT_MESSAGES")) qInstallMessageHandler(quietQtMessages);
    std::vector<std::string> words(argv + 1, argv + argc);
    // The report's labels need fonts, never a display.
    std::unique_ptr<QCoreApplication> app;
    if (!words.empty() && words[0] == "analyse") {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    if (words.empty() || words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
        std::fputs(kHelp, words.empty() ? stderr : stdout);
        return words.empty() ? 2 : 0;
    }
    const std::string command = words[0];
    words.erase(words.begin());
    try {
        if (command == "Plugin") return pluginCommand(words);
        if (command == "analyse") return analyseCommand(words);
        if (command == "synth") return synthCommand(words);
        return usage("unknown command '" + command + "' (see depthscope --help)");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "depthscope: %s\n", e.what());
        return 1;
    }
}
