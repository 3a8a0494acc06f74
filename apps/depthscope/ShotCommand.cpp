#include "ShotCommand.h"

#include "ShotFrames.h"
#include "ShotPlot.h"
#include "media/AtomicSave.h"
#include "media/PixelLimit.h"
#include "media/SameFile.h"

#include <QFile>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <stdexcept>

namespace depthscope {

namespace {

using Clock = std::chrono::steady_clock;

// Progress on a terminal once the shot has run a few seconds; a log gets the findings only.
class ShotProgress {
  public:
    explicit ShotProgress(int total) : total_(total), terminal_(isatty(fileno(stderr)) != 0) {}
    ~ShotProgress() { clear(); }
    void frameDone(int frame) {
        ++done_;
        const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
        if (!terminal_ || total_ <= 1 || seconds < 2.0) return;
        std::fprintf(stderr, "\rdepthscope: frame %d, %d of %d measured   ", frame, done_, total_);
        std::fflush(stderr);
        shown_ = true;
    }
    // Before a line of findings: the progress line gives way.
    void clear() {
        if (shown_) std::fputs("\r\033[K", stderr);
        shown_ = false;
    }

  private:
    int total_, done_ = 0;
    bool terminal_, shown_ = false;
    Clock::time_point start_ = Clock::now();
};

std::vector<FrameDepth> measureShot(ShotFrames& shot, const duovis::session::FrameRange& range,
                                    const ComfortLimits& limits) {
    std::vector<FrameDepth> out;
    ShotProgress progress(range.toTheEnd ? 0 : range.count());
    EyeViews views;
    for (int k = 0; k < range.count() && shot.read(range.at(k), range.toTheEnd, views); ++k) {
        out.push_back(measureFrame(range.at(k), views, limits));
        const FrameDepth& d = out.back();
        if (d.beyond || !d.measured) {
            progress.clear();
            std::fprintf(stderr, "depthscope: %s\n", frameLine(d, limits).c_str());
        }
        progress.frameDone(d.frame);
    }
    return out;
}

}  // namespace

int analyseShot(const AnalyseOptions& o) {
    if (o.files.empty() || o.files.size() > 2)
        throw std::runtime_error("analyse needs LEFT and RIGHT, or one video that packs both eyes");
    const ComfortLimits limits = o.limits ? parseComfortLimits(*o.limits) : ComfortLimits{};
    ShotFrames shot(o.files[0], o.files.size() == 2 ? std::optional(o.files[1]) : std::nullopt,
                    duovis::media::maxInputPixels(o.megapixels));
    const duovis::session::FrameRange range = shot.frames(o.frames);
    if (!o.report.empty()) duovis::InputFiles(shot.files()).refuseAsOutput(o.report);
    const std::vector<FrameDepth> frames = measureShot(shot, range, limits);
    if (frames.empty()) throw std::runtime_error(o.files[0] + ": holds no frames");
    if (!o.report.empty())
        duovis::saveImageAtomically(shotPlot(frames, limits), QFile::decodeName(o.report.c_str()),
                                    duovis::SaveMode::Replace, "PNG");
    if (o.json) std::fputs(shotJson(frames, limits).constData(), stdout);
    int unmeasured = 0, beyond = 0;
    for (const FrameDepth& d : frames) {
        if (!o.json) std::printf("%s\n", frameLine(d, limits).c_str());
        unmeasured += d.measured ? 0 : 1;
        beyond += d.beyond ? 1 : 0;
    }
    if (!o.json)
        std::printf("%zu frames: %d beyond the limits (near %+.2f %%, far %+.2f %%), %d not measured\n",
                    frames.size(), beyond, limits.nearPct, limits.farPct, unmeasured);
    return unmeasured ? 1 : 0;
}

}  // namespace depthscope
