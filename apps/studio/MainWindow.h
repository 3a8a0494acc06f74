#pragma once
// The studio's window: the effect's controls of each instance on the left, their rendered
// output side by side, a time bar for sequences, and the menus and shortcuts of an editing host.

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <optional>
#include <vector>

#include "Prompts.h"
#include "Session.h"

class QLabel;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QSplitter;
class QTabWidget;
class QTimer;

namespace duovis::studio {

class KeyTicks;
class ParamPanel;
class Viewer;

class MainWindow : public QMainWindow {
    Q_OBJECT

  public:
    explicit MainWindow(QWidget* parent = nullptr);

    Session& session() { return session_; }
    ParamPanel* panel(int slot) const;
    Viewer* viewer(int slot) const;
    QString infoText(int slot) const;

    // Opens a project (.json) or footage in place of the session, first asking what to do with
    // changes it would lose; false when the person keeps the session, or after saying why in
    // the status bar and on standard error.
    // Footage (a numbered file stands for its sequence unless `singleFrame`) or a project.
    bool openPath(const QString& path, const QString& second = QString(), bool singleFrame = false);
    void setOptions(const SessionOptions& options) { options_ = options; }
    void setPrompts(Prompts prompts) { prompts_ = std::move(prompts); }

    // What "Track Shot..." asks: the frames and smoothing, or nullopt when the person cancels.
    using ShotPrompt = std::function<std::optional<Session::ShotRequest>(QWidget*, int first, int last)>;
    void setShotPrompt(ShotPrompt prompt) { shotPrompt_ = std::move(prompt); }
    KeyTicks* keyTicks() const { return keyTicks_; }
    // What the last "Track Shot..." measured and keyed, frame by frame.
    QString shotSummary() const;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildMenus();
    void launchTool();
    void showToolReport(int slot, const QString& summary);
    void rebuild();
    QWidget* panelPage(ParamPanel* panel);
    void showValues(int slot);
    void showFrame(int slot, const QImage& image, int factor, QSize fullSize);
    void showInfo(int slot);
    void showTitle();
    void showTime();
    void report(const QString& message);
    void complain(const QString& message);
    void cycleDisplayType(int step);
    void stepFrame(int step);
    // Whether the session may be closed or replaced: nothing unsaved, or the person saved or
    // discarded it.
    bool changesSettled();
    bool saveTo(const QString& path);
    void openDialog(bool singleFrame);
    void openPairDialog();
    bool saveAsDialog();
    int currentSlot() const;
    void forEachViewer(void (Viewer::*action)());
    // Keys: the marks under the time slider, the key buttons, previous/next key, Track Shot.
    QWidget* withKeyTicks(QSlider* slider);
    void addKeyActions(QMenu* frame);
    void addShotAction(QMenu* tools);
    void connectKeys(ParamPanel* panel, int slot);
    void showKeyTicks();
    void jumpToKey(int step);
    void trackShot();
    void showShotOutcome(const Session::ShotRequest& request, const Session::ShotOutcome& outcome);

    Session session_;
    SessionOptions options_;
    Prompts prompts_ = dialogPrompts();
    QTabWidget* panels_ = nullptr;
    QSplitter* views_ = nullptr;
    std::vector<ParamPanel*> panelOf_;
    std::vector<Viewer*> viewerOf_;
    std::vector<QLabel*> infoOf_;
    std::vector<QString> statusLineOf_;  // what the effect drew in its custom area
    std::vector<QString> frameInfoOf_;   // a frame's size, display type and status, without the zoom
    QWidget* timeBar_ = nullptr;
    QSlider* timeSlider_ = nullptr;
    QLabel* frameLabel_ = nullptr;
    QPushButton* play_ = nullptr;
    QTimer* player_ = nullptr;
    KeyTicks* keyTicks_ = nullptr;
    ShotPrompt shotPrompt_;
    QPointer<QPlainTextEdit> shotSummary_;
};

}  // namespace duovis::studio
