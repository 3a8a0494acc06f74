// The window's work with keys: the key buttons' edits, the selected control's keys under the
// time slider, moving to the previous or next key, and the parallax tool over a shot.
#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <cstdio>

#include "KeyMarks.h"
#include "KeyTicks.h"
#include "MainWindow.h"
#include "ParamPanel.h"
#include "ToolRun.h"
#include "TrackShotDialog.h"
#include "session/ShotReport.h"

namespace duovis::studio {

QWidget* MainWindow::withKeyTicks(QSlider* slider) {
    auto* track = new QWidget(slider->parentWidget());
    auto* column = new QVBoxLayout(track);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    keyTicks_ = new KeyTicks(track);
    keyTicks_->setObjectName(QStringLiteral("key-ticks"));
    column->addWidget(slider);
    column->addWidget(keyTicks_);
    return track;
}

void MainWindow::addKeyActions(QMenu* frame) {
    frame->addSeparator();
    QAction* previous = frame->addAction(tr("Previous &Key"), this, [this] { jumpToKey(-1); });
    previous->setShortcut(QKeySequence(tr("Alt+Left")));
    QAction* next = frame->addAction(tr("Next K&ey"), this, [this] { jumpToKey(1); });
    next->setShortcut(QKeySequence(tr("Alt+Right")));
    connect(panels_, &QTabWidget::currentChanged, this, [this] { showKeyTicks(); });
}

void MainWindow::addShotAction(QMenu* tools) {
    QAction* shot = tools->addAction(tr("Track &Shot..."), this, [this] { trackShot(); });
    shot->setStatusTip(tr("Presses the parallax tool at each frame of a range and keys its corrections"));
}

void MainWindow::connectKeys(ParamPanel* panel, int slot) {
    connect(panel, &ParamPanel::keyToggled, this,
            [this, slot](int position) { session_.toggleKey(slot, position); });
    connect(panel, &ParamPanel::keyHoldChosen, this,
            [this, slot](int position, bool hold) { session_.holdKey(slot, position, hold); });
    connect(panel, &ParamPanel::selectionChanged, this, [this] { showKeyTicks(); });
}

// The keys of the control selected in the panel shown, or of every control when none is.
void MainWindow::showKeyTicks() {
    const StudioSource* source = session_.source();
    ParamPanel* shown = panel(currentSlot());
    if (source == nullptr || shown == nullptr) {
        keyTicks_->setKeys(0, 0, {});
        return;
    }
    keyTicks_->setKeys(source->firstFrame(), source->lastFrame(),
                       keyFrames(session_.instance(currentSlot()), shown->selectedPosition()));
}

void MainWindow::jumpToKey(int step) {
    if (!session_.isOpen()) return;
    const std::optional<int> to = neighbourKey(keyTicks_->frames(), session_.frame(), step);
    if (!to) {
        statusBar()->showMessage(step < 0 ? tr("no key before frame %1").arg(session_.frame())
                                          : tr("no key after frame %1").arg(session_.frame()),
                                 4000);
        return;
    }
    session_.setFrame(*to);
    timeSlider_->setValue(session_.frame());
}

QString MainWindow::shotSummary() const {
    return shotSummary_ ? shotSummary_->toPlainText() : QString();
}

void MainWindow::trackShot() {
    const StudioSource* source = session_.source();
    if (source == nullptr) return;
    const ShotPrompt ask = shotPrompt_ ? shotPrompt_ : ShotPrompt(&TrackShotDialog::ask);
    const std::optional<Session::ShotRequest> request = ask(this, source->firstFrame(), source->lastFrame());
    if (!request) return;
    play_->setChecked(false);  // the frame stays put while the shot is pressed
    PressProgress progress(QStringLiteral("shot-progress"), tr("Tracking the shot with the parallax tool..."),
                           request->frames.count());
    try {
        const Session::ShotOutcome outcome = session_.trackShot(
            currentSlot(), *request,
            [this, &progress](const std::function<void()>& press) {
                return runToolPress(this, press, &progress);
            },
            [&progress](const session::ShotFrame& f, int done, int all) {
                progress.tell(done, tr("Frame %1 pressed (%2 of %3)").arg(f.frame).arg(done).arg(all));
                return !progress.cancelled();
            });
        showShotOutcome(*request, outcome);
    } catch (const std::exception& e) {
        complain(tr("Track Shot: %1").arg(QString::fromStdString(e.what())));
    }
}

// What was measured and keyed at each frame, in a window that stays open beside the work.
void MainWindow::showShotOutcome(const Session::ShotRequest& request, const Session::ShotOutcome& outcome) {
    if (!outcome.finished && !outcome.cancelled) return;  // the effect failed: already reported
    QStringList lines;
    QStringList refused;
    for (const session::ShotFrame& f : outcome.frames) {
        lines << QString::fromStdString(session::shotFrameLine(f));
        if (f.refused) refused << QString::number(f.frame);
    }
    const int pressed = static_cast<int>(outcome.frames.size());
    const QString head =
        outcome.cancelled
            ? tr("Track Shot cancelled after %1 of %2 frames: nothing keyed")
                  .arg(pressed)
                  .arg(request.frames.count())
            : tr("Track Shot: %1 frames pressed, smoothed over %2").arg(pressed).arg(request.smooth);
    lines.prepend(head);
    if (!refused.isEmpty()) lines << tr("refused by the tool, no key: frames %1").arg(refused.join(", "));
    if (!shotSummary_) {
        auto* box = new QDialog(this);
        box->setWindowTitle(tr("Track Shot"));
        auto* column = new QVBoxLayout(box);
        shotSummary_ = new QPlainTextEdit(box);
        shotSummary_->setObjectName(QStringLiteral("shot-summary"));
        shotSummary_->setReadOnly(true);
        column->addWidget(shotSummary_);
        box->resize(640, 320);
    }
    shotSummary_->setPlainText(lines.join('\n'));
    shotSummary_->window()->show();
    statusBar()->showMessage(head, 30000);
    for (const QString& line : lines)
        std::fprintf(stderr, "duovis-studio: %s\n", line.toLocal8Bit().constData());
}

}  // namespace duovis::studio
