#include "ProjectOpen.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "core/params/ParamTable.h"
#include "session/FileLock.h"
#include "session/HostKeys.h"
#include "session/KeyEdit.h"
#include "session/ParamAssign.h"
#include "session/PluginLocator.h"
#include "session/ProjectLayers.h"

namespace duovis::cli {

using namespace session;

namespace {

std::string identifierAt(int position) {
    return paramDef(static_cast<ParamId>(position)).identifier;
}

std::string number(double v) {
    return QString::number(v, 'g', 10).toStdString();
}

}  // namespace

OpenProject::OpenProject(const Project& p, const Args& args)
    : job(locatePlugin(p.plugin, args.value("--plugin-dir")), p.host) {
    job.setLayerSize(p.primary.width, p.primary.height);
    job.setTime(0, kProjectFps);
    applyProject(p, job.instance());
}

void saveFrom(Project& p, OpenProject& open, const QString& path, SaveMode mode) {
    captureProject(p, open.job.instance());
    saveProject(p, path, mode);
}

// A shift whose pixel twin reached its bound is held there: the user hears of it.
void setAndReport(RenderJob& job, const std::string& assignment) {
    const auto asked = sliderRequest(job.params(), assignment);
    job.assign(assignment);
    if (!asked) return;
    const double stored = job.params().floatValue(asked->position);
    if (std::fabs(stored - asked->value) > 1e-9 * std::max(1.0, std::fabs(asked->value)))
        std::fprintf(stderr, "duovis: warning: %s: asked %s, stored %s (the effect held it to its range)\n",
                     identifierAt(asked->position).c_str(), number(asked->value).c_str(),
                     number(stored).c_str());
}

std::optional<int> keyFrameFromArgs(const Args& args, const Project& p) {
    const auto at = args.value("--at");
    if (args.has("--hold") && !at) throw std::runtime_error("--hold needs --at FRAME");
    if (!at) return std::nullopt;
    const int frame = parseInt(*at, "--at");
    refuseFrameOutside(p.primary, frame, "--at");
    return frame;
}

int projectUnset(const QString& path, const Words& ids, const Args& args) {
    if (ids.empty()) throw std::runtime_error("project unset needs at least one ID");
    if (args.has("--all") == args.has("--at"))
        throw std::runtime_error("project unset needs --at FRAME or --all");
    const FileLock lock(path);
    Project p = loadProject(path);
    const std::optional<int> frame = keyFrameFromArgs(args, p);
    OpenProject open(p, args);
    refhost::EffectInstance& fx = open.job.instance();
    if (frame) open.job.setTime(*frame, kProjectFps);
    const auto at = frame ? std::optional(frameTime(fx.time(), *frame)) : std::nullopt;
    for (const std::string& id : ids) {
        const int position = resolveParam(fx.params(), id);
        removeKeys(fx.params(), position, at, identifierAt(position), frame.value_or(0));
    }
    saveFrom(p, open, path);
    return 0;
}

}  // namespace duovis::cli
