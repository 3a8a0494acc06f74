#pragma once
// One studio session: the footage, one or two effect instances driven as the editing host
// drives them (each change a user makes is one undo step, supervised entries get the effect's
// change notice), the render thread that turns their values into pictures, and the project
// file the session saves.

#include <QImage>
#include <QObject>
#include <QString>
#include <QUndoStack>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "DrawbotHost.h"
#include "EffectInstance.h"
#include "RenderWorker.h"
#include "StudioSource.h"
#include "ValueSet.h"
#include "session/PluginLocator.h"
#include "session/Project.h"
#include "session/ShotPress.h"

namespace duovis::session {
class RenderJob;
}

namespace duovis::studio {

struct SessionOptions {
    std::string plugin = session::kDefaultPlugin;
    std::optional<std::string> pluginDir;
    refhost::HostApp host = refhost::HostApp::Premiere;
    int threads = 0;  // the host's worker threads for each instance (0: every core)
};

// The down-sampling that keeps a preview of a frame this size within about 160 thousand
// pixels, so a drag redraws many times a second.
int previewFactorFor(QSize frame);

class Session : public QObject {
    Q_OBJECT

  public:
    explicit Session(QObject* parent = nullptr);
    ~Session() override;

    // Each throws std::runtime_error naming the culprit and leaves the session as it was.
    void openFootage(const SourceSpec& spec, const SessionOptions& options);
    // Finds a layer file that moved: given the missing path, the one to use instead (empty: give up).
    using Locate = std::function<QString(const QString& missing)>;
    void openProject(const QString& path, const SessionOptions& options, const Locate& locate = {});
    // Another instance of the effect on the same footage, starting from the first's values.
    void addInstance();

    bool isOpen() const { return source_ != nullptr; }
    int instanceCount() const { return static_cast<int>(slots_.size()); }
    refhost::EffectInstance& instance(int slot);
    const StudioSource* source() const { return source_.get(); }
    const SessionOptions& options() const { return options_; }

    // A user's edits, each one undo step; edits during a drag merge into the drag's step.
    void edit(int slot, int position, double value);
    void press(int slot, int position);
    // The parallax tool's press, handed to `run`, which may run it on another thread while the
    // window goes on; it returns false when the person cancelled. A cancelled press leaves
    // nothing behind; a finished one is one undo step named `what`.
    using PressRunner = std::function<bool(const std::function<void()>& press)>;
    void pressTool(int slot, const QString& what, const PressRunner& run);
    // Hands `work` to `run`, carrying what it throws back to this thread. False when the person
    // cancelled: whatever the stopped work threw then is dropped.
    static bool runCarryingFailure(const PressRunner& run, const std::function<void()>& work);
    // The pictures the tool measures at the current frame: the primary layer's and, where the
    // instance uses one, the second layer's (else a null image).
    std::pair<QImage, QImage> toolEyes(int slot);
    void assign(int slot, const std::string& assignment);  // "ID=VALUE", as -p gives it
    void beginDrag();
    void endDrag();
    bool dragging() const { return dragging_; }

    // Whether an instance's layer choice points at the second layer (a host's "None" renders
    // without it). Not an undo step: the host keeps layer choices apart from values.
    bool usesSecond(int slot) const;
    void chooseSecond(int slot, bool use);

    int frame() const { return frame_; }
    // Moves to the frame; the panels then show the values there.
    void setFrame(int frame);

    // Sets the entry's key at the current frame, or removes it (and its twin's) where there is
    // one: one undo step either way.
    void toggleKey(int slot, int position);
    // Makes the entry's key at the current frame (and its twin's) hold until the next key, or
    // move linearly to it: one undo step. Nothing without a key here.
    void holdKey(int slot, int position, bool hold);

    // The parallax tool over a shot, keying each frame's correction. The whole shot is pressed
    // inside `run`, as in pressTool; `keepGoing` is told there of each frame pressed, `done` of
    // `total`, and false stops before the next. A cancelled or stopped run keys nothing; a
    // finished one is one undo step. Throws naming the frames when they are outside the
    // footage's; an effect's failure is reported as `failed`.
    struct ShotRequest {
        session::FrameRange frames;
        int smooth = 1;
    };
    struct ShotOutcome {
        std::vector<session::ShotFrame> frames;  // those pressed, keyed ones with their keys
        bool finished = false;
        bool cancelled = false;
    };
    using ShotProgress = std::function<bool(const session::ShotFrame& pressed, int done, int total)>;
    ShotOutcome trackShot(int slot, const ShotRequest& request, const PressRunner& run,
                          const ShotProgress& keepGoing);

    QUndoStack& undoStack() { return undo_; }
    const QString& projectPath() const { return projectPath_; }
    // Writes the project (atomically, holding the file's lock while it is replaced).
    void save(const QString& path);
    // The project as `duovis project` keeps it, with the first instance's values.
    session::Project currentProject();

    // The effect's drawing of its custom area; nullopt where it registered none in this host.
    std::optional<refhost::DrawOutcome> drawCustomArea(int slot);
    // The "Display Type" choice an instance holds.
    QString displayTypeText(int slot) const;

    // Renders every instance's newest values (down-sampled while a drag lasts).
    void requestRenders();
    // Every instance shows the picture of its newest values at full resolution.
    bool settled() const;

    // Undo steps put values back through here; `repress` presses a toggling button again.
    void restore(int slot, const ValueSet& values, int repress);

  signals:
    void opened();
    void valuesChanged(int slot);
    void frameShown(int slot, quint64 generation, const QImage& image, int factor, QSize fullSize);
    void renderFailed(int slot, const QString& why);
    void becameSettled();
    void failed(const QString& why);  // an edit the effect refused

  private:
    static void relink(QString& file, const Locate& locate);
    struct Slot;
    void install(std::shared_ptr<const StudioSource> source, const SessionOptions& options,
                 const session::Project* project, const QString& projectPath);
    std::unique_ptr<Slot> makeSlot(const std::shared_ptr<refhost::Module>& module,
                                   const StudioSource& source) const;
    void closeModule();
    // Runs a user's change on an instance and keeps it as one undo step named `what`.
    void change(int slot, const QString& what, const std::function<void(session::RenderJob&)>& action,
                int repress);
    QString entryName(int slot, int position);
    std::function<void(session::RenderJob&)> toolPress(int slot);
    void deliver(const RenderResult& result);
    void changedEverywhere();

    SessionOptions options_;
    std::shared_ptr<refhost::Module> module_;
    std::shared_ptr<const StudioSource> source_;
    std::vector<std::unique_ptr<Slot>> slots_;
    QUndoStack undo_;
    QString projectPath_;
    int frame_ = 0;
    bool dragging_ = false;
    int dragSerial_ = 0;
    quint64 generation_ = 0;
    std::unique_ptr<RenderWorker> worker_;
};

}  // namespace duovis::studio
