#include "MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

#include "FieldShortcuts.h"
#include "ParamPanel.h"
#include "ProjectName.h"
#include "TimeText.h"
#include "ToolReport.h"
#include "ToolRun.h"
#include "ToolSummary.h"
#include "ValueSet.h"
#include "Viewer.h"
#include "core/params/ParamId.h"
#include "session/ImageInput.h"
#include "session/NumberedFile.h"
#include "session/StatusArea.h"

namespace duovis::studio {

namespace {

QAction* menuItem(QMenu* menu, const QString& text, const QKeySequence& keys, QObject* receiver,
                  std::function<void()> slot) {
    QAction* action = menu->addAction(text);
    action->setShortcut(keys);
    QObject::connect(action, &QAction::triggered, receiver, std::move(slot));
    return action;
}

// The tool's menu item, whose name its undo step carries too.
QString toolItemText() {
    return QObject::tr("Launch &Depthscope");
}

}  // namespace

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("duovis-studio[*]"));
    qApp->installEventFilter(new FieldShortcuts(this));
    statusBar();  // there from the start, so its first message does not move the viewer
    views_ = new QSplitter(Qt::Horizontal, this);
    auto* centre = new QWidget(this);
    auto* column = new QVBoxLayout(centre);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(views_, 1);

    timeBar_ = new QWidget(centre);
    auto* bar = new QHBoxLayout(timeBar_);
    play_ = new QPushButton(tr("Play"), timeBar_);
    play_->setCheckable(true);
    timeSlider_ = new QSlider(Qt::Horizontal, timeBar_);
    timeSlider_->setObjectName(QStringLiteral("time"));
    frameLabel_ = new QLabel(timeBar_);
    bar->addWidget(play_);
    bar->addWidget(withKeyTicks(timeSlider_), 1);
    bar->addWidget(frameLabel_);
    column->addWidget(timeBar_);
    timeBar_->hide();
    setCentralWidget(centre);

    player_ = new QTimer(this);
    player_->setTimerType(Qt::PreciseTimer);
    connect(player_, &QTimer::timeout, this, [this] {
        const Session& s = session_;
        const int last = s.source() ? s.source()->lastFrame() : 0;
        session_.setFrame(s.frame() >= last ? s.source()->firstFrame() : s.frame() + 1);
        timeSlider_->setValue(session_.frame());
    });
    connect(play_, &QPushButton::toggled, this, [this](bool on) {
        on ? player_->start() : player_->stop();
        play_->setText(on ? tr("Pause") : tr("Play"));
    });
    connect(timeSlider_, &QSlider::valueChanged, this, [this](int frame) {
        if (frame != session_.frame()) session_.setFrame(frame);
        showTime();
    });

    panels_ = new QTabWidget(this);
    auto* dock = new QDockWidget(tr("Effect Controls"), this);
    dock->setObjectName(QStringLiteral("controls"));
    dock->setFeatures(QDockWidget::DockWidgetMovable);
    dock->setWidget(panels_);
    addDockWidget(Qt::LeftDockWidgetArea, dock);

    connect(&session_, &Session::opened, this, &MainWindow::rebuild);
    connect(&session_, &Session::valuesChanged, this, &MainWindow::showValues);
    connect(&session_, &Session::frameShown, this,
            [this](int slot, quint64, const QImage& image, int factor, QSize fullSize) {
                showFrame(slot, image, factor, fullSize);
            });
    connect(&session_, &Session::renderFailed, this, [this](int, const QString& why) { report(why); });
    connect(&session_, &Session::failed, this, &MainWindow::report);
    connect(&session_.undoStack(), &QUndoStack::cleanChanged, this,
            [this](bool clean) { setWindowModified(!clean); });
    buildMenus();
    resize(1280, 760);
}

void MainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    menuItem(file, tr("&Open..."), QKeySequence::Open, this, [this] { openDialog(false); });
    menuItem(file, tr("Open &Single Frame..."), QKeySequence(), this, [this] { openDialog(true); });
    menuItem(file, tr("Open &Pair..."), QKeySequence(tr("Ctrl+Shift+O")), this, [this] { openPairDialog(); });
    menuItem(file, tr("&Save"), QKeySequence::Save, this, [this] {
        if (session_.projectPath().isEmpty())
            saveAsDialog();
        else
            saveTo(session_.projectPath());
    });
    menuItem(file, tr("Save &As..."), QKeySequence::SaveAs, this, [this] { saveAsDialog(); });
    file->addSeparator();
    menuItem(file, tr("&Quit"), QKeySequence::Quit, this, [this] { close(); });

    QMenu* edit = menuBar()->addMenu(tr("&Edit"));
    QAction* undo = session_.undoStack().createUndoAction(this, tr("&Undo"));
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = session_.undoStack().createRedoAction(this, tr("&Redo"));
    redo->setShortcuts({QKeySequence::Redo, QKeySequence(tr("Ctrl+Y"))});
    edit->addAction(undo);
    edit->addAction(redo);

    QMenu* view = menuBar()->addMenu(tr("&View"));
    menuItem(view, tr("&Fit"), QKeySequence(tr("Ctrl+0")), this, [this] { forEachViewer(&Viewer::fit); });
    menuItem(view, tr("&Actual Pixels"), QKeySequence(tr("Ctrl+1")), this, [this] {
        for (Viewer* v : viewerOf_) v->setZoom(1.0);
    });
    menuItem(view, tr("Zoom &In"), QKeySequence::ZoomIn, this, [this] {
        for (Viewer* v : viewerOf_) v->zoomBy(1.25);
    });
    menuItem(view, tr("Zoom &Out"), QKeySequence::ZoomOut, this, [this] {
        for (Viewer* v : viewerOf_) v->zoomBy(0.8);
    });
    view->addSeparator();
    menuItem(view, tr("&Next Display Type"), QKeySequence(tr("Ctrl+D")), this,
             [this] { cycleDisplayType(1); });
    menuItem(view, tr("&Previous Display Type"), QKeySequence(tr("Ctrl+Shift+D")), this,
             [this] { cycleDisplayType(-1); });
    view->addSeparator();
    menuItem(view, tr("Add &Second Instance"), QKeySequence(tr("Ctrl+I")), this, [this] {
        if (session_.instanceCount() >= 2) return;
        try {
            session_.addInstance();
        } catch (const std::exception& e) {
            report(QString::fromStdString(e.what()));
        }
    });

    QMenu* frame = menuBar()->addMenu(tr("F&rame"));
    menuItem(frame, tr("&Next Frame"), QKeySequence(tr("Ctrl+Right")), this, [this] { stepFrame(1); });
    menuItem(frame, tr("&Previous Frame"), QKeySequence(tr("Ctrl+Left")), this, [this] { stepFrame(-1); });
    menuItem(frame, tr("&Play"), QKeySequence(tr("Ctrl+Space")), this, [this] { play_->toggle(); });
    addKeyActions(frame);

    // The tool button is registered invisible: this menu is how a person reaches it.
    QMenu* tools = menuBar()->addMenu(tr("&Tools"));
    menuItem(tools, toolItemText(), QKeySequence(tr("Ctrl+T")), this, [this] { launchTool(); });
    addShotAction(tools);
}

// The press runs under a busy dialog with Cancel; its undo step is named as the menu item.
void MainWindow::launchTool() {
    if (!session_.isOpen()) return;
    play_->setChecked(false);  // the frame stays the one measured
    const int slot = currentSlot();
    const ValueSet before = snapshotValues(session_.instance(slot).params());
    bool cancelled = false;
    session_.pressTool(slot, toolItemText().remove('&'),
                       [this, &cancelled](const std::function<void()>& press) {
                           cancelled = !runToolPress(this, press);
                           return !cancelled;
                       });
    if (cancelled) {
        report(tr("Parallax tool cancelled: nothing applied"));
        return;
    }
    const QString summary = toolSummary(before, snapshotValues(session_.instance(slot).params()));
    statusBar()->showMessage(summary, 30000);
    std::fprintf(stderr, "duovis-studio: %s\n", summary.toLocal8Bit().constData());
    showToolReport(slot, summary);
}

// The tool's measurement of the same pictures, its verdict and report picture, with the summary.
void MainWindow::showToolReport(int slot, const QString& summary) {
    if (!prompts_.showToolReport) return;
    const auto [left, right] = session_.toolEyes(slot);
    ToolReport report;
    if (measureForReport(this, left, right, report)) prompts_.showToolReport(this, summary, report);
}

void MainWindow::rebuild() {
    while (panels_->count() > 0) {
        QWidget* page = panels_->widget(0);
        panels_->removeTab(0);
        page->deleteLater();
    }
    for (Viewer* v : viewerOf_) v->parentWidget()->deleteLater();
    panelOf_.clear();
    viewerOf_.clear();
    infoOf_.clear();
    statusLineOf_.clear();
    frameInfoOf_.clear();
    const StudioSource* source = session_.source();
    QStringList layers;
    if (source && source->hasSecond())
        layers << QFileInfo(QFile::decodeName(source->secondName().c_str())).fileName();
    for (int slot = 0; slot < session_.instanceCount(); ++slot) {
        auto* panel = new ParamPanel(session_.instance(slot).params());
        panel->setLayers(layers, session_.usesSecond(slot) ? 0 : -1);
        connect(panel, &ParamPanel::layerChosen, this,
                [this, slot](int, int layer) { session_.chooseSecond(slot, layer >= 0); });
        connect(panel, &ParamPanel::edited, this,
                [this, slot](int position, double value) { session_.edit(slot, position, value); });
        connect(panel, &ParamPanel::pressed, this,
                [this, slot](int position) { session_.press(slot, position); });
        connect(panel, &ParamPanel::dragStarted, this, [this] { session_.beginDrag(); });
        connect(panel, &ParamPanel::dragFinished, this, [this] { session_.endDrag(); });
        connectKeys(panel, slot);
        panels_->addTab(panelPage(panel), tr("Instance %1").arg(slot + 1));
        panelOf_.push_back(panel);

        auto* box = new QWidget;
        auto* column = new QVBoxLayout(box);
        column->setContentsMargins(2, 2, 2, 2);
        auto* viewer = new Viewer(box);
        viewer->setObjectName(QStringLiteral("viewer-%1").arg(slot));
        connect(viewer, &Viewer::zoomChanged, this, [this, slot] { showInfo(slot); });
        auto* info = new QLabel(box);
        column->addWidget(viewer, 1);
        column->addWidget(info);
        views_->addWidget(box);
        viewerOf_.push_back(viewer);
        infoOf_.push_back(info);
        statusLineOf_.emplace_back();
        frameInfoOf_.emplace_back();
    }
    const bool sequence = source && source->isSequence();
    timeBar_->setVisible(sequence);
    if (sequence) {
        const QSignalBlocker block(timeSlider_);
        timeSlider_->setRange(source->firstFrame(), source->lastFrame());
        // Plays at the footage's own rate (a video's, else film rate).
        player_->setInterval(std::max(1, static_cast<int>(std::lround(1000.0 / source->framesPerSecond()))));
        timeSlider_->setValue(session_.frame());
        showTime();
    }
    showKeyTicks();
    showTitle();
}

// The project's name once it has one, else the footage's; `*` while there are unsaved changes.
void MainWindow::showTitle() {
    const StudioSource* source = session_.source();
    const QString name = session_.projectPath().isEmpty() && source
                             ? QFile::decodeName(source->spec().primary.c_str())
                             : session_.projectPath();
    setWindowTitle(name.isEmpty() ? QStringLiteral("duovis-studio[*]")
                                  : QStringLiteral("%1[*] - duovis-studio").arg(QFileInfo(name).fileName()));
    setWindowModified(!session_.undoStack().isClean());
}

void MainWindow::showTime() {
    const StudioSource* source = session_.source();
    if (source == nullptr) return;
    frameLabel_->setText(
        timeText(session_.frame(), source->firstFrame(), source->lastFrame(), source->framesPerSecond()));
}

// The panel under a filter box that narrows it by name or identifier, with fold-all buttons.
QWidget* MainWindow::panelPage(ParamPanel* panel) {
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    auto* bar = new QHBoxLayout;
    auto* filter = new QLineEdit(page);
    filter->setObjectName(QStringLiteral("panel-filter"));
    filter->setPlaceholderText(tr("Filter controls (name or identifier)"));
    filter->setClearButtonEnabled(true);
    connect(filter, &QLineEdit::textChanged, panel, &ParamPanel::setFilter);
    auto* collapse = new QToolButton(page);
    collapse->setText(tr("Collapse All"));
    connect(collapse, &QToolButton::clicked, panel, [panel] { panel->setAllExpanded(false); });
    auto* expand = new QToolButton(page);
    expand->setText(tr("Expand All"));
    connect(expand, &QToolButton::clicked, panel, [panel] { panel->setAllExpanded(true); });
    bar->addWidget(filter, 1);
    bar->addWidget(collapse);
    bar->addWidget(expand);
    column->addLayout(bar);
    auto* scroll = new QScrollArea(page);
    scroll->setWidget(panel);
    scroll->setWidgetResizable(true);
    // The dock narrows as far as the panel's rows can wrap, never so far that it scrolls sideways.
    scroll->setMinimumWidth(panel->minimumSizeHint().width() +
                            scroll->verticalScrollBar()->sizeHint().width() + 2 * scroll->frameWidth());
    column->addWidget(scroll, 1);
    return page;
}

ParamPanel* MainWindow::panel(int slot) const {
    return slot < static_cast<int>(panelOf_.size()) ? panelOf_[static_cast<std::size_t>(slot)] : nullptr;
}

Viewer* MainWindow::viewer(int slot) const {
    return slot < static_cast<int>(viewerOf_.size()) ? viewerOf_[static_cast<std::size_t>(slot)] : nullptr;
}

QString MainWindow::infoText(int slot) const {
    return slot < static_cast<int>(infoOf_.size()) ? infoOf_[static_cast<std::size_t>(slot)]->text()
                                                   : QString();
}

void MainWindow::showValues(int slot) {
    ParamPanel* p = panel(slot);
    if (p == nullptr) return;
    p->refresh(session_.instance(slot).params());
    if (slot == currentSlot()) showKeyTicks();
    try {
        if (const auto drawn = session_.drawCustomArea(slot)) {
            // The host learns the global display only from what the effect draws.
            const QString text = QString::fromStdString(session::drawnText(*drawn));
            p->setCustomArea(GLOBAL_DISPLAY_SETTINGS, text);
            statusLineOf_[static_cast<std::size_t>(slot)] = text;
        }
    } catch (const std::exception& e) {
        report(QString::fromStdString(e.what()));
    }
}

void MainWindow::showFrame(int slot, const QImage& image, int factor, QSize fullSize) {
    Viewer* v = viewer(slot);
    if (v == nullptr) return;
    v->setFrame(image, factor);
    QString text = QStringLiteral("%1 x %2 · %3")
                       .arg(fullSize.width())
                       .arg(fullSize.height())
                       .arg(session_.displayTypeText(slot));
    if (factor > 1) text += tr(" · preview 1/%1").arg(factor);
    if (const QString& line = statusLineOf_[static_cast<std::size_t>(slot)]; !line.isEmpty())
        text += " · " + line;
    frameInfoOf_[static_cast<std::size_t>(slot)] = text;
    showInfo(slot);
}

// What the frame is, and at which zoom it is shown.
void MainWindow::showInfo(int slot) {
    const Viewer* v = viewer(slot);
    if (v == nullptr) return;
    const auto at = static_cast<std::size_t>(slot);
    infoOf_[at]->setText(frameInfoOf_[at] + tr(" · zoom %1 %").arg(std::lround(v->zoom() * 100)));
}

// A person's own action failed: say so where it cannot be missed, and in the log.
void MainWindow::complain(const QString& message) {
    std::fprintf(stderr, "duovis-studio: %s\n",
                 QString(message).replace('\n', ' ').toLocal8Bit().constData());
    if (prompts_.showError) prompts_.showError(this, message);
}

void MainWindow::report(const QString& message) {
    statusBar()->showMessage(message, 8000);
    std::fprintf(stderr, "duovis-studio: %s\n", message.toLocal8Bit().constData());
}

int MainWindow::currentSlot() const {
    return std::max(0, std::min(panels_->currentIndex(), session_.instanceCount() - 1));
}

void MainWindow::forEachViewer(void (Viewer::*action)()) {
    for (Viewer* v : viewerOf_) (v->*action)();
}

void MainWindow::cycleDisplayType(int step) {
    if (!session_.isOpen()) return;
    const int slot = currentSlot();
    const refhost::ParamStore& store = session_.instance(slot).params();
    const int choices = store.at(DISPLAY_TYPE).u.pd.num_choices;
    const int next =
        ((static_cast<int>(store.popup(DISPLAY_TYPE)) - 1 + step) % choices + choices) % choices + 1;
    session_.edit(slot, DISPLAY_TYPE, next);
}

void MainWindow::stepFrame(int step) {
    if (!session_.isOpen()) return;
    session_.setFrame(session_.frame() + step);
    timeSlider_->setValue(session_.frame());
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->setAccepted(changesSettled());
}

// Changes not saved yet are not lost without asking.
bool MainWindow::changesSettled() {
    if (!session_.isOpen() || session_.undoStack().isClean()) return true;
    const QMessageBox::StandardButton answer = prompts_.saveChanges(this);
    if (answer == QMessageBox::Discard) return true;
    if (answer != QMessageBox::Save) return false;
    const bool saved = session_.projectPath().isEmpty() ? saveAsDialog() : saveTo(session_.projectPath());
    return saved && session_.undoStack().isClean();
}

// A numbered file opens as its sequence unless one frame is asked for.
static QString asFootage(const QString& path, bool singleFrame) {
    if (singleFrame || path.isEmpty()) return path;
    return session::sequencePatternFor(path).value_or(path);
}

bool MainWindow::openPath(const QString& path, const QString& second, bool singleFrame) {
    if (!changesSettled()) return false;
    try {
        if (isProjectPath(path) && second.isEmpty()) {
            const QString folder = QFileInfo(path).absolutePath();
            session_.openProject(path, options_, [this, folder](const QString& missing) {
                return prompts_.openFile(this,
                                         tr("Locate the moved layer %1").arg(QFileInfo(missing).fileName()),
                                         QString(), folder);
            });
        } else {
            SourceSpec spec;
            spec.primary = QFile::encodeName(asFootage(path, singleFrame)).toStdString();
            if (!second.isEmpty())
                spec.second = QFile::encodeName(asFootage(second, singleFrame)).toStdString();
            session_.openFootage(spec, options_);
        }
        return true;
    } catch (const std::exception& e) {
        complain(tr("Could not open %1:\n%2").arg(path, QString::fromStdString(e.what())));
        return false;
    }
}

bool MainWindow::saveTo(const QString& path) {
    try {
        session_.save(path);
        showTitle();
        statusBar()->showMessage(tr("saved %1").arg(path), 4000);
        return true;
    } catch (const std::exception& e) {
        complain(tr("Could not save %1:\n%2").arg(path, QString::fromStdString(e.what())));
        return false;
    }
}

void MainWindow::openDialog(bool singleFrame) {
    const QString path = prompts_.openFile(
        this,
        singleFrame ? tr("Open one frame of a sequence") : tr("Open a picture, sequence, video or project"),
        tr("Footage and projects (*.png *.jpg *.tif *.tiff *.bmp *.exr *.dpx "
           "*.mp4 *.mov *.mkv *.json);;"
           "All files (*)"),
        QString());
    if (!path.isEmpty()) openPath(path, QString(), singleFrame);
}

// The right eye's dialog starts where the left eye was found.
void MainWindow::openPairDialog() {
    const QString left = prompts_.openFile(this, tr("Left eye"), QString(), QString());
    if (left.isEmpty()) return;
    const QString right = prompts_.openFile(this, tr("Right eye"), QString(), QFileInfo(left).absolutePath());
    if (!right.isEmpty()) openPath(left, right);
}

bool MainWindow::saveAsDialog() {
    if (!session_.isOpen()) return false;
    const QString chosen = prompts_.saveFile(this, session_.projectPath());
    if (chosen.isEmpty()) return false;
    const QString path = projectSaveName(chosen);
    if (QFileInfo::exists(path) && !prompts_.replaceFile(this, path)) return false;
    return saveTo(path);
}

}  // namespace duovis::studio
