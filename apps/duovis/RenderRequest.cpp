#include "RenderRequest.h"

#include <QFile>
#include <QString>
#include <stdexcept>

#include "Args.h"
#include "Overwrite.h"
#include "session/ImageInput.h"
#include "session/Numbers.h"
#include "session/PluginLocator.h"

namespace duovis::cli {

const char* const kRenderHelp =
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
    "  --records DIR     after each output file is saved, records its size in DIR, so that a\n"
    "                    rerun (duovis farm render) knows the finished files from cut-short ones\n"
    "  --from-frames PATTERN  encodes the frames of PATTERN, rendered before with the same\n"
    "                    options, instead of rendering them (a farm render's video step)\n"
    "  -y                replaces outputs that exist (the default)\n"
    "  -n                refuses to render when an output exists\n"
    "The plug-ins are looked for in ../plugins beside the binary, DUOVIS_PLUGIN_DIR or --plugin-dir.\n";

namespace {

OptionSpec renderSpec() {
    OptionSpec spec;
    spec.flags = {"--help", "--quiet", "--views", "--overwrite", "--no-overwrite", "--no-audio"};
    spec.valued = {"--second", "--param",   "--host",    "--plugin",         "--plugin-dir",
                   "--frame",  "--frames",  "--fps",     "--engine",         "--downsample",
                   "--output", "--project", "--missing", "--max-megapixels", "--codec",
                   "--crf",    "--bitrate", "--pipe",    "--pipe-size",      "--threads"};
    spec.valued.insert("--exr-tiles");
    spec.valued.insert("--preset");
    spec.valued.insert("--records");
    spec.valued.insert("--from-frames");
    spec.flags.insert("--allow-damage");
    spec.aliases = {{"-p", "--param"},
                    {"-o", "--output"},
                    {"-h", "--help"},
                    {"-y", "--overwrite"},
                    {"-n", "--no-overwrite"}};
    return spec;
}

// The layers come from the words or else from the project; the output only from the words.
void readNames(const Args& args, RenderRequest& r) {
    const bool primaryFromProject =
        r.project && args.positional().empty() && !r.project->primary.file.isEmpty();
    if (args.positional().size() != 1 && !primaryFromProject)
        throw std::runtime_error("render needs exactly one PRIMARY image (see duovis render --help)");
    const auto output = args.value("--output");
    if (!output) throw std::runtime_error("render needs -o OUTPUT");
    r.output = *output;
    // File names stay the bytes given, so names that are not UTF-8 still reach their files.
    r.primary = primaryFromProject ? QFile::encodeName(r.project->primary.file).toStdString()
                                   : args.positional().front();
    r.second = args.value("--second");
    if (!r.second && r.project && !r.project->second.isEmpty())
        r.second = QFile::encodeName(r.project->second).toStdString();
    if (r.primary == "-" && r.second == std::string("-"))
        throw std::runtime_error(
            "--second -: the primary reads standard input already; both eyes cannot read it");
}

// --missing: whether a second-layer frame that is not there stops the render.
bool missingFramesAreBlack(const Args& args) {
    const std::string mode = args.value("--missing").value_or("error");
    if (mode != "error" && mode != "black")
        throw std::runtime_error("--missing: '" + mode + "' is not one of error, black");
    return mode == "black";
}

std::optional<session::FrameRange> framesAsked(const Args& args) {
    if (args.has("--frame") && args.has("--frames"))
        throw std::runtime_error("give --frame or --frames, not both");
    std::optional<session::FrameRange> range;
    if (const auto frames = args.value("--frames")) range = session::parseFrameRange(*frames, "--frames");
    if (const auto frame = args.value("--frame")) {
        const int n = session::parseInt(*frame, "--frame");
        range = session::FrameRange{n, n, 1};
    }
    if (range && range->first < 0) throw std::runtime_error("--frame must not be negative");
    return range;
}

// The module and the host it runs in: the project's unless the words say otherwise.
void readModule(const Args& args, RenderRequest& r) {
    r.host = r.project && !args.value("--host") ? r.project->host : hostFromArgs(args);
    r.engine = engineFromArgs(args, r.host);
    r.plugin = args.value("--plugin").value_or(r.project ? r.project->plugin : session::kDefaultPlugin);
    r.pluginDir = args.value("--plugin-dir");
}

}  // namespace

RenderRequest parseRenderRequest(const std::vector<std::string>& words) {
    const Args args(words, renderSpec());
    RenderRequest r;
    r.help = args.has("--help");
    if (r.help) return r;
    // A project brings its layers, module, host and values; the command line overrides them.
    if (const auto file = args.value("--project"))
        r.project = session::loadProject(QString::fromStdString(*file));
    readNames(args, r);
    r.fps = fpsFromArgs(args);
    r.missingBlack = missingFramesAreBlack(args);
    r.maxPixels = session::maxInputPixels(args.value("--max-megapixels"));
    r.threads = hostThreadsFromArgs(args);
    r.saveMode = saveModeFromArgs(args);
    r.frames = framesAsked(args);
    if (r.primary == "-") r.pipe = pipeInput(args, r.fps);
    r.video = videoChoicesFromArgs(args);
    r.exrTiles = args.value("--exr-tiles");
    r.viewsOut = args.has("--views");
    r.allowDamage = args.has("--allow-damage");
    r.quiet = args.has("--quiet");
    readModule(args, r);
    r.downsample = session::parseInt(args.value("--downsample").value_or("1"), "--downsample");
    r.assignments = args.values("--param");
    r.records = args.value("--records");
    r.fromFrames = args.value("--from-frames");
    return r;
}

}  // namespace duovis::cli
