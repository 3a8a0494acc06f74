// Keys in the studio: the key buttons, the keys under the time slider, previous and next key,
// values that follow the frame, keys kept by a saved project, and the tool over a shot.
#include <QDialog>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QSlider>
#include <QTimer>
#include <QToolButton>

#include "KeyButton.h"
#include "KeyMarks.h"
#include "KeyTicks.h"
#include "StudioFixture.h"
#include "ToolChildren.h"
#include "core/params/ParamId.h"
#include "media/VideoWriter.h"
#include "session/Project.h"

namespace duovis::studiotest {

namespace {

using studio::KeyMark;

class StudioKeys : public StudioTest {
  protected:
    static constexpr int kFrames = 5;

    // A shot of frames 1 to 5, both eyes numbered.
    void openShot() {
        for (int frame = 1; frame <= kFrames; ++frame) {
            const QString number = QStringLiteral("%1").arg(frame, 4, 10, QChar('0'));
            ASSERT_TRUE(pattern(kWidth, kHeight, frame * 40).save(path("l_" + number + ".png")));
            ASSERT_TRUE(pattern(kWidth, kHeight, frame * 40 + 7).save(path("r_" + number + ".png")));
        }
        open(refhost::HostApp::Premiere, "l_%04d.png", "r_%04d.png");
    }
    void goTo(int frame) {
        window_->findChild<QSlider*>(QStringLiteral("time"))->setValue(frame);
        settle();
    }
    studio::KeyButton* keyButton(int position) {
        return window_->panel(0)->findChild<studio::KeyButton*>(QStringLiteral("key-%1").arg(position));
    }
    std::vector<int> keyedFrames(int position) {
        std::vector<int> frames;
        for (const refhost::Keyframe& k : store().keys(position))
            frames.push_back(static_cast<int>(k.at.time));
        return frames;
    }
    double shownValue(int position) { return control<QDoubleSpinBox>(position, "-value")->value(); }
};

// Each step's action, then the mark of the key button and the frames of both twins' keys.
enum class Act { Look, ClickKey, Edit, Undo };
struct KeyStep {
    const char* what;
    int frame;
    Act act;
    KeyMark mark;
    std::vector<int> keys;
};

TEST_F(StudioKeys, KeyButtonSetsAndRemovesTheKeyOfBothTwinsAtTheFrame) {
    openShot();
    EXPECT_EQ(keyButton(DISPLAY_TYPE), nullptr);  // a popup cannot vary in time
    ASSERT_NE(keyButton(VSHIFT_PCT_R), nullptr);
    const std::vector<KeyStep> steps{
        {"nothing keyed yet", 2, Act::Look, KeyMark::None, {}},
        {"a key set", 2, Act::ClickKey, KeyMark::Here, {2}},
        {"a frame without a key", 4, Act::Look, KeyMark::Elsewhere, {2}},
        {"a value changed there keys it", 4, Act::Edit, KeyMark::Here, {2, 4}},
        {"the key removed", 4, Act::ClickKey, KeyMark::Elsewhere, {2}},
        {"its removal undone", 4, Act::Undo, KeyMark::Here, {2, 4}},
        {"a value changed at a key moves that key", 2, Act::Edit, KeyMark::Here, {2, 4}},
        {"the last key removed", 2, Act::ClickKey, KeyMark::Elsewhere, {4}},
    };
    for (const KeyStep& step : steps) {
        SCOPED_TRACE(step.what);
        goTo(step.frame);
        if (step.act == Act::ClickKey) keyButton(VSHIFT_PCT_R)->click();
        if (step.act == Act::Edit) session().edit(0, VSHIFT_PCT_R, 1.5);
        if (step.act == Act::Undo) session().undoStack().undo();
        settle();
        EXPECT_EQ(keyButton(VSHIFT_PCT_R)->mark(), step.mark);
        EXPECT_EQ(keyedFrames(VSHIFT_PCT_R), step.keys);
        EXPECT_EQ(keyedFrames(VSHIFT_PX_R), step.keys);  // the change handler keyed the twin along
    }
    // The edit at frame 4 moved both twins' keys there, and nothing at frame 2.
    EXPECT_DOUBLE_EQ(store().keys(VSHIFT_PCT_R).front().value, 1.5);
    EXPECT_NEAR(store().keys(VSHIFT_PX_R).front().value, 1.5 / 100 * kHeight, 1e-6);
}

TEST_F(StudioKeys, UndoNamesTheKeyStep) {
    openShot();
    goTo(3);
    keyButton(ROTATE_R)->click();
    EXPECT_EQ(session().undoStack().undoText(),
              QStringLiteral("Set Key: %1 at 3").arg(QString::fromUtf8(store().at(ROTATE_R).name)));
    keyButton(ROTATE_R)->click();
    EXPECT_EQ(session().undoStack().undoText(),
              QStringLiteral("Remove Key: %1 at 3").arg(QString::fromUtf8(store().at(ROTATE_R).name)));
    EXPECT_TRUE(store().keys(ROTATE_R).empty());
    session().undoStack().undo();
    session().undoStack().undo();
    EXPECT_TRUE(store().keys(ROTATE_R).empty());
    EXPECT_EQ(session().undoStack().count(), 2);
}

// The key button's menu makes a key hold, for both twins, and back; each one undo step.
TEST_F(StudioKeys, HoldFromTheKeyButtonsMenuKeepsTheValueUntilTheNextKey) {
    openShot();
    goTo(1);
    keyButton(VSHIFT_PCT_R)->click();
    goTo(5);
    session().edit(0, VSHIFT_PCT_R, 4.0);
    struct Row {
        int at;
        bool hold;  // chosen in the menu there; the key at 1 then holds or not
        double atThree;
    };
    for (const Row& r : {Row{1, true, 0.0}, Row{1, false, 2.0}, Row{3, true, 2.0}}) {
        SCOPED_TRACE(std::to_string(r.at) + (r.hold ? " hold" : " linear"));
        goTo(r.at);
        QAction* hold = keyButton(VSHIFT_PCT_R)->holdAction();
        EXPECT_EQ(hold->isEnabled(), r.at != 3);  // no key at frame 3 to hold
        if (hold->isEnabled() && hold->isChecked() != r.hold) hold->trigger();
        EXPECT_EQ(store().keys(VSHIFT_PCT_R).front().hold, r.at == 1 && r.hold);
        EXPECT_EQ(store().keys(VSHIFT_PX_R).front().hold, r.at == 1 && r.hold);
        goTo(3);
        EXPECT_DOUBLE_EQ(shownValue(VSHIFT_PCT_R), r.atThree);
    }
    EXPECT_EQ(session().undoStack().undoText(),
              QStringLiteral("Linear Key: %1 at 1").arg(QString::fromUtf8(store().at(VSHIFT_PCT_R).name)));
    session().undoStack().undo();
    EXPECT_DOUBLE_EQ(shownValue(VSHIFT_PCT_R), 0.0);
}

// The time bar shows the selected control's keys; previous and next key move between them.
TEST_F(StudioKeys, TicksShowTheSelectedControlsKeysAndTheMenuMovesBetweenThem) {
    openShot();
    for (const int frame : {2, 4}) {
        goTo(frame);
        keyButton(ROTATE_R)->click();
    }
    goTo(1);
    keyButton(ROTATE_L)->click();
    window_->panel(0)->select(ROTATE_R);
    EXPECT_EQ(window_->keyTicks()->frames(), (std::vector<int>{2, 4}));

    struct Jump {
        int from;
        const char* action;
        int to;
    };
    for (const Jump& j :
         {Jump{1, "Next Key", 2}, Jump{2, "Next Key", 4}, Jump{4, "Next Key", 4}, Jump{3, "Previous Key", 2},
          Jump{2, "Previous Key", 2}, Jump{5, "Previous Key", 4}}) {
        SCOPED_TRACE(std::to_string(j.from) + " " + j.action);
        goTo(j.from);
        trigger(QString::fromLatin1(j.action));
        EXPECT_EQ(session().frame(), j.to);
        EXPECT_EQ(window_->findChild<QSlider*>(QStringLiteral("time"))->value(), j.to);
    }
    window_->panel(0)->select(ROTATE_L);
    EXPECT_EQ(window_->keyTicks()->frames(), (std::vector<int>{1}));
    window_->panel(0)->select(DISPLAY_TYPE);
    EXPECT_TRUE(window_->keyTicks()->frames().empty());
}

// Keys written in a project: the panel shows each frame's value as the time bar moves, the
// render uses it, and the keys come back from a project the studio saves.
class StudioKeysScrub : public StudioKeys, public ::testing::WithParamInterface<bool> {};

TEST_P(StudioKeysScrub, PanelShowsTheValueAtEachFrameAndSavingKeepsTheKeys) {
    const bool hold = GetParam();
    openShot();
    const QString file = path("shot.duovis.json");
    session().save(file);
    session::Project p = session::loadProject(file);
    p.keys["ROTATE_R"] = {{1, 0.0, hold}, {5, 4.0, false}};
    session::saveProject(p, file);
    ASSERT_TRUE(window_->openPath(file));
    settle();

    const std::vector<double> linear{0, 1, 2, 3, 4}, held{0, 0, 0, 0, 4};
    const std::vector<double>& expected = hold ? held : linear;
    QImage third;
    for (int frame = 1; frame <= kFrames; ++frame) {
        goTo(frame);
        EXPECT_DOUBLE_EQ(shownValue(ROTATE_R), expected[std::size_t(frame - 1)]) << frame;
        if (frame == 3) third = shown();
    }

    // Saved from the studio and opened again, the keys are as they were.
    const QString resaved = path("resaved.duovis.json");
    session().save(resaved);
    const auto keys = session::loadProject(resaved).keys["ROTATE_R"];
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].frame, 1);
    EXPECT_EQ(keys[0].hold, hold);
    EXPECT_EQ(keys[1].frame, 5);
    EXPECT_DOUBLE_EQ(keys[1].value, 4.0);
    ASSERT_TRUE(window_->openPath(resaved));
    settle();
    goTo(2);
    EXPECT_DOUBLE_EQ(shownValue(ROTATE_R), expected[1]);

    // Frame 3 renders as it does with its value set without keys.
    p.keys.clear();
    p.values["ROTATE_R"] = expected[2];
    session::saveProject(p, file);
    ASSERT_TRUE(window_->openPath(file));
    settle();
    goTo(3);
    EXPECT_EQ(shown(), third);
}

INSTANTIATE_TEST_SUITE_P(Interpolation, StudioKeysScrub, ::testing::Values(false, true),
                         [](const auto& p) { return p.param ? "Hold" : "Linear"; });

// A video's keys sit on its own frames at its own rate, also once its project is opened again.
TEST_F(StudioKeys, KeysOfAVideoAtItsOwnRateKeepTheirFrames) {
    media::VideoSettings settings;
    settings.codec = "ffv1";
    settings.rateNum = 30000;
    settings.rateDen = 1001;
    {
        media::VideoWriter writer(QFile::encodeName(path("clip.mkv")).toStdString(), settings, kWidth,
                                  kHeight);
        for (int n = 0; n < 6; ++n) {
            media::Picture pic(kWidth, kHeight, 8, false);
            for (std::size_t i = 0; i < pic.rgba.size(); ++i) pic.rgba[i] = i % 4 == 3 ? 1.0f : float(n) / 8;
            writer.write(pic);
        }
        writer.finish();
    }
    open(refhost::HostApp::Premiere, "clip.mkv", QString());
    goTo(1);
    keyButton(ROTATE_R)->click();
    goTo(4);
    session().edit(0, ROTATE_R, 3.0);
    const QString file = path("clip.duovis.json");
    session().save(file);
    const auto saved = session::loadProject(file).keys["ROTATE_R"];
    ASSERT_EQ(saved.size(), 2u);
    EXPECT_EQ(saved[0].frame, 1);
    EXPECT_EQ(saved[1].frame, 4);

    ASSERT_TRUE(window_->openPath(file));
    settle();
    EXPECT_EQ(studio::keyFrames(session().instance(0), ROTATE_R), (std::vector<int>{1, 4}));
    goTo(4);
    EXPECT_DOUBLE_EQ(shownValue(ROTATE_R), 3.0);
    goTo(3);
    EXPECT_DOUBLE_EQ(shownValue(ROTATE_R), 2.0);
}

// "Track Shot..." presses the stand-in tool (the right eye up 2.5 % each time) at each frame,
// off the window's thread.
struct ShotCase {
    const char* name;
    const char* frames;
    bool cancel;             // the person cancels while the second frame is pressed
    std::vector<int> keyed;  // frames keyed afterwards
    const char* told;        // in the summary, or in the error for frames outside the shot
};

void PrintTo(const ShotCase& c, std::ostream* os) {
    *os << c.name;
}

class StudioTrackShot : public StudioKeys, public ::testing::WithParamInterface<ShotCase> {};

TEST_P(StudioTrackShot, KeysEachFrameOrNothingWhenCancelled) {
    if (std::string(TOOL_RECORDER_PATH).empty()) GTEST_SKIP() << "the stand-in tool is not built";
    const ShotCase& c = GetParam();
    openShot();
    goTo(3);
    window_->setShotPrompt([&c](QWidget*, int first, int last) {
        EXPECT_EQ(first, 1);
        EXPECT_EQ(last, kFrames);
        studio::Session::ShotRequest r;
        r.frames = session::parseFrameRange(c.frames, "frames");
        r.smooth = 3;
        return std::optional<studio::Session::ShotRequest>(r);
    });
    // The person cancels once the dialog counts the first frame; the tool then never answers
    // the second, so only a Cancel that stops it at once ends the shot in time.
    QTimer person;
    QObject::connect(&person, &QTimer::timeout, [this, &person] {
        auto* progress = window_->findChild<QProgressDialog*>(QStringLiteral("shot-progress"));
        if (progress == nullptr || progress->value() < 1) return;
        person.stop();
        progress->cancel();
    });
    int ticks = 0;  // the window's own timers keep running while the shot is pressed
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    if (c.cancel) {
        qputenv("DUOVIS_TEST_TOOL_MODE", "reply-first");
        person.start(20);
        ticker.start(20);
    }
    const int steps = session().undoStack().count();
    QElapsedTimer clock;
    clock.start();
    withStandInTool([this] { trigger(QStringLiteral("Track Shot...")); });
    const qint64 took = clock.elapsed();
    qunsetenv("DUOVIS_TEST_TOOL_MODE");
    settle();

    if (c.cancel) {
        // A frozen window ticks once at the end and could not have shown the count at all.
        EXPECT_GE(ticks, 3) << took << " ms";
        EXPECT_LT(took, 10000) << "the effect waits up to 30 s for a tool that is gone";
        EXPECT_TRUE(studio::toolChildren().empty()) << "the tool outlived the shot";
    }
    EXPECT_EQ(keyedFrames(VSHIFT_PCT_R), c.keyed);
    for (const refhost::Keyframe& k : store().keys(VSHIFT_PCT_R)) EXPECT_NEAR(k.value, -2.5, 1e-6);
    EXPECT_EQ(keyedFrames(VSHIFT_PX_R), c.keyed);
    EXPECT_EQ(session().frame(), 3);  // the shot is pressed without moving the time bar
    EXPECT_NEAR(shownValue(VSHIFT_PCT_R), c.keyed.empty() ? 0.0 : -2.5, 1e-6);
    const QString told = person_.errors.isEmpty() ? window_->shotSummary() : person_.errors.join('\n');
    EXPECT_TRUE(told.contains(QString::fromLatin1(c.told))) << told.toStdString();
    EXPECT_EQ(session().undoStack().count(), steps + (c.keyed.empty() ? 0 : 1));
    if (c.keyed.empty()) return;
    EXPECT_EQ(session().undoStack().undoText(), QStringLiteral("Track Shot: frames %1").arg(c.frames));
    session().undoStack().undo();
    EXPECT_TRUE(store().keys(VSHIFT_PCT_R).empty());
    EXPECT_TRUE(store().keys(VSHIFT_PX_R).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Shots, StudioTrackShot,
    ::testing::Values(
        ShotCase{"Whole", "1-5", false, {1, 2, 3, 4, 5}, "frame 2: measured VSHIFT_PCT_R -2.5000"},
        ShotCase{"EveryOther", "1-5x2", false, {1, 3, 5}, "frame 5: measured VSHIFT_PCT_R -2.5000"},
        ShotCase{"Cancelled", "1-5", true, {}, "cancelled after 1 of 5 frames: nothing keyed"},
        ShotCase{"OutsideTheShot", "2-9", false, {}, "frames 2-9: the footage has frames 1-5"}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace

}  // namespace duovis::studiotest
