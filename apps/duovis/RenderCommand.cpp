#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>

#include "Args.h"
#include "AtomicSave.h"
#include "Commands.h"
#include "FrameSequence.h"
#include "GpuRender.h"
#include "HostOptions.h"
#include "ImageInput.h"
#include "ImageWorld.h"
#include "Overwrite.h"
#include "ParamAssign.h"
#include "PluginLocator.h"
#include "Progress.h"
#include "Project.h"
#include "RenderInputs.h"
#include "RenderJob.h"

namespace duovis::cli {

namespace {

const char* kRenderHelp =
    "usage: duovis render PRIMARY|--project FILE [--second FILE] [-p ID=VALUE]... [--host ae|premiere]\n"
    "                     [--engine cpu|opencl|cuda]\n"
    "                     [--plugin DuovisX|Duovis] [--plugin-dir DIR] [--frame N | --frames A-B]\n"
    "                     [--fps RATE] [--downsample N] [--missing error|black] [--max-megapixels N]\n"
    "                     [--threads N] [--quiet] [-y | -n] -o OUTPUT\n"
    "\n"
    "Renders PRIMARY (the layer the effect is applied to) through the effect. PRIMARY and\n"
    "--second are image files or numbered sequences such as shot_%04d.png or shot_####.png\n"
    "(%d, %4d, %04d or a run of #; %% is a percent sign).\n"
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
    "  --frame N         renders at time N frames (default 0, or every frame of a sequence)\n"
    "  --frames A-B      renders frames A to B; -o then takes a pattern\n"
    "  --frames A-BxN    ... every Nth frame from A\n"
    "  --quiet           no progress or summary on stderr\n" DUOVIS_THREADS_HELP
    "  --fps RATE        frames a second (default 24)\n"
    "  --downsample N    renders as a 1/N preview (the inputs are already that size)\n"
    "  --missing error   a frame of the --second sequence that the effect asks for and that\n"
    "                    is not there ends the render, naming it (default)\n"
    "  --missing black   ... leaves that eye empty instead, with a warning for each frame\n"
    "  --max-megapixels N  refuses an input that declares more pixels (default 300, or\n"
    "                    DUOVIS_MAX_MEGAPIXELS)\n"
    "  -o OUTPUT         output image or pattern; the format follows the extension\n"
    "  -y                replaces outputs that exist (the default)\n"
    "  -n                refuses to render when an output exists\n"
    "The plug-ins are looked for in ../plugins beside the binary, DUOVIS_PLUGIN_DIR or --plugin-dir.\n";

OptionSpec renderSpec() {
    OptionSpec spec;
    spec.flags = {"--help", "--quiet", "--overwrite", "--no-overwrite"};
    spec.valued = {"--second", "--param",   "--host",    "--plugin",         "--plugin-dir",
                   "--frame",  "--frames",  "--fps",     "--engine",         "--downsample",
                   "--output", "--project", "--missing", "--max-megapixels", "--threads"};
    spec.aliases = {{"-p", "--param"},
                    {"-o", "--output"},
                    {"-h", "--help"},
                    {"-y", "--overwrite"},
                    {"-n", "--no-overwrite"}};
    return spec;
}

FrameRange framesToRender(const Args& args, const FrameSequence& primary) {
    if (args.has("--frame") && args.has("--frames"))
        throw std::runtime_error("give --frame or --frames, not both");
    if (const auto frames = args.value("--frames")) return parseFrameRange(*frames, "--frames");
    if (const auto frame = args.value("--frame")) {
        const int n = parseInt(*frame, "--frame");
        return {n, n, 1};
    }
    if (primary.isPattern()) return {primary.first(), primary.last(), 1};
    return {0, 0, 1};
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
    const double fps = parseDouble(args.value("--fps").value_or("24"), "--fps");
    const bool black = missingFramesAreBlack(args);
    const qint64 maxPixels = maxInputPixels(args.value("--max-megapixels"));
    const int threads = hostThreadsFromArgs(args);
    const SaveMode saveMode = saveModeFromArgs(args);

    // File names stay the bytes given, so names that are not UTF-8 still reach their files.
    const InputLayer primaryLayer(primaryFromProject ? QFile::encodeName(project->primary.file).toStdString()
                                                     : args.positional().front());
    const FrameSequence& primarySeq = primaryLayer.sequence();
    if (primarySeq.empty()) throw std::runtime_error(primaryLayer.name() + ": no frames match this pattern");
    const FrameRange range = framesToRender(args, primarySeq);
    if (range.first < 0) throw std::runtime_error("--frame must not be negative");
    const QString outName = QFile::decodeName(outputName(*output).c_str());
    if (range.count() > 1 && !FrameSequence::looksLikePattern(outName))
        throw std::runtime_error(*output + ": several frames need an output pattern such as out_%04d.png");
    // Check the output's directory before spending time on the render.
    if (!QFileInfo(FrameSequence::expand(outName, range.first)).absoluteDir().exists())
        throw std::runtime_error(*output + ": output directory does not exist");

    // A gap in the primary sequence is found before any frame is written.
    if (primarySeq.isPattern())
        for (int k = 0; k < range.count(); ++k)
            if (!QFileInfo(primarySeq.fileFor(range.at(k))).isFile())
                throw std::runtime_error(primaryLayer.fileFor(range.at(k)) + ": frame missing");

    std::optional<std::string> secondName = args.value("--second");
    if (!secondName && project && !project->second.isEmpty())
        secondName = QFile::encodeName(project->second).toStdString();
    std::optional<InputLayer> secondLayer;
    if (secondName) secondLayer.emplace(*secondName);
    if (secondLayer && secondLayer->sequence().empty() && !black)
        throw std::runtime_error(*secondName + ": no frames match this pattern");

    std::vector<const InputLayer*> inputs{&primaryLayer};
    if (secondLayer) inputs.push_back(&*secondLayer);
    refuseOutputOverInputs(inputs, outName, range.first, range.last);
    refuseExistingOutputs(outName, range, saveMode);
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
    QImage primaryStill;
    refhost::World primaryStillWorld, secondStill;
    if (!primaryLayer.isPattern()) {
        primaryStill = readImage(primaryLayer.name(), maxPixels);
        primaryStillWorld = worldFor(primaryStill, format, primaryLayer.name());
    }
    if (secondLayer && !secondLayer->isPattern())
        secondStill = readWorld(secondLayer->name(), format, maxPixels);

    // Changed values see the layer at full resolution, as the effect's controls would.
    const int downsample = parseInt(args.value("--downsample").value_or("1"), "--downsample");
    job.setLayerSize(layerSize.width() * std::max(downsample, 1),
                     layerSize.height() * std::max(downsample, 1));
    if (project) applyProject(*project, job.instance());
    for (const auto& assignment : args.values("--param")) job.assign(assignment);
    // A GPU engine that is not available ends the command before any frame is rendered.
    std::unique_ptr<GpuRender> gpu;
    if (engine != Engine::Cpu) gpu = makeGpuRender(job, engine);
    job.setDownsample(downsample);

    Progress progress(range.count(), args.has("--quiet"));
    for (int k = 0; k < range.count(); ++k) {
        const int frame = range.at(k);
        job.setTime(frame, fps);
        // The frame being rendered must exist; other times may be missing, as at a layer's ends.
        const std::string currentFile = primaryLayer.fileFor(frame);
        const QImage current = primaryLayer.isPattern() ? readImage(currentFile, maxPixels) : primaryStill;
        refhost::World currentWorld =
            primaryLayer.isPattern() ? worldFor(current, format, currentFile) : primaryStillWorld;
        refhost::Layer primary =
            layerFor(primaryLayer, primaryStillWorld, format, job.timeStep(), maxPixels, {});
        primary.setFrame(frame * job.timeStep(), std::move(currentWorld));
        const auto requests = std::make_shared<SecondRequests>();
        std::optional<refhost::Layer> second;
        if (secondLayer)
            second = layerFor(*secondLayer, secondStill, format, job.timeStep(), maxPixels, requests);

        refhost::Layer* secondPtr = second ? &*second : nullptr;
        refhost::World out;
        try {
            out = gpu ? gpu->render(std::move(primary), secondPtr, frame, fps)
                      : job.render(std::move(primary), secondPtr);
        } catch (const std::exception&) {
            // A frame the effect could not have says more than the effect's error code.
            if (secondLayer) reportSecondRequests(*requests, *secondLayer, black);
            throw;
        }
        if (secondLayer) reportSecondRequests(*requests, *secondLayer, black);
        if (out.empty()) throw std::runtime_error("the effect produced an empty frame");
        saveImageAtomically(fromWorld(out, hasDeepChannels(current)), FrameSequence::expand(outName, frame),
                            saveMode);
        progress.frameDone();
    }
    progress.finish();
    return 0;
}

}  // namespace duovis::cli
