// Fine control of values, finding a control, and the window's shortcuts from inside a field.
#include <QCheckBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QWheelEvent>
#include <cmath>

#include "StudioFixture.h"
#include "TimeText.h"
#include "ValueControls.h"
#include "core/params/ParamId.h"
#include "session/NumberedFile.h"

namespace duovis::studiotest {

namespace {

struct TypedRow {
    const char* unit;
    int precision;
    const char* typed;
    double value;       // what the box takes
    const char* shown;  // what it shows for that value
};

class TypedValues : public testing::TestWithParam<TypedRow> {};

// "1,5" is one and a half, never fifteen; small values keep their digits; the unit is shown.
TEST_P(TypedValues, AreReadAndShownAsTyped) {
    const TypedRow& row = GetParam();
    studio::ValueSpinBox box(row.unit, row.precision, 0.01);
    box.setRange(-1000, 1000);
    QString text = QString::fromUtf8(row.typed);
    int pos = text.size();
    ASSERT_NE(box.validate(text, pos), QValidator::Invalid) << row.typed;
    EXPECT_DOUBLE_EQ(box.valueFromText(text), row.value);
    box.setValue(row.value);
    EXPECT_EQ(box.text().toStdString(), row.shown);
}

INSTANTIATE_TEST_SUITE_P(Rows, TypedValues,
                         testing::Values(TypedRow{"px", 2, "1,5", 1.5, "1.50 px"},
                                         TypedRow{"px", 2, "1.5", 1.5, "1.50 px"},
                                         TypedRow{"log2", 2, "-0,0006", -0.0006, "-0.0006 log2"},
                                         TypedRow{"°", 2, "0.125", 0.125, "0.125°"},
                                         TypedRow{"frames", 0, "3", 3.0, "3 frames"}));

TEST(TypedValues, TwoDecimalMarksAreRefused) {
    studio::ValueSpinBox box("px", 2, 1);
    box.setRange(-100, 100);
    QString text = QStringLiteral("1,5,3");
    int pos = text.size();
    EXPECT_EQ(box.validate(text, pos), QValidator::Invalid);
}

struct StepRow {
    const char* unit;
    int key;
    Qt::KeyboardModifiers modifiers;
    double step;
};

class ArrowSteps : public testing::TestWithParam<StepRow> {};

TEST_P(ArrowSteps, MoveByOneDisplayUnitOrTenWithShift) {
    const StepRow& row = GetParam();
    EXPECT_DOUBLE_EQ(studio::arrowStep(row.key, row.modifiers, studio::unitStep(row.unit)), row.step);
}

INSTANTIATE_TEST_SUITE_P(Rows, ArrowSteps,
                         testing::Values(StepRow{"px", Qt::Key_Up, Qt::NoModifier, 1.0},
                                         StepRow{"px", Qt::Key_Left, Qt::ShiftModifier, -10.0},
                                         StepRow{"%", Qt::Key_Right, Qt::NoModifier, 0.01},
                                         StepRow{"°", Qt::Key_Down, Qt::ShiftModifier, -0.1},
                                         StepRow{"px", Qt::Key_A, Qt::NoModifier, 0.0}));

class StudioControls : public StudioTest {};

// A Shift-drag of 20 pointer pixels moves the pixel shift by one slider pixel's worth, a plain
// modifier-free drag would move it twenty times as far; the arrow key moves it one pixel.
TEST_F(StudioControls, ShiftDragIsFineAndArrowsStepAPixel) {
    open();
    auto* slider = control<studio::FineSlider>(VSHIFT_PX_R, "-slider");
    ASSERT_NE(slider, nullptr);
    slider->resize(400, 20);
    const double perPixel = 960.0 / 400.0;  // the pixel shift's slider spans -480..480
    const QPoint start(200, 10);
    QTest::mousePress(slider, Qt::LeftButton, Qt::ShiftModifier, start);
    QMouseEvent move(QEvent::MouseMove, start + QPoint(20, 0), Qt::LeftButton, Qt::LeftButton,
                     Qt::ShiftModifier);
    QApplication::sendEvent(slider, &move);
    QTest::mouseRelease(slider, Qt::LeftButton, Qt::ShiftModifier, start + QPoint(20, 0));
    settle();
    EXPECT_NEAR(store().floatValue(VSHIFT_PX_R), 20 * perPixel / 20.0, 0.01);

    const double before = store().floatValue(VSHIFT_PX_R);
    QTest::keyClick(slider, Qt::Key_Up);
    settle();
    EXPECT_NEAR(store().floatValue(VSHIFT_PX_R), before + 1.0, 0.01);
}

TEST_F(StudioControls, FilterNarrowsThePanelToMatchingNamesAndIdentifiers) {
    open();
    studio::ParamPanel* panel = window_->panel(0);
    const int all = panel->visibleControls();
    panel->setFilter(QStringLiteral("vshift_px"));
    EXPECT_EQ(panel->visibleControls(), 4);         // the family's reset and its three sliders
    panel->setFilter(QStringLiteral("Crop Left"));  // a group's name shows what it holds
    EXPECT_EQ(panel->visibleControls(), 4);
    panel->setFilter(QString());
    EXPECT_EQ(panel->visibleControls(), all);
}

// Ctrl+Z typed in a focused number field undoes the change that field just made.
TEST_F(StudioControls, UndoWorksFromAFocusedField) {
    open();
    window_->show();
    QApplication::setActiveWindow(window_.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    auto* spin = control<QDoubleSpinBox>(VSHIFT_PCT_R, "-value");
    ASSERT_NE(spin, nullptr);
    auto* field = spin->findChild<QLineEdit*>();
    ASSERT_NE(field, nullptr);
    spin->setFocus();
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("-3"));
    QTest::keyClick(field, Qt::Key_Return);
    settle();
    ASSERT_DOUBLE_EQ(store().floatValue(VSHIFT_PCT_R), -3.0);
    QTest::keyClick(spin, Qt::Key_Z, Qt::ControlModifier);
    settle();
    EXPECT_DOUBLE_EQ(store().floatValue(VSHIFT_PCT_R), 0.0);
}

}  // namespace
}  // namespace duovis::studiotest

namespace duovis::studiotest {
namespace {

struct NumberedRow {
    std::vector<const char*> files;  // made in the folder; the first is the one picked
    const char* pattern;             // "" when it stands for itself
};

class NumberedFiles : public testing::TestWithParam<NumberedRow> {};

TEST_P(NumberedFiles, StandForTheirSequence) {
    QTemporaryDir dir;
    for (const char* name : GetParam().files) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const auto found = session::sequencePatternFor(dir.filePath(GetParam().files.front()));
    const QString expected = *GetParam().pattern ? dir.filePath(GetParam().pattern) : QString();
    EXPECT_EQ(found.value_or(QString()).toStdString(), expected.toStdString());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, NumberedFiles,
    testing::Values(NumberedRow{{"shot.0001.exr", "shot.0002.exr"}, "shot.%04d.exr"},
                    NumberedRow{{"left_0007.png", "left_0001.png", "right_0001.png"}, "left_%04d.png"},
                    NumberedRow{{"clip9.png", "clip10.png"}, "clip%d.png"},
                    NumberedRow{{"100%_01.png", "100%_02.png"}, "100%%_%02d.png"},
                    NumberedRow{{"left_0001.png", "right_0002.png"}, ""},  // alone in its sequence
                    NumberedRow{{"still.png"}, ""}));

// A numbered file picked in the window opens as its sequence, with the time bar over its
// frames; Open Single Frame keeps it one still; the right eye's dialog starts beside the left.
TEST_F(StudioControls, NumberedFilesOpenAsSequences) {
    for (int n : {1, 2, 3}) {
        ASSERT_TRUE(pattern(kWidth, kHeight, n)
                        .save(path(QStringLiteral("L_%1.png").arg(n, 4, 10, QLatin1Char('0')))));
        ASSERT_TRUE(pattern(kWidth, kHeight, n + 9)
                        .save(path(QStringLiteral("R_%1.png").arg(n, 4, 10, QLatin1Char('0')))));
    }
    open(refhost::HostApp::Premiere, "L_0002.png", "R_0002.png");
    ASSERT_NE(session().source(), nullptr);
    EXPECT_TRUE(session().source()->isSequence());
    EXPECT_EQ(session().source()->firstFrame(), 1);
    EXPECT_EQ(session().source()->lastFrame(), 3);

    person_.opens << path("L_0002.png");
    trigger(QStringLiteral("Open Single Frame..."));
    settle();
    EXPECT_FALSE(session().source()->isSequence());

    person_.opens << path("L_0001.png") << path("R_0001.png");
    person_.openedIn.clear();
    trigger(QStringLiteral("Open Pair..."));
    settle();
    ASSERT_EQ(person_.openedIn.size(), 2);
    EXPECT_EQ(person_.openedIn[1], QFileInfo(path("L_0001.png")).absolutePath());
    EXPECT_TRUE(session().source()->isSequence());
}

}  // namespace
}  // namespace duovis::studiotest

namespace duovis::studiotest {
namespace {

// Zooming with the wheel keeps the output pixel under the pointer where it was.
TEST(StudioViewer, WheelZoomHoldsThePixelUnderThePointer) {
    studio::Viewer viewer;
    viewer.resize(400, 200);
    viewer.setFrame(QImage(100, 50, QImage::Format_RGB32), 1);
    viewer.fit();
    for (const QPointF at : {QPointF(300, 100), QPointF(20, 180)}) {
        const QPointF before = viewer.pixelAt(at);
        for (int notch : {120, 120, -120}) {
            QWheelEvent wheel(at, viewer.mapToGlobal(at.toPoint()), QPoint(), QPoint(0, notch), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(&viewer, &wheel);
        }
        EXPECT_NEAR(viewer.pixelAt(at).x(), before.x(), 1e-9);
        EXPECT_NEAR(viewer.pixelAt(at).y(), before.y(), 1e-9);
    }
    EXPECT_NEAR(viewer.zoom(), 4.0 * std::pow(1.25 * 1.25 * 0.8, 2), 1e-9);  // two points, three notches each
}

}  // namespace
}  // namespace duovis::studiotest

namespace duovis::studiotest {
namespace {

struct TimeRow {
    int frame, first, last;
    double fps;
    const char* text;
};

class TimeBarText : public testing::TestWithParam<TimeRow> {};

TEST_P(TimeBarText, SaysTheFrameTheRangeAndTheTimecode) {
    const TimeRow& r = GetParam();
    EXPECT_EQ(studio::timeText(r.frame, r.first, r.last, r.fps).toStdString(), r.text);
}

INSTANTIATE_TEST_SUITE_P(Rows, TimeBarText,
                         testing::Values(TimeRow{1, 1, 48, 24, "frame 1 of 1–48 (48) · 00:00:00:00"},
                                         TimeRow{30, 1, 48, 24, "frame 30 of 1–48 (48) · 00:00:01:05"},
                                         TimeRow{0, 0, 89999, 25, "frame 0 of 0–89999 (90000) · 00:00:00:00"},
                                         TimeRow{89999, 0, 89999, 25,
                                                 "frame 89999 of 0–89999 (90000) · 00:59:59:24"},
                                         TimeRow{2, 0, 9, 29.97, "frame 2 of 0–9 (10) · 00:00:00:02"}));

// Smaller things a working day runs into: a per-control reset, the title's mark of unsaved
// changes surviving a second instance, Play that says Pause while it plays.
TEST_F(StudioControls, ResetTitleAndPlayBehave) {
    open();
    session().edit(0, ROTATE_L, 1.5);
    settle();
    window_->panel(0)->resetToDefault(ROTATE_L);
    settle();
    EXPECT_EQ(store().floatValue(ROTATE_L), 0.0);
    EXPECT_EQ(session().undoStack().count(), 2);

    trigger(QStringLiteral("Add Second Instance"));
    settle();
    EXPECT_TRUE(window_->isWindowModified());

    trigger(QStringLiteral("Play"));
    bool saysPause = false;
    for (QPushButton* b : window_->findChildren<QPushButton*>())
        saysPause = saysPause || b->text() == "Pause";
    EXPECT_TRUE(saysPause);
}

}  // namespace
}  // namespace duovis::studiotest

namespace duovis::studiotest {
namespace {

// A failed open is told in a message naming the file; a project whose layer moved asks where
// it went and opens with the file the person points to.
TEST_F(StudioControls, FailuresAreToldAndMovedLayersRelinked) {
    open();
    QFile empty(path("empty.exr"));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    EXPECT_FALSE(window_->openPath(path("empty.exr")));
    ASSERT_EQ(person_.errors.size(), 1);
    EXPECT_TRUE(person_.errors[0].contains(path("empty.exr"))) << person_.errors[0].toStdString();
    EXPECT_TRUE(person_.errors[0].contains(QStringLiteral("the file is empty")))
        << person_.errors[0].toStdString();

    person_.saveAs = path("shot");
    trigger(QStringLiteral("Save As..."));
    ASSERT_TRUE(QFile::exists(path("shot.json")));
    ASSERT_TRUE(QDir(dir_.path()).mkdir("moved"));
    ASSERT_TRUE(QFile::rename(path("right.png"), path("moved/right.png")));
    person_.opens << path("moved/right.png");
    person_.openedIn.clear();
    EXPECT_TRUE(window_->openPath(path("shot.json")));
    settle();
    EXPECT_EQ(person_.openedIn.size(), 1);  // asked once, for the one layer that moved
    EXPECT_TRUE(session().source()->hasSecond());
}

}  // namespace
}  // namespace duovis::studiotest

namespace duovis::studiotest {
namespace {

TEST_F(StudioControls, ClickingACheckboxsNameTogglesIt) {
    open();
    auto* box = control<QCheckBox>(SWAP_LR);
    ASSERT_NE(box, nullptr);
    QFormLayout* form = nullptr;
    for (QFormLayout* f : window_->panel(0)->findChildren<QFormLayout*>())
        if (f->labelForField(box)) form = f;
    ASSERT_NE(form, nullptr);
    QTest::mouseClick(form->labelForField(box), Qt::LeftButton);
    settle();
    EXPECT_EQ(store().at(SWAP_LR).u.bd.value, 1);
}

}  // namespace
}  // namespace duovis::studiotest
