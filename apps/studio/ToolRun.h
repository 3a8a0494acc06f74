#pragma once
// The parallax tool's press run off the window's thread: a busy dialog while it measures
// (0.5 to 3 s on a 1080p pair, that much per frame over a shot) and a Cancel that stops the
// tool and lets the effect's waits end at once.

#include <QString>
#include <atomic>
#include <functional>
#include <mutex>

class QWidget;

namespace duovis::studio {

// What the dialog of a run of many presses shows: the worker tells each step as it ends, the
// window's poll shows the newest, and the worker asks here whether the person cancelled.
class PressProgress {
  public:
    // `name` is the dialog's object name; it counts 0 to `total`.
    PressProgress(QString name, QString label, int total);

    void tell(int done, const QString& label);  // from any thread
    bool cancelled() const { return cancelled_; }

    // The runner's side.
    const QString& name() const { return name_; }
    const QString& label() const { return label_; }
    int total() const { return total_; }
    // The newest step told since the last take, if any.
    bool take(int& done, QString& label);
    void cancel() { cancelled_ = true; }

  private:
    const QString name_;
    const QString label_;
    const int total_;
    std::mutex mutex_;
    int done_ = 0;
    QString told_;
    bool fresh_ = false;
    std::atomic<bool> cancelled_{false};
};

// Runs `press` on a thread of its own while the window goes on drawing under a window-modal
// busy dialog (a counting one when `progress` is given); returns once it has ended. False when
// the person cancelled: the tool was stopped and whatever the press did is the caller's to
// undo. `press` must not throw.
bool runToolPress(QWidget* parent, const std::function<void()>& press, PressProgress* progress = nullptr);

}  // namespace duovis::studio
