// The render thread, the global display across two instances, and projects and pictures the
// studio writes for the command-line tool and the README.
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>
#include <QSlider>
#include <QStandardPaths>

#include <QStatusBar>

#include "StudioFixture.h"
#include "StudioPrograms.h"
#include "core/params/ParamId.h"
#include "session/Project.h"

namespace duovis::studiotest {

namespace {

// A window picture is not blank when it holds many colours, the rendered pattern among them.
int colourCount(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) colours.insert(image.pixel(x, y));
    return colours.size();
}

}  // namespace

TEST_F(StudioTest, OnlyTheNewestRequestEverShows) {
    open();
    std::vector<quint64> shownGenerations;
    QObject::connect(
        &session(), &studio::Session::frameShown,
        [&](int, quint64 generation, const QImage&, int, QSize) { shownGenerations.push_back(generation); });
    // Three changes at once: the older renders are overtaken before the window sees them.
    session().edit(0, DISPLAY_TYPE, 8);
    session().edit(0, DISPLAY_TYPE, 2);
    session().edit(0, HSHIFT_PX_R, 4.0);
    settle();
    ASSERT_EQ(shownGenerations.size(), 1u);
    const QImage last = shown();
    // The same values rendered afresh give the same picture: what shows is the newest request.
    session().requestRenders();
    settle();
    ASSERT_EQ(shownGenerations.size(), 2u);
    EXPECT_GT(shownGenerations[1], shownGenerations[0]);
    EXPECT_EQ(shown(), last);
    session().edit(0, HSHIFT_PX_R, 0.0);
    settle();
    EXPECT_NE(shown(), last);
}

TEST_F(StudioTest, GlobalDisplaySwitchActsOnBothInstancesAndUndoes) {
    open();
    session().addInstance();
    session().edit(0, DISPLAY_TYPE, 8);  // instance 1 anaglyph ...
    session().edit(1, DISPLAY_TYPE, 2);  // ... instance 2 the left eye only
    settle();
    const QImage first = shown(0), secondBefore = shown(1);
    ASSERT_NE(first, secondBefore);

    session().press(0, GLOBAL_DISPLAY_SWITCH);
    settle();
    EXPECT_EQ(shown(1), first) << "instance 2 shows the global display";
    EXPECT_EQ(shown(0), first);
    EXPECT_TRUE(window_->infoText(1).contains("Global Display: ON")) << window_->infoText(1).toStdString();

    session().undoStack().undo();
    settle();
    EXPECT_EQ(shown(1), secondBefore);
    session().undoStack().redo();
    settle();
    EXPECT_EQ(shown(1), first);
    session().press(0, GLOBAL_DISPLAY_SWITCH);  // off again for the tests that follow
    settle();
    EXPECT_EQ(shown(1), secondBefore);
}

TEST_F(StudioTest, SavedProjectOpensAgainAndRendersInTheCommandLineTool) {
    open();
    session().edit(0, DISPLAY_TYPE, 8);
    session().edit(0, VSHIFT_PX_R, -3.0);
    settle();
    const QImage rendered = shown();
    const QString project = path("shot.json");
    session().save(project);
    EXPECT_TRUE(session().undoStack().isClean());
    session().edit(0, VSHIFT_PX_R, 1.0);
    session().save(project);  // replacing a project the studio wrote
    session().undoStack().undo();
    session().save(project);

    const session::Project p = session::loadProject(project);
    EXPECT_EQ(p.values.value("VSHIFT_PX_R").toDouble(), -3.0);
    EXPECT_NE(p.values.value("VSHIFT_PCT_R").toDouble(), 0.0);
    EXPECT_EQ(p.second, path("right.png"));

    studio::MainWindow again;
    studio::SessionOptions options;
    options.pluginDir = DUOVIS_PLUGIN_DIR;
    again.setOptions(options);
    ASSERT_TRUE(again.openPath(project));
    ASSERT_TRUE(waitFor([&] { return again.session().settled(); }));
    EXPECT_EQ(again.viewer(0)->image(), rendered);
    EXPECT_EQ(again.session().instance(0).params().floatValue(VSHIFT_PX_R), -3.0);

    const Outcome r =
        runProgram(QStringLiteral(DUOVIS_CLI_PATH), {"render", "--project", project, "-o", path("cli.png")},
                   studioEnvironment());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(QImage(path("cli.png")).convertToFormat(QImage::Format_RGB32),
              rendered.convertToFormat(QImage::Format_RGB32));
}

// Save As onto a picture the window shows would replace that eye with the project's text.
class StudioSaveOverLayer : public StudioTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(StudioSaveOverLayer, IsRefusedAndTheEyeStays) {
    open();
    const QString name = QString(GetParam()) + ".png";
    const QString eye = path(name);
    QFile file(eye);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray before = file.readAll();
    file.close();
    try {
        session().save(eye);
        ADD_FAILURE() << "saved over " << name.toStdString();
    } catch (const std::exception& e) {
        EXPECT_TRUE(QString(e.what()).contains(name + ": is the input")) << e.what();
    }
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
}

INSTANTIATE_TEST_SUITE_P(Eyes, StudioSaveOverLayer, ::testing::Values("left", "right"));

// A drag previews through the host's down-sampling; its end renders at full resolution.
TEST_F(StudioTest, DragPreviewsDownsampledThenRendersFullSize) {
    ASSERT_TRUE(pattern(800, 600, 5).save(path("big-left.png")));
    ASSERT_TRUE(pattern(800, 600, 9).save(path("big-right.png")));
    open(refhost::HostApp::Premiere, "big-left.png", "big-right.png");
    std::vector<int> factors;
    QObject::connect(&session(), &studio::Session::frameShown,
                     [&](int, quint64, const QImage& image, int factor, QSize full) {
                         factors.push_back(factor);
                         EXPECT_EQ(image.size() * factor, full);
                     });
    auto* slider = control<QSlider>(HSHIFT_PX_B, "-slider");
    slider->setSliderDown(true);
    slider->setValue(700);
    ASSERT_TRUE(waitFor([&] { return !factors.empty(); }));
    EXPECT_EQ(factors.back(), studio::previewFactorFor(QSize(800, 600)));
    EXPECT_GT(factors.back(), 1);
    EXPECT_EQ(shown().size(), QSize(800, 600) / factors.back());
    slider->setSliderDown(false);
    settle();
    EXPECT_EQ(factors.back(), 1);
    EXPECT_EQ(shown().size(), QSize(800, 600));
}

// A numbered sequence gets a time bar; each frame renders its own pictures.
TEST_F(StudioTest, SequenceFramesStepThroughTheTimeBar) {
    for (int frame = 1; frame <= 3; ++frame) {
        ASSERT_TRUE(pattern(kWidth, kHeight, frame * 40)
                        .save(path(QStringLiteral("l_%1.png").arg(frame, 4, 10, QChar('0')))));
        ASSERT_TRUE(pattern(kWidth, kHeight, frame * 40 + 7)
                        .save(path(QStringLiteral("r_%1.png").arg(frame, 4, 10, QChar('0')))));
    }
    open(refhost::HostApp::Premiere, "l_%04d.png", "r_%04d.png");
    auto* time = window_->findChild<QSlider*>(QStringLiteral("time"));
    ASSERT_NE(time, nullptr);
    EXPECT_EQ(time->minimum(), 1);
    EXPECT_EQ(time->maximum(), 3);
    std::vector<QImage> frames{shown()};
    for (int frame = 2; frame <= 3; ++frame) {
        time->setValue(frame);
        settle();
        EXPECT_EQ(session().frame(), frame);
        frames.push_back(shown());
    }
    EXPECT_NE(frames[0], frames[1]);
    EXPECT_NE(frames[1], frames[2]);
    session().setFrame(1);
    settle();
    EXPECT_EQ(shown(), frames[0]);
}

// The layer choice offers the second layer or none; a project keeps what was chosen.
TEST_F(StudioTest, LayerChoiceRendersWithoutTheSecondLayerWhenNone) {
    open();
    session().edit(0, DISPLAY_TYPE, 3);  // the right eye alone: the second layer's picture
    settle();
    const QImage withSecond = shown();
    auto* choice = control<QComboBox>(SECONDARY_LAYER);
    ASSERT_NE(choice, nullptr);
    ASSERT_EQ(choice->count(), 2);
    EXPECT_EQ(choice->currentText(), QStringLiteral("right.png"));
    choice->activated(0);
    settle();
    EXPECT_NE(shown(), withSecond);
    EXPECT_TRUE(session().currentProject().second.isEmpty());
    choice->activated(1);
    settle();
    EXPECT_EQ(shown(), withSecond);
    EXPECT_EQ(session().currentProject().second, path("right.png"));
}

// The usual shortcuts reach their actions: display types cycle both ways, frames step, undo.
TEST_F(StudioTest, ShortcutsCycleDisplayTypesStepFramesAndUndo) {
    for (int frame = 1; frame <= 2; ++frame)
        ASSERT_TRUE(pattern(kWidth, kHeight, frame)
                        .save(path(QStringLiteral("s_%1.png").arg(frame, 4, 10, QChar('0')))));
    open(refhost::HostApp::Premiere, "s_%04d.png", "");
    const auto press = [this](const char* keys) {
        for (QAction* a : window_->findChildren<QAction*>())
            if (a->shortcuts().contains(QKeySequence(QString::fromLatin1(keys)))) return a->trigger(), true;
        return false;
    };
    const int choices = store().at(DISPLAY_TYPE).u.pd.num_choices;
    const A_long first = store().popup(DISPLAY_TYPE);
    struct Row {
        const char* keys;
        A_long displayType;
        int frame;
    };
    const Row rows[] = {
        {"Ctrl+D", first % choices + 1, 1},
        {"Ctrl+Shift+D", first, 1},
        {"Ctrl+Shift+D", (first + choices - 2) % choices + 1, 1},
        {"Ctrl+Right", (first + choices - 2) % choices + 1, 2},
        {"Ctrl+Right", (first + choices - 2) % choices + 1, 2},
        {"Ctrl+Z", first, 2},
        {"Ctrl+Left", first, 1},
    };
    for (const Row& row : rows) {
        ASSERT_TRUE(press(row.keys)) << row.keys;
        EXPECT_EQ(store().popup(DISPLAY_TYPE), row.displayType) << row.keys;
        EXPECT_EQ(session().frame(), row.frame) << row.keys;
    }
    settle();
}

// The tool button is reached through the Tools menu; its reply is one undo step.
TEST_F(StudioTest, ToolsMenuLaunchesTheToolAndItsReplyUndoesAsOneStep) {
    if (std::string(TOOL_RECORDER_PATH).empty()) GTEST_SKIP() << "the stand-in tool is not built";
    open();
    launchTool();
    EXPECT_NEAR(store().floatValue(VSHIFT_PCT_R), -2.5, 1e-6);
    // The person is told what was applied, by name, with the old and new values.
    const QString told = window_->statusBar()->currentMessage();
    EXPECT_TRUE(told.contains(QStringLiteral("Vertical Shift Right % 0 → -2.5"))) << told.toStdString();
    EXPECT_NEAR(store().floatValue(VSHIFT_PX_R), -2.5 / 100 * kHeight, 1e-5);
    EXPECT_TRUE(QFile::exists(path("exchange-1/stream.bin")));
    ASSERT_EQ(session().undoStack().count(), 1);
    session().undoStack().undo();
    EXPECT_EQ(store().floatValue(VSHIFT_PCT_R), 0.0);
    EXPECT_EQ(store().floatValue(VSHIFT_PX_R), 0.0);
}

// The program itself: a window picture written offscreen and in a real X window, and refusals.
class StudioProgram : public StudioTest {
  protected:
    Outcome studio(const QStringList& args, const QProcessEnvironment& env = studioEnvironment()) {
        return runProgram(QStringLiteral(DUOVIS_STUDIO_PATH), args, env);
    }
    QStringList pairArgs() const { return {path("left.png"), "--second", path("right.png")}; }
};

TEST_F(StudioProgram, ScreenshotOfTheWholeWindowOffscreen) {
    QProcessEnvironment env = studioEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));  // no display: the program goes offscreen itself
    const Outcome r = studio(pairArgs() << "-p"
                                        << "DISPLAY_TYPE=Anaglyph (Red/Cyan)"
                                        << "--instances"
                                        << "2"
                                        << "--screenshot" << path("window.png"),
                             env);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QImage shot(path("window.png"));
    ASSERT_FALSE(shot.isNull());
    EXPECT_GE(shot.width(), 800);
    EXPECT_GT(colourCount(shot), 200);
}

TEST_F(StudioProgram, ScreenshotOfARealWindowUnderXvfb) {
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    if (xvfb.isEmpty()) GTEST_SKIP() << "xvfb-run is not installed";
    QProcessEnvironment env = studioEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    // The X platform plugin and the X libraries keep their allocations until exit; under the
    // sanitizers the leak check is left to the offscreen runs, every other check stays on.
    const QString asan = env.value(QStringLiteral("ASAN_OPTIONS"));
    env.insert(QStringLiteral("ASAN_OPTIONS"), (asan.isEmpty() ? asan : asan + ':') + "detect_leaks=0");
    const Outcome r = runProgram(xvfb,
                                 QStringList{"-a", QStringLiteral(DUOVIS_STUDIO_PATH)}
                                     << pairArgs() << "--screenshot" << path("x11.png"),
                                 env);
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_GT(colourCount(QImage(path("x11.png"))), 200);
}

TEST_F(StudioProgram, BadInputStopsWithOneLineNamingTheCulprit) {
    struct Row {
        QStringList args;
        QString culprit;
    };
    const Row rows[] = {
        {{path("missing.png")}, "missing.png"},
        {{path("left.png"), "-p", "NO_SUCH=1", "--screenshot", path("x.png")}, "NO_SUCH"},
        {{path("left.png"), "-p", "HSHIFT_PCT_B=500", "--screenshot", path("x.png")}, "-100..100"},
        {{path("left.png"), "--instances", "3"}, "--instances"},
        {{path("left.png"), path("right.png")}, "right.png"},
        {{"--second", path("right.png")}, "--second"},
        {{"--frobnicate"}, "--frobnicate"},
    };
    for (const Row& row : rows) {
        const Outcome r = studio(row.args);
        EXPECT_NE(r.exitCode, 0) << row.args.join(' ').toStdString();
        const QStringList lines = r.err.split('\n', Qt::SkipEmptyParts).filter("duovis-studio:");
        ASSERT_EQ(lines.size(), 1) << r.err.toStdString();
        EXPECT_TRUE(lines[0].contains(row.culprit)) << lines[0].toStdString();
    }
    EXPECT_FALSE(QFile::exists(path("x.png")));
}

}  // namespace duovis::studiotest
