#include "session/ShotPress.h"

#include <QFile>

#include <optional>
#include <set>
#include <stdexcept>

#include "core/params/ResetGroups.h"
#include "session/EffectCheck.h"
#include "session/HostKeys.h"
#include "session/ImageInput.h"
#include "session/ImageWorld.h"
#include "session/KeySmoothing.h"
#include "session/RenderInputs.h"
#include "session/ToolPress.h"

namespace duovis::session {

namespace {

// One layer's frames as worlds: a still is read once, a sequence or video frame by frame.
class ShotLayer {
  public:
    ShotLayer(const QString& file, int width, int height, refhost::PixelFormat format)
        : width_(width), height_(height), format_(format) {
        if (file.isEmpty()) return;
        input_.emplace(QFile::encodeName(file).toStdString());
        reader_ = input_->reader(maxInputPixels(std::nullopt));
    }

    // The frame's views (one, or two for a two-view file).
    std::vector<refhost::World> at(int frame) {
        std::vector<refhost::World> views;
        if (!input_) {
            views.emplace_back(width_, height_, format_);
            return views;
        }
        const auto read = reader_->read(input_->isPattern() || input_->isVideo() ? frame : 0);
        if (!read) throw std::runtime_error(input_->name() + ": " + reader_->whyNoFrame(frame));
        for (const media::Picture& view : read->views) views.push_back(worldFor(view, format_));
        return views;
    }

  private:
    int width_, height_;
    refhost::PixelFormat format_;
    std::optional<InputLayer> input_;
    std::unique_ptr<media::FrameReader> reader_;
};

// One press at the job's current time, keying what the effect changes there.
ShotFrame pressAt(RenderJob& job, int frame, ShotLayer& primary, ShotLayer* second) {
    refhost::EffectInstance& fx = job.instance();
    std::vector<refhost::World> views = primary.at(frame);
    std::optional<refhost::Layer> other;
    if (second != nullptr) {
        other = refhost::Layer::still(std::move(second->at(frame).front()));
    } else if (views.size() == 2) {
        other = refhost::Layer::still(std::move(views[1]));
    }
    fx.setKeyingChanges(true);
    ShotFrame result{frame, false, {}, {}};
    try {
        result.refused =
            pressToolButton(fx, refhost::Layer::still(std::move(views[0])), other ? &*other : nullptr) == 0;
    } catch (...) {
        fx.setKeyingChanges(false);
        throw;
    }
    fx.setKeyingChanges(false);
    const refhost::KeyTime now = fx.params().now();
    for (const int p : fx.calls().changedPositions)
        if (const refhost::Keyframe* key = fx.params().keyAt(p, now)) result.measured[p] = key->value;
    return result;
}

// The corrections to smooth: a pixel shift whose percent twin changed too follows that twin.
std::set<int> smoothedPositions(const std::vector<ShotFrame>& frames) {
    std::set<int> changed;
    for (const ShotFrame& f : frames)
        for (const auto& [p, v] : f.measured) changed.insert(p);
    std::set<int> kept;
    for (const int p : changed) {
        const auto twin = shiftTwin(static_cast<ParamId>(p));
        if (twin && !twin->fromPercent && changed.count(static_cast<int>(twin->twin)) != 0) continue;
        kept.insert(p);
    }
    return kept;
}

// Re-keys one correction with its smoothed values; the change handler keys its twin along.
void rekey(RenderJob& job, int position, std::vector<ShotFrame>& frames, const ShotPressOptions& o) {
    std::vector<ShotSample> samples;
    std::vector<ShotFrame*> owners;
    for (ShotFrame& f : frames) {
        const auto it = f.measured.find(position);
        if (it == f.measured.end()) continue;
        samples.push_back(ShotSample{f.frame, it->second});
        owners.push_back(&f);
    }
    const std::vector<double> smoothed = smoothShot(samples, o.smooth);
    refhost::EffectInstance& fx = job.instance();
    for (std::size_t i = 0; i < samples.size(); ++i) {
        job.setTime(samples[i].frame, o.fps);
        fx.params().setKey(position, refhost::Keyframe{fx.params().now(), smoothed[i], false});
        if ((fx.params().at(position).flags & PF_ParamFlag_SUPERVISE) != 0)
            checkEffect(fx.userChangedParam(position), "the change of a smoothed key");
        owners[i]->keyed[position] = fx.params().current(position).u.fs_d.value;
    }
}

}  // namespace

std::vector<ShotFrame> pressShot(RenderJob& job, const Project& project, const ShotPressOptions& o) {
    if (o.smooth < 1) throw std::runtime_error("--smooth must be at least 1");
    const refhost::PixelFormat format = job.pixelFormat();
    ShotLayer primary(project.primary.file, project.primary.width, project.primary.height, format);
    std::optional<ShotLayer> second;
    if (!project.second.isEmpty()) second.emplace(project.second, 0, 0, format);
    std::vector<ShotFrame> frames;
    for (int i = 0; i < o.frames.count(); ++i) {
        const int frame = o.frames.at(i);
        job.setTime(frame, o.fps);
        ShotFrame f = pressAt(job, frame, primary, second ? &*second : nullptr);
        if (o.pressed) o.pressed(f);
        frames.push_back(std::move(f));
        job.releaseFrames();
    }
    for (const int position : smoothedPositions(frames)) rekey(job, position, frames, o);
    return frames;
}

}  // namespace duovis::session
