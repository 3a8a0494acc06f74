#include "Session.h"

#include "session/FrameSequence.h"

#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <exception>
#include <stdexcept>

#include "UndoStep.h"
#include "core/params/ParamId.h"
#include "session/EffectCheck.h"
#include "session/FileLock.h"
#include "session/ImageWorld.h"
#include "session/ParamDescribe.h"
#include "session/PluginLocator.h"
#include "session/RenderJob.h"
#include "session/StatusArea.h"
#include "session/ToolPress.h"
#include "session/VideoDemux.h"

namespace duovis::studio {

namespace {

constexpr qint64 kPreviewPixels = 160000;

// A press the person cancelled: nothing of it stays, and nothing failed.
struct PressCancelled {};

std::string bytesOf(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

QString absoluteName(const std::string& name) {
    return QFileInfo(QFile::decodeName(name.c_str())).absoluteFilePath();
}

// A value from a control, in the form the entry's kind holds; the store refuses what the
// entry's registration does not allow.
void setStoreValue(refhost::ParamStore& store, int position, double value) {
    switch (store.at(position).param_type) {
        case PF_Param_POPUP:
            store.setPopup(position, static_cast<A_long>(std::lround(value)));
            break;
        case PF_Param_CHECKBOX:
            store.setCheckbox(position, value != 0.0);
            break;
        case PF_Param_FLOAT_SLIDER:
            store.setFloat(position, value);
            break;
        default:
            throw std::invalid_argument(std::string(store.at(position).name) + " holds no value");
    }
}

}  // namespace

int previewFactorFor(QSize frame) {
    int factor = 1;
    while (factor < 16 &&
           static_cast<qint64>(frame.width() / factor) * (frame.height() / factor) > kPreviewPixels)
        ++factor;
    return factor;
}

struct Session::Slot {
    std::unique_ptr<session::RenderJob> job;
    quint64 latest = 0;  // the newest request's generation
    quint64 shown = 0;   // the generation on screen
    int shownFactor = 0;
    bool useSecond = true;
};

Session::Session(QObject* parent)
    : QObject(parent), worker_(std::make_unique<RenderWorker>([this](RenderResult result) {
          // The render thread hands over; the window thread decides whether it still counts.
          QMetaObject::invokeMethod(
              this, [this, result = std::move(result)] { deliver(result); }, Qt::QueuedConnection);
      })) {}

Session::~Session() {
    worker_.reset();
    closeModule();
}

// As a host unloads a module: the instances close, the last one with the global set-down.
void Session::closeModule() {
    while (slots_.size() > 1) slots_.pop_back();
    if (!slots_.empty()) slots_.front()->job->closeGlobalToo();
    slots_.clear();
}

std::unique_ptr<Session::Slot> Session::makeSlot(const std::shared_ptr<refhost::Module>& module,
                                                 const StudioSource& source) const {
    auto slot = std::make_unique<Slot>();
    slot->job = std::make_unique<session::RenderJob>(module, options_.host);
    slot->job->setWorkerThreads(options_.threads);
    // The layer's full size: what the shift twins are measured in.
    slot->job->setLayerSize(source.frameSize().width(), source.frameSize().height());
    return slot;
}

void Session::install(std::shared_ptr<const StudioSource> source, const SessionOptions& options,
                      const session::Project* project, const QString& projectPath) {
    const SessionOptions previousOptions = options_;
    options_ = options;
    std::shared_ptr<refhost::Module> module;
    std::vector<std::unique_ptr<Slot>> fresh;
    try {
        const std::string path = session::locatePlugin(options.plugin, options.pluginDir);
        module = module_ && module_->path() == path ? module_ : std::make_shared<refhost::Module>(path);
        fresh.push_back(makeSlot(module, *source));
        // A packed video opens demuxed as its metadata says, as `duovis render` reads it; a
        // project's own values then win.
        if (const media::VideoInfo* video = source->primaryVideo(); video && !source->spec().second)
            session::demuxFromMetadata(*video, *fresh.front()->job);
        // Keys go to their frames at the footage's own rate, the one the session plays at.
        fresh.front()->job->setTime(source->firstFrame(), source->framesPerSecond());
        if (project) session::applyProject(*project, fresh.front()->job->instance());
        fresh.front()->useSecond = source->hasSecond();
    } catch (...) {
        options_ = previousOptions;
        throw;
    }
    worker_->reset();
    // The old instances go before the new ones count, as a host closes a project; a module no
    // longer used is closed whole.
    if (module != module_) closeModule();
    slots_ = std::move(fresh);
    module_ = std::move(module);
    source_ = std::move(source);
    projectPath_ = projectPath;
    frame_ = source_->firstFrame();
    for (auto& slot : slots_) slot->job->setTime(frame_, source_->framesPerSecond());
    undo_.clear();
    emit opened();
    changedEverywhere();
}

void Session::openFootage(const SourceSpec& spec, const SessionOptions& options) {
    install(std::make_shared<const StudioSource>(spec), options, nullptr, QString());
}

void Session::openProject(const QString& path, const SessionOptions& options, const Locate& locate) {
    session::Project project = session::loadProject(path);
    relink(project.primary.file, locate);
    relink(project.second, locate);
    SourceSpec spec;
    spec.primary = bytesOf(project.primary.file);
    if (!project.second.isEmpty()) spec.second = bytesOf(project.second);
    spec.blankSize = QSize(project.primary.width, project.primary.height);
    SessionOptions opened = options;
    opened.plugin = project.plugin;
    opened.host = project.host;
    install(std::make_shared<const StudioSource>(spec), opened, &project, QFileInfo(path).absoluteFilePath());
}

// A layer's file that is no longer where the project says is looked for by the person.
void Session::relink(QString& file, const Locate& locate) {
    if (file.isEmpty() || QFileInfo::exists(file) || session::FrameSequence::looksLikePattern(file)) return;
    const QString found = locate ? locate(file) : QString();
    if (found.isEmpty()) throw std::runtime_error(file.toStdString() + ": layer file not found");
    file = found;
}

void Session::addInstance() {
    if (!source_) throw std::runtime_error("open a picture or project first");
    auto slot = makeSlot(module_, *source_);
    restoreValues(slot->job->instance(), snapshotValues(instance(0).params()));
    slot->useSecond = slots_.front()->useSecond;
    slot->job->setTime(frame_, source_->framesPerSecond());
    slots_.push_back(std::move(slot));
    emit opened();
    changedEverywhere();
}

refhost::EffectInstance& Session::instance(int slot) {
    return slots_.at(static_cast<std::size_t>(slot))->job->instance();
}

void Session::change(int slot, const QString& what, const std::function<void(session::RenderJob&)>& action,
                     int repress) {
    session::RenderJob& job = *slots_.at(static_cast<std::size_t>(slot))->job;
    ValueSet before = snapshotValues(job.params());
    try {
        action(job);
    } catch (const PressCancelled&) {
        restoreValues(job.instance(), before);
        changedEverywhere();
        return;
    } catch (const std::exception& e) {
        restoreValues(job.instance(), before);
        emit failed(QString::fromStdString(e.what()));
        changedEverywhere();  // the controls go back to what the effect holds
        return;
    }
    ValueSet after = snapshotValues(job.params());
    if (repress >= 0 || !differingPositions(before, after).empty())
        undo_.push(new UndoStep(*this, slot, std::move(before), std::move(after), dragging_ ? dragSerial_ : 0,
                                repress, what));
    changedEverywhere();
}

QString Session::entryName(int slot, int position) {
    return QString::fromUtf8(instance(slot).params().at(position).name);
}

void Session::edit(int slot, int position, double value) {
    change(
        slot, entryName(slot, position),
        [position, value](session::RenderJob& job) {
            refhost::EffectInstance& fx = job.instance();
            setStoreValue(fx.params(), position, value);
            if ((fx.params().at(position).flags & PF_ParamFlag_SUPERVISE) != 0)
                session::checkEffect(fx.userChangedParam(position), "the change of a parameter");
        },
        -1);
}

// The tool measures the pictures on screen: the current frame of the layers this instance
// uses, whatever holds them (a video, a two-view file).
std::function<void(session::RenderJob&)> Session::toolPress(int slot) {
    return [this, withSecond = usesSecond(slot)](session::RenderJob& job) {
        const refhost::PixelFormat format = job.pixelFormat();
        refhost::Layer second = source_->secondLayer(format, 1, job.timeStep());
        session::pressToolButton(job.instance(), source_->primaryLayer(format, 1, job.timeStep()),
                                 withSecond ? &second : nullptr);
    };
}

void Session::press(int slot, int position) {
    if (position == LAUNCH_TOOL) {
        if (source_) change(slot, entryName(slot, position), toolPress(slot), -1);
        return;
    }
    change(
        slot, entryName(slot, position),
        [position](session::RenderJob& job) {
            session::checkEffect(job.instance().userChangedParam(position), "the press of a button");
        },
        position == GLOBAL_DISPLAY_SWITCH ? position : -1);
}

void Session::pressTool(int slot, const QString& what, const PressRunner& run) {
    if (!source_) return;
    const auto action = toolPress(slot);
    change(
        slot, what,
        [&action, &run](session::RenderJob& job) {
            if (!runCarryingFailure(run, [&] { action(job); })) throw PressCancelled{};
        },
        -1);
}

bool Session::runCarryingFailure(const PressRunner& run, const std::function<void()>& work) {
    std::exception_ptr failure;
    const bool finished = run([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    if (!finished) return false;
    if (failure) std::rethrow_exception(failure);
    return true;
}

std::pair<QImage, QImage> Session::toolEyes(int slot) {
    if (!source_) return {};
    session::RenderJob& job = *slots_.at(static_cast<std::size_t>(slot))->job;
    const refhost::PixelFormat format = job.pixelFormat();
    const A_long now = job.instance().time().currentTime;
    const auto picture = [now](refhost::Layer layer) {
        const refhost::World* frame = layer.frameAt(now);
        return frame ? session::fromWorld(*frame, false) : QImage();
    };
    QImage second = usesSecond(slot) ? picture(source_->secondLayer(format, 1, job.timeStep())) : QImage();
    return {picture(source_->primaryLayer(format, 1, job.timeStep())), std::move(second)};
}

void Session::assign(int slot, const std::string& assignment) {
    change(
        slot, QString::fromStdString(assignment),
        [&assignment](session::RenderJob& job) { job.assign(assignment); }, -1);
}

void Session::restore(int slot, const ValueSet& values, int repress) {
    refhost::EffectInstance& fx = instance(slot);
    restoreValues(fx, values);
    if (repress >= 0) fx.userChangedParam(repress);
    changedEverywhere();
}

bool Session::usesSecond(int slot) const {
    return source_ && source_->hasSecond() && slots_.at(static_cast<std::size_t>(slot))->useSecond;
}

void Session::chooseSecond(int slot, bool use) {
    bool& chosen = slots_.at(static_cast<std::size_t>(slot))->useSecond;
    // The first instance's choice is saved with the project: changing it is a change to keep,
    // though no undo step.
    if (slot == 0 && chosen != use) undo_.resetClean();
    chosen = use;
    changedEverywhere();
}

void Session::beginDrag() {
    dragging_ = true;
    ++dragSerial_;
}

void Session::endDrag() {
    dragging_ = false;
    requestRenders();  // the drag's last value, now at full resolution
}

void Session::setFrame(int frame) {
    if (!source_) return;
    frame_ = std::clamp(frame, source_->firstFrame(), source_->lastFrame());
    for (auto& slot : slots_) slot->job->setTime(frame_, source_->framesPerSecond());
    for (int i = 0; i < instanceCount(); ++i) emit valuesChanged(i);  // animated values move
    requestRenders();
}

session::Project Session::currentProject() {
    if (!source_) throw std::runtime_error("nothing is open");
    session::Project p;
    p.plugin = options_.plugin;
    p.host = options_.host;
    const SourceSpec& spec = source_->spec();
    if (!spec.primary.empty()) p.primary.file = absoluteName(spec.primary);
    p.primary.width = source_->frameSize().width();
    p.primary.height = source_->frameSize().height();
    if (spec.second && usesSecond(0)) p.second = absoluteName(*spec.second);
    p.values = session::captureValues(instance(0));
    return p;
}

void Session::save(const QString& path) {
    session::Project p = currentProject();
    session::captureProject(p, instance(0));
    std::optional<session::FileLock> lock;
    if (QFileInfo::exists(path)) lock.emplace(path);
    session::saveProject(p, path);
    projectPath_ = QFileInfo(path).absoluteFilePath();
    undo_.setClean();
}

std::optional<refhost::DrawOutcome> Session::drawCustomArea(int slot) {
    const int position = GLOBAL_DISPLAY_SETTINGS;
    const refhost::ParamStore& store = instance(slot).params();
    if (position >= store.count() || (store.at(position).ui_flags & PF_PUI_CONTROL) == 0) return std::nullopt;
    return session::drawStatusArea(instance(slot));
}

QString Session::displayTypeText(int slot) const {
    const refhost::ParamStore& store = slots_.at(static_cast<std::size_t>(slot))->job->params();
    const std::vector<std::string> choices = session::popupChoices(store.at(DISPLAY_TYPE));
    const A_long value = store.popup(DISPLAY_TYPE);
    if (value < 1 || value > static_cast<A_long>(choices.size())) return QString::number(value);
    return QString::fromStdString(choices[static_cast<std::size_t>(value - 1)]);
}

void Session::changedEverywhere() {
    // The global display is the effect's process-wide state: a change in one instance can
    // change what every instance shows.
    for (int i = 0; i < instanceCount(); ++i) emit valuesChanged(i);
    requestRenders();
}

void Session::requestRenders() {
    if (!source_) return;
    const int factor = dragging_ ? previewFactorFor(source_->frameSize()) : 1;
    for (int i = 0; i < instanceCount(); ++i) {
        Slot& slot = *slots_[static_cast<std::size_t>(i)];
        RenderRequest request;
        request.slot = i;
        request.generation = ++generation_;
        request.module = module_;
        request.app = kViewerHost;
        request.source = source_;
        request.values = snapshotValues(slot.job->params());
        request.factor = factor;
        request.frame = frame_;
        request.framesPerSecond = source_->framesPerSecond();
        request.useSecond = slot.useSecond;
        slot.latest = request.generation;
        worker_->submit(std::move(request));
    }
}

void Session::deliver(const RenderResult& result) {
    if (result.slot >= instanceCount()) return;
    Slot& slot = *slots_[static_cast<std::size_t>(result.slot)];
    // An overtaken request never shows: only the newest one counts.
    if (result.generation != slot.latest) return;
    if (!result.error.empty()) {
        slot.shown = result.generation;
        slot.shownFactor = result.factor;
        emit renderFailed(result.slot, QString::fromStdString(result.error));
    } else {
        slot.shown = result.generation;
        slot.shownFactor = result.factor;
        emit frameShown(result.slot, result.generation, result.image, result.factor, result.fullSize);
    }
    if (settled()) emit becameSettled();
}

bool Session::settled() const {
    if (!source_ || dragging_) return false;
    for (const auto& slot : slots_)
        if (slot->shown != slot->latest || slot->shownFactor != 1) return false;
    return true;
}

}  // namespace duovis::studio
