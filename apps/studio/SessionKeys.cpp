// The session's edits of keys: a key set or removed at the current frame, and the parallax
// tool pressed over a shot.
#include <QFile>
#include <QFileInfo>

#include <stdexcept>
#include <vector>

#include "Session.h"
#include "session/EffectCheck.h"
#include "session/HostKeys.h"
#include "session/KeyEdit.h"
#include "session/ParamDescribe.h"
#include "session/RenderJob.h"

namespace duovis::studio {

namespace {

struct ShotCancelled {};

void checkShotFrames(const session::FrameRange& range, const StudioSource& source) {
    const int last = range.at(range.count() - 1);
    if (range.first < source.firstFrame() || last > source.lastFrame())
        throw std::runtime_error(QStringLiteral("frames %1-%2: the footage has frames %3-%4")
                                     .arg(range.first)
                                     .arg(last)
                                     .arg(source.firstFrame())
                                     .arg(source.lastFrame())
                                     .toStdString());
}

// Presses the shot inside `run`. False when the person cancelled or `o.pressed` stopped it: the
// values are then put back as they were, so nothing is keyed. Rethrows the press's failure.
bool pressShotWithin(const Session::PressRunner& run, session::RenderJob& job,
                     const session::Project& project, const session::ShotPressOptions& o,
                     std::vector<session::ShotFrame>& frames) {
    const ValueSet start = snapshotValues(job.params());
    bool stopped = false;
    const bool finished = Session::runCarryingFailure(run, [&] {
        try {
            frames = session::pressShot(job, project, o);
        } catch (const ShotCancelled&) {
            stopped = true;
        }
    });
    if (!finished || stopped) {
        restoreValues(job.instance(), start);
        return false;
    }
    return true;
}

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

Session::ShotOutcome Session::trackShot(int slot, const ShotRequest& request, const PressRunner& run,
                                        const ShotProgress& keepGoing) {
    ShotOutcome outcome;
    if (!source_) return outcome;
    const session::FrameRange& range = request.frames;
    checkShotFrames(range, *source_);
    session::Project project = currentProject();
    const SourceSpec& spec = source_->spec();
    project.second = usesSecond(slot) && spec.second
                         ? QFileInfo(QFile::decodeName(spec.second->c_str())).absoluteFilePath()
                         : QString();
    session::ShotPressOptions o;
    o.frames = range;
    o.smooth = request.smooth;
    o.fps = source_->framesPerSecond();
    // Told on the press's thread. A frame whose tool a cancel stopped is not counted as pressed.
    o.pressed = [&outcome, &keepGoing, total = range.count()](const session::ShotFrame& f) {
        const int done = static_cast<int>(outcome.frames.size()) + 1;
        if (keepGoing && !keepGoing(f, done, total)) throw ShotCancelled();
        outcome.frames.push_back(f);
    };
    QString frames = QStringLiteral("%1-%2").arg(range.first).arg(range.at(range.count() - 1));
    if (range.step > 1) frames += QStringLiteral("x%1").arg(range.step);
    change(
        slot, tr("Track Shot: frames %1").arg(frames),
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
            outcome.cancelled = !pressShotWithin(run, job, project, o, outcome.frames);
            outcome.finished = !outcome.cancelled;
        },
        -1);
    return outcome;
}

}  // namespace duovis::studio
