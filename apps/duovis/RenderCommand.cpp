#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <tuple>

#include "Args.h"
#include "Commands.h"
#include "ExrTilesOption.h"
#include "GpuRender.h"
#include "HostOptions.h"
#include "Overwrite.h"
#include "Progress.h"
#include "RenderMedia.h"
#include "RenderPipeline.h"
#include "media/AtomicSave.h"
#include "media/StillFile.h"
#include "media/VideoReader.h"
#include "session/FrameSequence.h"
#include "session/ImageInput.h"
#include "session/ImageWorld.h"
#include "session/ParamAssign.h"
#include "session/PluginLocator.h"
#include "session/Project.h"
#include "session/RenderInputs.h"
#include "session/RenderJob.h"

namespace duovis::cli {

using namespace session;

namespace {

const char* kRenderHelp =
    "usage: duovis render PRIMARY|--project FILE [--second FILE] [-p ID=VALUE]... [--host ae|premiere]\n"
    "                     [--engine cpu|opencl|cuda]\n"
    "                     [--plugin DuovisX|Duovis] [--plugin-dir DIR] [--frame N | --frames A-B]\n"
    "                     [--fps RATE] [--downsample N] [--missing error|black] [--max-megapixels N]\n"
    "                     [--codec NAME] [--crf N] [--bitrate RATE] [--preset NAME] [--no-audio]\n"
    "                     [--pipe y4m|rgba|rgba64] [--pipe-size WxH] [--views]\n"
    "                     [--exr-tiles WxH|none] [--threads N]\n"
    "                     [--allow-damage] [--quiet] [-y | -n]\n"
    "                     -o OUTPUT\n"
    "\n"
    "Renders PRIMARY (the layer the effect is applied to) through the effect. PRIMARY and\n"
    "--second are image files (PNG, JPEG, TIFF, OpenEXR, DPX, ...), numbered sequences such as\n"
    "shot_%04d.png or shot_####.png (%d, %4d, %04d or a run of #; %% is a percent sign), or\n"
    "video files (MP4, MOV, MKV, ...); - reads y4m frames from standard input.\n"
    "A two-view OpenEXR file (views left and right) is both layers. A video's stereo metadata\n"
    "chooses the demux mode unless -p or a project sets it.\n"
    "  --second FILE     the layer chosen as the secondary layer\n"
    "  --project FILE    starts from a project's values, layers, module and host (see duovis\n"
    "                    project --help); PRIMARY, --second, -p, --host and --plugin override\n"
    "  -p ID=VALUE       sets a parameter; ID is its identifier (DISPLAY_TYPE, hshift_pct_b),\n"
    "                    its position or its name as `duovis params` lists them, in any case.\n"
    "                    Popups take 1-based numbers or the choice\n"
    "                    text, checkboxes on/off/true/false/1/0, sliders a number in range.\n"
    "  --host ae         8-bit ARGB, output sized by the effect (default)\n"
    "  --host premiere   32-bit float BGRA, 16-bit files keep their precision\n"
    "  --engine cpu      the editing host's CPU render (default)\n"
    "  --engine opencl   the editing host's GPU filter on the first OpenCL device\n"
    "  --engine cuda     ... on the first CUDA device; both need --host premiere\n"
    "  --frame N         renders at time N frames (default 0, or every frame of a sequence or\n"
    "                    video; a video's frames count from 0 as decoded)\n"
    "  --frames A-B      renders frames A to B; -o then takes a pattern\n"
    "  --frames A-BxN    ... every Nth frame from A\n"
    "  --quiet           no progress or summary on stderr\n" DUOVIS_THREADS_HELP
    "  --fps RATE        frames a second, 0.001 to 1000 (default 24, or a video PRIMARY's)\n"
    "  --downsample N    renders as a 1/N preview (the inputs are already that size)\n"
    "  --missing error   a frame of the --second sequence that the effect asks for and that\n"
    "                    is not there ends the render, naming it (default)\n"
    "  --missing black   ... leaves that eye empty instead, with a warning for each frame\n"
    "  --max-megapixels N  refuses an input that declares more pixels (default 300, or\n"
    "                    DUOVIS_MAX_MEGAPIXELS)\n"
    "  --allow-damage    renders what decodes of a damaged or truncated video or pipe, with a\n"
    "                    warning for each damaged frame (by default damage ends the render,\n"
    "                    naming the file and the frame)\n"
    "  -o OUTPUT         output image, pattern or video (.mp4 .mov .mkv); the format follows the\n"
    "                    extension; - writes y4m frames to standard output. A rotated video\n"
    "                    PRIMARY is rendered as stored; .mp4 and .mov outputs keep its rotation\n"
    "  --codec NAME      video codec: h264 (default where this build has libx264, else ffv1),\n"
    "                    h265, prores, ffv1 (lossless); FFmpeg's names libx264, libx265 and\n"
    "                    prores_ks are taken too\n"
    "  --crf N           constant quality for h264 and h265, 0 to 51 (lower is better)\n"
    "  --bitrate RATE    video bits a second for h264 and h265, e.g. 8M or 500k (at least 1k)\n"
    "  --preset NAME     h264's and h265's speed against size: ultrafast, superfast, veryfast,\n"
    "                    faster, fast, medium (their default), slow, slower, veryslow, placebo\n"
    "  --no-audio        leaves a video PRIMARY's audio out; otherwise it is copied unchanged,\n"
    "                    in time with the frames rendered, where the output's container holds it\n"
    "  --pipe y4m        how - reads and writes frames (default y4m); rgba and rgba64 are raw\n"
    "                    RGBA samples of 8 or 16 bits (little-endian) a channel\n"
    "  --pipe-size WxH   the frame size of raw frames read from standard input (at --fps)\n"
    "  --views           writes the corrected left and right eyes as a two-view OpenEXR (the\n"
    "                    default when PRIMARY is one)\n"
    "  --exr-tiles WxH   writes an OpenEXR output in tiles of W x H pixels (none: in scanlines);\n"
    "                    by default it keeps the layout of an OpenEXR PRIMARY, else scanlines\n"
    "  -y                replaces outputs that exist (the default)\n"
    "  -n                refuses to render when an output exists\n"
    "The plug-ins are looked for in ../plugins beside the binary, DUOVIS_PLUGIN_DIR or --plugin-dir.\n";

OptionSpec renderSpec() {
    OptionSpec spec;
    spec.flags = {"--help", "--quiet", "--views", "--overwrite", "--no-overwrite", "--no-audio"};
    spec.valued = {"--second", "--param",   "--host",    "--plugin",         "--plugin-dir",
                   "--frame",  "--frames",  "--fps",     "--engine",         "--downsample",
                   "--output", "--project", "--missing", "--max-megapixels", "--codec",
                   "--crf",    "--bitrate", "--pipe",    "--pipe-size",      "--threads"};
    spec.valued.insert("--exr-tiles");
    spec.valued.insert("--preset");
    spec.flags.insert("--allow-damage");
    spec.aliases = {{"-p", "--param"},
                    {"-o", "--output"},
                    {"-h", "--help"},
                    {"-y", "--overwrite"},
                    {"-n", "--no-overwrite"}};
    return spec;
}

// Through the end of a video whose container does not say how many frames it has.
constexpr int kToTheEnd = 2000000000;

FrameRange framesToRender(const Args& args, const InputLayer& layer) {
    const FrameSequence& primary = layer.sequence();
    if (args.has("--frame") && args.has("--frames"))
        throw std::runtime_error("give --frame or --frames, not both");
    if (const auto frames = args.value("--frames")) return parseFrameRange(*frames, "--frames");
    if (const auto frame = args.value("--frame")) {
        const int n = parseInt(*frame, "--frame");
        return {n, n, 1};
    }
    if (primary.isPattern()) return {primary.first(), primary.last(), 1};
    if (const media::VideoInfo* video = layer.videoInfo())
        return video->frames > 0 ? FrameRange{0, static_cast<int>(video->frames - 1), 1}
                                 : FrameRange{0, kToTheEnd, 1, true};
    return {0, 0, 1};
}

// --allow-damage: damage is told on stderr, frame by frame, and what decodes is rendered.
media::ReadChecks readChecks(const Args& args, qint64 maxPixels) {
    media::ReadChecks checks;
    checks.maxPixels = maxPixels;
    if (args.has("--allow-damage"))
        checks.damaged = [](const std::string& what) {
            std::fprintf(stderr, "duovis: WARNING: damaged input: %s; rendering what decodes\n",
                         what.c_str());
        };
    return checks;
}

// Throws naming the first frame asked past the end of a video primary, before any is written:
// the container declares its frames, or a file that does not is read ahead to its end. A pipe
// can only be found short as it is read.
void refuseFramesPastTheEnd(const FrameRange& range, const InputLayer& layer) {
    const media::VideoInfo* video = layer.videoInfo();
    if (video == nullptr || range.toTheEnd) return;
    long long count = video->frames;
    const int lastAsked = range.at(range.count() - 1);
    if (count <= 0 && layer.name() != "-") {
        media::VideoReader ahead(layer.name(), {}, layer.checks());
        if (ahead.read(0) && ahead.read(lastAsked)) return;
        if (ahead.whyNoFrame(lastAsked).empty()) return;  // damage allowed and told
        count = ahead.frameCount();
    }
    if (count <= 0 || lastAsked < count) return;
    const long long firstMissing =
        range.first >= count ? range.first
                             : range.first + (count - range.first + range.step - 1) / range.step * range.step;
    throw std::runtime_error(media::noSuchFrameText(layer.name(), firstMissing, count));
}

// --missing: whether a second-layer frame that is not there stops the render.
bool missingFramesAreBlack(const Args& args) {
    const std::string mode = args.value("--missing").value_or("error");
    if (mode != "error" && mode != "black")
        throw std::runtime_error("--missing: '" + mode + "' is not one of error, black");
    return mode == "black";
}

// After each frame: what the effect asked of the second layer and did not get.
void reportSecondRequests(const SecondRequests& requests, const InputLayer& second, bool black) {
    if (!requests.failure.empty()) throw std::runtime_error(requests.failure);
    for (const std::string& file : requests.missing) {
        if (!black)
            throw std::runtime_error(file + ": frame of the second layer " + second.name() +
                                     " missing (--missing black renders that eye empty)");
        std::fprintf(stderr, "duovis: warning: %s: frame missing, the second eye is left empty\n",
                     file.c_str());
    }
}

void warnOnSizeMismatch(const InputLayer& primary, QSize primarySize, const InputLayer& second,
                        QSize secondSize) {
    if (!secondSize.isValid() || secondSize == primarySize) return;
    std::fprintf(stderr, "duovis: warning: the second layer %s is %s, the primary %s %s\n",
                 second.name().c_str(), sizeText(secondSize).c_str(), primary.name().c_str(),
                 sizeText(primarySize).c_str());
}

// A name Qt would spell differently on disk would write some other file.
std::string outputName(const std::string& bytes) {
    if (QFile::encodeName(QFile::decodeName(bytes.c_str())).toStdString() != bytes)
        throw std::runtime_error(bytes + ": an output name must be valid UTF-8");
    return bytes;
}

}  // namespace

int renderCommand(const std::vector<std::string>& words) {
    const Args args(words, renderSpec());
    if (args.has("--help")) {
        std::fputs(kRenderHelp, stdout);
        return 0;
    }
    // A project brings its layers, module, host and values; the command line overrides them.
    std::optional<Project> project;
    if (const auto file = args.value("--project")) project = loadProject(QString::fromStdString(*file));
    const bool primaryFromProject = project && args.positional().empty() && !project->primary.file.isEmpty();
    if (args.positional().size() != 1 && !primaryFromProject)
        throw std::runtime_error("render needs exactly one PRIMARY image (see duovis render --help)");
    const auto output = args.value("--output");
    if (!output) throw std::runtime_error("render needs -o OUTPUT");
    const double fps = fpsFromArgs(args);
    const bool black = missingFramesAreBlack(args);
    const qint64 maxPixels = maxInputPixels(args.value("--max-megapixels"));
    const int threads = hostThreadsFromArgs(args);
    const SaveMode saveMode = saveModeFromArgs(args);
    const bool toStdout = *output == "-";

    // File names stay the bytes given, so names that are not UTF-8 still reach their files.
    const std::string primaryName = primaryFromProject
                                        ? QFile::encodeName(project->primary.file).toStdString()
                                        : args.positional().front();
    const media::ReadChecks checks = readChecks(args, maxPixels);
    std::optional<std::string> secondName = args.value("--second");
    if (!secondName && project && !project->second.isEmpty())
        secondName = QFile::encodeName(project->second).toStdString();
    if (primaryName == "-" && secondName == std::string("-"))
        throw std::runtime_error(
            "--second -: the primary reads standard input already; both eyes cannot read it");
    const InputLayer primaryLayer(primaryName, primaryName == "-" ? pipeInput(args, fps) : media::PipeInput{},
                                  checks);
    const FrameSequence& primarySeq = primaryLayer.sequence();
    if (primarySeq.empty()) throw std::runtime_error(primaryLayer.name() + ": no frames match this pattern");
    const FrameRange range = framesToRender(args, primaryLayer);
    if (range.first < 0) throw std::runtime_error("--frame must not be negative");
    refuseFramesPastTheEnd(range, primaryLayer);
    const QString outName = QFile::decodeName(outputName(*output).c_str());
    const bool videoOut = writesVideo(*output);
    if (range.count() > 1 && !videoOut && !FrameSequence::looksLikePattern(outName))
        throw std::runtime_error(*output + ": several frames need an output pattern such as out_%04d.png");
    // Check the output's directory and format before spending time on the render.
    if (!toStdout && !QFileInfo(FrameSequence::expand(outName, range.first)).absoluteDir().exists())
        throw std::runtime_error(*output + ": output directory does not exist");

    // A gap in the primary sequence is found before any frame is written.
    if (primarySeq.isPattern())
        for (int k = 0; k < range.count(); ++k)
            if (!QFileInfo(primarySeq.fileFor(range.at(k))).isFile())
                throw std::runtime_error(primaryLayer.fileFor(range.at(k)) + ": frame missing");

    std::optional<InputLayer> secondLayer;
    if (secondName) secondLayer.emplace(*secondName, media::PipeInput{}, checks);
    if (secondLayer && secondLayer->sequence().empty() && !black)
        throw std::runtime_error(*secondName + ": no frames match this pattern");
    // A two-view file is both eyes: its right view is the second layer.
    const media::StillHeader primaryHeader = layerStillHeader(primaryLayer, range.first);
    const bool twoViews = !secondLayer && primaryHeader.views == 2;
    const bool viewsOut = args.has("--views") || (twoViews && media::encodesViews(*output));
    if (viewsOut && !media::encodesViews(*output))
        throw std::runtime_error(*output + ": --views needs an OpenEXR output (.exr)");
    const media::TileSize tiles = exrTilesFromArgs(args, *output, primaryHeader.tiles);

    std::vector<const InputLayer*> inputs{&primaryLayer};
    if (secondLayer) inputs.push_back(&*secondLayer);
    // A video output is one file. Frames of a video of unknown length can only meet an input
    // sequence, the second layer's, up to its last frame.
    int lastNamed = videoOut ? range.first : range.last;
    if (!videoOut && range.toTheEnd)
        lastNamed = std::max(range.first,
                             secondLayer && secondLayer->isPattern() ? secondLayer->sequence().last() : 0);
    if (!toStdout) refuseOutputOverInputs(inputs, outName, range.first, lastNamed);
    if (!toStdout) refuseExistingOutputs(outName, FrameRange{range.first, lastNamed, range.step}, saveMode);
    const QSize layerSize = layerFrameSize(primaryLayer, range.first, range.last);
    if (secondLayer)
        warnOnSizeMismatch(
            primaryLayer, layerSize, *secondLayer,
            layerFrameSize(*secondLayer, secondLayer->sequence().first(), secondLayer->sequence().last()));

    const refhost::HostApp app = project && !args.value("--host") ? project->host : hostFromArgs(args);
    const Engine engine = engineFromArgs(args, app);
    const std::string plugin = args.value("--plugin").value_or(project ? project->plugin : "DuovisX");
    RenderJob job(locatePlugin(plugin, args.value("--plugin-dir")), app);
    job.setWorkerThreads(threads);
    const refhost::PixelFormat format = job.pixelFormat();
    // A still second layer is read once and lent to every frame's render as it is.
    std::optional<refhost::Layer> secondStill;
    if (secondLayer && !secondLayer->isPattern() && !secondLayer->isVideo())
        secondStill = refhost::Layer::still(readWorld(secondLayer->name(), format, maxPixels));

    // Changed values see the layer at full resolution, as the effect's controls would.
    const int downsample = parseInt(args.value("--downsample").value_or("1"), "--downsample");
    job.setLayerSize(layerSize.width() * std::max(downsample, 1),
                     layerSize.height() * std::max(downsample, 1));
    if (const media::VideoInfo* video = primaryLayer.videoInfo(); video && !secondLayer)
        demuxFromMetadata(*video, job);
    if (project) applyProject(*project, job.instance());
    for (const auto& assignment : args.values("--param")) job.assign(assignment);
    // A GPU engine that is not available ends the command before any frame is rendered.
    std::unique_ptr<GpuRender> gpu;
    if (engine != Engine::Cpu) gpu = makeGpuRender(job, engine);
    job.setDownsample(downsample);

    const double rate =
        primaryLayer.videoInfo() && primaryLayer.videoInfo()->rateNum > 0 && !args.has("--fps")
            ? static_cast<double>(primaryLayer.videoInfo()->rateNum) / primaryLayer.videoInfo()->rateDen
            : fps;
    if (secondLayer) secondLayer->pairByTime(rate);
    media::VideoSettings settings = videoSettings(args, primaryLayer, rate, range.first);
    if (!viewsOut) settings.layout = outputLayout(job);
    const std::unique_ptr<media::FrameWriter> writer =
        openWriter(*output, outName, settings, saveMode, tiles);

    // The decoder thread owns the primary's reader; other times and the second layer are read
    // here, inside the effect's requests, each through its own reader.
    const std::unique_ptr<media::FrameReader> primaryFrames = primaryLayer.reader(maxPixels);
    const std::shared_ptr<media::FrameReader> primaryOther = otherTimesReader(primaryLayer, maxPixels);
    std::shared_ptr<media::FrameReader> secondFrames;
    if (secondLayer) secondFrames = secondLayer->reader(maxPixels);
    const int displayPos = resolveParam(job.params(), "DISPLAY_TYPE");

    // `lastUse`: the decoded worlds go into the layers rather than being copied there.
    const auto renderOnce = [&](SourceFrame& src, bool lastUse) {
        const auto take = [&src, lastUse](std::size_t view) {
            if (lastUse) return std::move(src.views[view]);
            return refhost::World(src.views[view]);
        };
        const A_long now = src.frame * job.timeStep();
        // A still primary is the decoded frame at every time; it is read once, by the decoder.
        const bool still = !primaryLayer.isPattern() && !primaryLayer.isVideo();
        refhost::Layer primary =
            still ? refhost::Layer::still(take(0))
                  : layerFor(primaryLayer, {}, format, job.timeStep(), primaryOther, 0, nullptr);
        if (!still) primary.setFrame(now, take(0));
        const auto requests = std::make_shared<SecondRequests>();
        std::optional<refhost::Layer> second;
        if (secondLayer && !secondStill) {
            second = layerFor(*secondLayer, {}, format, job.timeStep(), secondFrames, 0, requests);
        } else if (twoViews) {
            second = layerFor(primaryLayer, {}, format, job.timeStep(), primaryOther, 1, requests);
            if (src.views.size() == 2) second->setFrame(now, take(1));
        }
        refhost::Layer* secondPtr = second ? &*second : secondStill ? &*secondStill : nullptr;
        refhost::World out;
        try {
            out = gpu ? gpu->render(std::move(primary), secondPtr, src.frame, rate)
                      : job.render(std::move(primary), secondPtr);
        } catch (const std::exception&) {
            // A frame the effect could not have says more than the effect's error code.
            if (secondLayer) reportSecondRequests(*requests, *secondLayer, black);
            throw;
        }
        if (secondLayer) reportSecondRequests(*requests, *secondLayer, black);
        if (twoViews && !requests->failure.empty()) throw std::runtime_error(requests->failure);
        if (out.empty()) throw std::runtime_error("the effect produced an empty frame");
        return out;
    };
    const RenderStep render = [&](SourceFrame& src) {
        job.setTime(src.frame, rate);
        if (!viewsOut) {
            std::vector<refhost::World> views;
            views.push_back(renderOnce(src, true));  // a braced list would copy the frame
            job.releaseFrames();
            return views;
        }
        // The corrected eyes: the effect's Left and Right displays of the same frame.
        std::vector<refhost::World> views;
        const A_long chosen = job.params().at(displayPos).u.pd.value;
        for (const int eye : {1, 2}) {
            job.assign("DISPLAY_TYPE=" + std::to_string(eye));
            views.push_back(renderOnce(src, eye == 2));
        }
        job.assign("DISPLAY_TYPE=" + std::to_string(chosen));
        job.releaseFrames();
        return views;
    };

    const int total = range.toTheEnd ? 0 : range.count();
    Progress progress(total, args.has("--quiet") || total == 0);
    renderOverlapped(range, *primaryFrames, format, render, *writer, [&progress] { progress.frameDone(); });
    progress.finish();
    return 0;
}

}  // namespace duovis::cli
