// `duovis project press FILE LAUNCH_TOOL --frames A-B[xN] [--smooth K]`: the parallax tool
// over a shot, one line per frame saying what it measured and what was keyed.
#include <QString>

#include <cstdio>
#include <stdexcept>

#include "ProjectOpen.h"
#include "core/params/ParamId.h"
#include "core/params/ParamTable.h"
#include "session/FileLock.h"
#include "session/ParamAssign.h"
#include "session/ProjectLayers.h"
#include "session/ShotPress.h"
#include "session/ShotReport.h"

namespace duovis::cli {

using namespace session;

namespace {

ShotPressOptions shotOptions(const Args& args, const Project& p) {
    const auto frames = args.value("--frames");
    if (!frames) throw std::runtime_error("--smooth needs --frames A-B");
    ShotPressOptions o;
    o.frames = parseFrameRange(*frames, "--frames");
    o.smooth = parseInt(args.value("--smooth").value_or("1"), "--smooth");
    if (o.smooth < 1) throw std::runtime_error("--smooth: " + std::to_string(o.smooth) + " is below 1");
    refuseFrameOutside(p.primary, o.frames.first, "--frames");
    refuseFrameOutside(p.primary, o.frames.at(o.frames.count() - 1), "--frames");
    o.fps = kProjectFps;
    return o;
}

void reportFrames(const std::vector<ShotFrame>& frames) {
    std::string refused;
    for (const ShotFrame& f : frames) {
        if (f.refused) {
            refused += (refused.empty() ? "" : ", ") + std::to_string(f.frame);
        }
        std::printf("%s\n", shotFrameLine(f).c_str());
    }
    if (!refused.empty())
        std::fprintf(stderr,
                     "duovis: warning: the tool refused frame%s %s (its reasons are above); no key there\n",
                     refused.find(',') == std::string::npos ? "" : "s", refused.c_str());
}

}  // namespace

int projectPressShot(const QString& path, const Words& buttons, const Args& args) {
    const FileLock lock(path);
    Project p = loadProject(path);
    OpenProject open(p, args);
    if (resolveParam(open.job.params(), buttons.at(0)) != LAUNCH_TOOL)
        throw std::runtime_error("--frames presses only LAUNCH_TOOL, not " + buttons.at(0));
    ShotPressOptions options = shotOptions(args, p);
    const std::vector<ShotFrame> frames = pressShot(open.job, p, options);
    reportFrames(frames);
    bool anyKey = false;
    for (const ShotFrame& f : frames) anyKey = anyKey || !f.refused;
    if (!anyKey)
        throw std::runtime_error(path.toStdString() +
                                 ": the tool refused every frame; the project is unchanged");
    saveFrom(p, open, path);
    return 0;
}

}  // namespace duovis::cli
