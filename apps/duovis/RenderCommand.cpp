// `duovis render`: the request read from the words is run in order: the footage opened and
// checked, the output planned, the module set up, then the frames rendered and written.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <stdexcept>
#include <utility>

#include "Commands.h"
#include "ExrTilesOption.h"
#include "FrameRenderer.h"
#include "GpuRender.h"
#include "Overwrite.h"
#include "Progress.h"
#include "RenderFootage.h"
#include "RenderMedia.h"
#include "RenderPipeline.h"
#include "RenderRequest.h"
#include "media/StillFile.h"
#include "media/VideoReader.h"
#include "session/FrameRecords.h"
#include "session/FrameSequence.h"
#include "session/ImageInput.h"
#include "session/LayerFrames.h"
#include "session/PluginLocator.h"
#include "session/RenderInputs.h"
#include "session/RenderJob.h"
#include "session/VideoDemux.h"

namespace duovis::cli {

using namespace session;

namespace {

// The footage of a render, opened and checked before the module loads.
struct Footage {
    explicit Footage(InputLayer layer) : primary(std::move(layer)) {}

    InputLayer primary;
    std::optional<InputLayer> second;
    FrameRange range;
    media::StillHeader primaryHeader;
    bool twoViews = false;  // a two-view primary file is both eyes: its right view is the second layer
    QSize layerSize;
};

// Where the frames go, checked before any time is spent on the render.
struct OutputPlan {
    QString name;
    bool toStdout = false;
    bool video = false;
    bool views = false;  // the corrected left and right eyes as the two views of an OpenEXR file
    media::TileSize tiles;
};

FrameRange framesToRender(const RenderRequest& r, const InputLayer& layer) {
    return r.frames ? *r.frames : allFramesOf(layer);
}

// --allow-damage: damage is told on stderr, frame by frame, and what decodes is rendered.
media::ReadChecks readChecks(const RenderRequest& r) {
    media::ReadChecks checks;
    checks.maxPixels = r.maxPixels;
    if (r.allowDamage)
        checks.damaged = [](const std::string& what) {
            std::fprintf(stderr, "duovis: WARNING: damaged input: %s; rendering what decodes\n",
                         what.c_str());
        };
    return checks;
}

Footage openPrimary(const RenderRequest& r) {
    Footage f(InputLayer(r.primary, r.primary == "-" ? r.pipe : media::PipeInput{}, readChecks(r)));
    if (f.primary.sequence().empty())
        throw std::runtime_error(f.primary.name() + ": no frames match this pattern");
    f.range = framesToRender(r, f.primary);
    refuseFramesPastTheEnd(f.range, f.primary);
    return f;
}

// A name Qt would spell differently on disk would write some other file.
std::string outputName(const std::string& bytes) {
    if (QFile::encodeName(QFile::decodeName(bytes.c_str())).toStdString() != bytes)
        throw std::runtime_error(bytes + ": an output name must be valid UTF-8");
    return bytes;
}

OutputPlan planOutput(const RenderRequest& r, const FrameRange& range) {
    OutputPlan out;
    out.toStdout = r.output == "-";
    out.name = QFile::decodeName(outputName(r.output).c_str());
    out.video = writesVideo(r.output);
    if (range.count() > 1 && !out.video && !FrameSequence::looksLikePattern(out.name))
        throw std::runtime_error(r.output + ": several frames need an output pattern such as out_%04d.png");
    if (!out.toStdout && !QFileInfo(FrameSequence::expand(out.name, range.first)).absoluteDir().exists())
        throw std::runtime_error(r.output + ": output directory does not exist");
    return out;
}

void openSecond(const RenderRequest& r, Footage& f) {
    if (r.second) f.second.emplace(*r.second, media::PipeInput{}, readChecks(r));
    if (f.second && f.second->sequence().empty() && !r.missingBlack)
        throw std::runtime_error(*r.second + ": no frames match this pattern");
    f.primaryHeader = layerStillHeader(f.primary, f.range.first);
    f.twoViews = !f.second && f.primaryHeader.views == 2;
}

void chooseViews(const RenderRequest& r, const Footage& f, OutputPlan& out) {
    out.views = r.viewsOut || (f.twoViews && media::encodesViews(r.output));
    if (out.views && !media::encodesViews(r.output))
        throw std::runtime_error(r.output + ": --views needs an OpenEXR output (.exr)");
    out.tiles = exrTiles(r.exrTiles, r.output, f.primaryHeader.tiles);
}

// No output replaces an input, nor, under -n, a file that exists.
void refuseOutputClashes(const RenderRequest& r, const Footage& f, const OutputPlan& out) {
    if (out.toStdout) return;
    std::vector<const InputLayer*> inputs{&f.primary};
    if (f.second) inputs.push_back(&*f.second);
    // A video output is one file. Frames of a video of unknown length can only meet an input
    // sequence, the second layer's, up to its last frame.
    int lastNamed = out.video ? f.range.first : f.range.last;
    if (!out.video && f.range.toTheEnd)
        lastNamed =
            std::max(f.range.first, f.second && f.second->isPattern() ? f.second->sequence().last() : 0);
    refuseOutputOverInputs(inputs, out.name, f.range.first, lastNamed);
    refuseExistingOutputs(out.name, FrameRange{f.range.first, lastNamed, f.range.step}, r.saveMode);
}

void measureLayers(Footage& f) {
    f.layerSize = layerFrameSize(f.primary, f.range.first, f.range.last);
    if (!f.second) return;
    const QSize secondSize =
        layerFrameSize(*f.second, f.second->sequence().first(), f.second->sequence().last());
    if (!secondSize.isValid() || secondSize == f.layerSize) return;
    std::fprintf(stderr, "duovis: warning: the second layer %s is %s, the primary %s %s\n",
                 f.second->name().c_str(), sizeText(secondSize).c_str(), f.primary.name().c_str(),
                 sizeText(f.layerSize).c_str());
}

// Values change as in the effect's controls, against the layer at full resolution: a video's
// demux first, then the project's values, then -p.
void setValues(const RenderRequest& r, const Footage& f, RenderJob& job) {
    job.setWorkerThreads(r.threads);
    const int factor = std::max(r.downsample, 1);
    job.setLayerSize(f.layerSize.width() * factor, f.layerSize.height() * factor);
    if (const media::VideoInfo* video = f.primary.videoInfo(); video && !f.second)
        demuxFromMetadata(*video, job);
    // Keys sit at their frames' times at the render's rate.
    job.setTime(f.range.first, timelineRate(r.video, f.primary, r.fps));
    if (r.project) applyProject(*r.project, job.instance());
    for (const auto& assignment : r.assignments) job.assignStatic(assignment);
}

// The primary's frames, or under --from-frames the frames rendered before, which then go to
// the writer as they are.
std::unique_ptr<media::FrameReader> sourceFrames(const RenderRequest& r, const Footage& f) {
    if (!r.fromFrames) return f.primary.reader(r.maxPixels);
    const QString pattern = QFile::decodeName(r.fromFrames->c_str());
    return media::stillReader(
        [pattern](int frame) {
            return QFile::encodeName(FrameSequence::expand(pattern, frame)).toStdString();
        },
        r.maxPixels);
}

// The frames of the range, rendered as the effect is set up now and written as planned.
int renderFrames(const RenderRequest& r, Footage& f, const OutputPlan& out, RenderJob& job, GpuRender* gpu) {
    const double rate = timelineRate(r.video, f.primary, r.fps);
    if (f.second) f.second->pairByTime(rate);
    FrameSources sources;
    sources.primary = &f.primary;
    sources.second = f.second ? &*f.second : nullptr;
    sources.twoViews = f.twoViews;
    sources.missingBlack = r.missingBlack;
    sources.maxPixels = r.maxPixels;
    sources.rate = rate;
    sources.bothEyes = out.views;
    std::optional<FrameRenderer> renderer;
    if (!r.fromFrames) renderer.emplace(job, gpu, sources);
    media::VideoSettings settings = videoSettings(r.video, f.primary, rate, f.range.first);
    if (!out.views) settings.layout = outputLayout(job);
    const QString records = r.records ? QFile::decodeName(r.records->c_str()) : QString();
    const std::unique_ptr<media::FrameWriter> writer =
        openWriter(r.output, out.name, settings, r.saveMode, out.tiles, records);
    const std::unique_ptr<media::FrameReader> primaryFrames = sourceFrames(r, f);
    const int total = f.range.toTheEnd ? 0 : f.range.count();
    Progress progress(total, r.quiet || total == 0);
    renderOverlapped(
        f.range, *primaryFrames, job.pixelFormat(),
        [&renderer](SourceFrame& src) { return renderer ? renderer->render(src) : std::move(src.views); },
        *writer, [&progress] { progress.frameDone(); });
    progress.finish();
    if (out.video && !out.toStdout && !records.isEmpty())
        recordFinished(records, out.name, QFileInfo(out.name).size());
    return 0;
}

}  // namespace

FrameRange footageFrames(const RenderRequest& request) {
    const Footage footage = openPrimary(request);
    (void)planOutput(request, footage.range);
    refuseSequenceGaps(footage.range, footage.primary);
    return footage.range;
}

int renderCommand(const std::vector<std::string>& words) {
    const RenderRequest request = parseRenderRequest(words);
    if (request.help) {
        std::fputs(kRenderHelp, stdout);
        return 0;
    }
    Footage footage = openPrimary(request);
    OutputPlan output = planOutput(request, footage.range);
    // A gap in the primary sequence is found before any frame is written.
    refuseSequenceGaps(footage.range, footage.primary);
    openSecond(request, footage);
    chooseViews(request, footage, output);
    refuseOutputClashes(request, footage, output);
    measureLayers(footage);

    RenderJob job(locatePlugin(request.plugin, request.pluginDir), request.host);
    setValues(request, footage, job);
    // A GPU engine that is not available ends the command before any frame is rendered.
    std::unique_ptr<GpuRender> gpu;
    if (request.engine != Engine::Cpu) gpu = makeGpuRender(job, request.engine);
    job.setDownsample(request.downsample);
    return renderFrames(request, footage, output, job, gpu.get());
}

}  // namespace duovis::cli
