// The session's edits of keys: a key set or removed at the current frame, and the parallax
// tool pressed over a shot.
#include <QFile>
#include <QFileInfo>

#include <stdexcept>

#include "Session.h"
#include "session/EffectCheck.h"
#include "session/HostKeys.h"
#include "session/KeyEdit.h"
#include "session/ParamDescribe.h"
#include "session/RenderJob.h"

namespace duovis::studio {

namespace {

struct ShotCancelled {};

}  // namespace

void Session::toggleKey(int slot, int position) {
    const refhost::ParamStore& store = instance(slot).params();
    const bool here = store.keyAt(position, store.now()) != nullptr;
    const QString what = (here ? tr("Remove Key: %1 at %2") : tr("Set Key: %1 at %2"))
                             .arg(entryName(slot, position))
                             .arg(frame_);
    const int frame = frame_;
    change(
        slot, what,
        [position, here, frame](session::RenderJob& job) {
            refhost::EffectInstance& fx = job.instance();
            refhost::ParamStore& st = fx.params();
            const std::string id = session::identifierAt(position);
            if (here) {
                session::removeKeys(st, position, st.now(), id, frame);
                return;
            }
            session::prepareKey(st, position, false, id);
            // The effect's change handling at this time keys the shift's twin along.
            if ((st.at(position).flags & PF_ParamFlag_SUPERVISE) != 0)
                session::checkEffect(fx.userChangedParam(position), "the change of a key");
        },
        -1);
}

void Session::holdKey(int slot, int position, bool hold) {
    const refhost::ParamStore& store = instance(slot).params();
    if (store.keyAt(position, store.now()) == nullptr) return;
    const QString what = (hold ? tr("Hold Key: %1 at %2") : tr("Linear Key: %1 at %2"))
                             .arg(entryName(slot, position))
                             .arg(frame_);
    change(
        slot, what,
        [position, hold](session::RenderJob& job) {
            refhost::ParamStore& st = job.params();
            for (const int p : session::keyedTogether(st, position))
                if (st.keyAt(p, st.now()) != nullptr)
                    session::prepareKey(st, p, hold, session::identifierAt(p));
        },
        -1);
}

Session::ShotOutcome Session::trackShot(int slot, const ShotRequest& request, const ShotProgress& keepGoing) {
    ShotOutcome outcome;
    if (!source_) return outcome;
    const session::FrameRange& range = request.frames;
    const int last = range.at(range.count() - 1);
    if (range.first < source_->firstFrame() || last > source_->lastFrame())
        throw std::runtime_error(QStringLiteral("frames %1-%2: the footage has frames %3-%4")
                                     .arg(range.first)
                                     .arg(last)
                                     .arg(source_->firstFrame())
                                     .arg(source_->lastFrame())
                                     .toStdString());
    session::Project project = currentProject();
    const SourceSpec& spec = source_->spec();
    project.second = usesSecond(slot) && spec.second
                         ? QFileInfo(QFile::decodeName(spec.second->c_str())).absoluteFilePath()
                         : QString();
    session::ShotPressOptions o;
    o.frames = range;
    o.smooth = request.smooth;
    o.fps = source_->framesPerSecond();
    o.pressed = [&outcome, &keepGoing, total = range.count()](const session::ShotFrame& f) {
        outcome.frames.push_back(f);
        if (keepGoing && !keepGoing(f, static_cast<int>(outcome.frames.size()), total)) throw ShotCancelled();
    };
    QString frames = QStringLiteral("%1-%2").arg(range.first).arg(last);
    if (range.step > 1) frames += QStringLiteral("x%1").arg(range.step);
    const QString what = tr("Track Shot: frames %1").arg(frames);
    change(
        slot, what,
        [&](session::RenderJob& job) {
            // However the run ends, the instance is back at the session's frame, holding no
            // footage of the shot. The frame and rate were taken already: this cannot throw.
            struct Afterwards {
                session::RenderJob& job;
                int frame;
                double fps;
                ~Afterwards() {
                    job.releaseFrames();
                    job.setTime(frame, fps);
                }
            } afterwards{job, frame_, o.fps};
            const ValueSet start = snapshotValues(job.params());
            try {
                outcome.frames = session::pressShot(job, project, o);
                outcome.finished = true;
            } catch (const ShotCancelled&) {
                restoreValues(job.instance(), start);  // a stopped run keys nothing
                outcome.cancelled = true;
            }
        },
        -1);
    return outcome;
}

}  // namespace duovis::studio
