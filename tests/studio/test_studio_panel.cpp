// The panel against what the module registered, and a user's edits through it.
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <cmath>

#include "StudioFixture.h"
#include "core/params/ParamId.h"
#include "session/ParamDescribe.h"

namespace duovis::studiotest {

namespace {

QString textOf(const char* s) {
    return QString::fromUtf8(s);
}

// The one check of an entry's control against its registered definition.
void expectControlMatches(StudioTest& t, QWidget* w, const PF_ParamDef& def, int position) {
    SCOPED_TRACE(testing::Message() << "position " << position << " \"" << def.name << "\"");
    ASSERT_NE(w, nullptr);
    switch (def.param_type) {
        case PF_Param_POPUP: {
            auto* box = qobject_cast<QComboBox*>(w);
            ASSERT_NE(box, nullptr);
            const auto choices = session::popupChoices(def);
            ASSERT_EQ(box->count(), static_cast<int>(choices.size()));
            EXPECT_EQ(box->count(), def.u.pd.num_choices);
            for (int i = 0; i < box->count(); ++i)
                EXPECT_EQ(box->itemText(i).toStdString(), choices[static_cast<std::size_t>(i)]);
            EXPECT_EQ(box->currentIndex() + 1, def.u.pd.value);
            break;
        }
        case PF_Param_CHECKBOX:
            ASSERT_NE(qobject_cast<QCheckBox*>(w), nullptr);
            EXPECT_EQ(qobject_cast<QCheckBox*>(w)->isChecked(), def.u.bd.value != 0);
            break;
        case PF_Param_FLOAT_SLIDER: {
            auto* spin = w->findChild<QDoubleSpinBox*>();
            ASSERT_NE(spin, nullptr);
            ASSERT_NE(w->findChild<QSlider*>(), nullptr);
            EXPECT_EQ(spin->minimum(), static_cast<double>(def.u.fs_d.valid_min));
            EXPECT_EQ(spin->maximum(), static_cast<double>(def.u.fs_d.valid_max));
            // At least the registered precision, more only where the value has them.
            const QString clean = spin->cleanText();
            const int point = clean.indexOf('.');
            EXPECT_GE(point < 0 ? 0 : clean.size() - point - 1, def.u.fs_d.precision) << clean.toStdString();
            EXPECT_NEAR(spin->value(), def.u.fs_d.value, std::pow(10.0, -def.u.fs_d.precision));
            break;
        }
        case PF_Param_BUTTON:
            ASSERT_NE(qobject_cast<QPushButton*>(w), nullptr);
            EXPECT_EQ(qobject_cast<QPushButton*>(w)->text(), textOf(def.u.button_d.namesptr));
            break;
        case PF_Param_ARBITRARY_DATA:  // the effect's own area: the words it drew, wrapped
            ASSERT_NE(qobject_cast<QLabel*>(w), nullptr);
            EXPECT_GE(w->minimumHeight(), def.ui_height);
            EXPECT_FALSE(qobject_cast<QLabel*>(w)->text().isEmpty());
            break;
        case PF_Param_LAYER:  // "None" and the session's second layer
            ASSERT_NE(qobject_cast<QComboBox*>(w), nullptr);
            EXPECT_EQ(qobject_cast<QComboBox*>(w)->itemText(0), QStringLiteral("None"));
            break;
        default:
            ASSERT_NE(qobject_cast<QLabel*>(w), nullptr);  // a colour swatch
    }
    (void)t;
}

}  // namespace

class StudioPanelHosts : public StudioTest, public testing::WithParamInterface<refhost::HostApp> {};

TEST_P(StudioPanelHosts, HoldsEveryRegisteredEntryWithItsKindAndRange) {
    open(GetParam());
    const refhost::ParamStore& s = store();
    ASSERT_EQ(s.count(), PARAM_COUNT);
    int shownEntries = 0;
    for (int i = 1; i < s.count(); ++i) {
        const PF_ParamDef& def = s.at(i);
        QWidget* w = control<QWidget>(i);
        const bool marker = def.param_type == PF_Param_GROUP_START || def.param_type == PF_Param_GROUP_END;
        if ((def.ui_flags & PF_PUI_INVISIBLE) != 0 || marker) {
            EXPECT_EQ(w, nullptr) << "position " << i << " has a control";
            continue;
        }
        expectControlMatches(*this, w, def, i);
        ++shownEntries;
    }
    // The editing host shows the global display switch and its drawn area; the compositing
    // host hides both. The tool button is hidden in both.
    const bool editing = GetParam() == refhost::HostApp::Premiere;
    EXPECT_EQ(control<QWidget>(GLOBAL_DISPLAY_SWITCH) != nullptr, editing);
    EXPECT_EQ(control<QWidget>(GLOBAL_DISPLAY_SETTINGS) != nullptr, editing);
    EXPECT_EQ(control<QWidget>(LAUNCH_TOOL), nullptr);
    EXPECT_GT(shownEntries, 90);
}

INSTANTIATE_TEST_SUITE_P(Hosts, StudioPanelHosts,
                         testing::Values(refhost::HostApp::Premiere, refhost::HostApp::AfterEffects),
                         [](const testing::TestParamInfo<refhost::HostApp>& host) {
                             return host.param == refhost::HostApp::Premiere ? "Premiere" : "AfterEffects";
                         });

// A drag passes through many values, moves the pixel twin with each, previews, and is one step.
TEST_F(StudioTest, DraggingAPercentSliderMovesItsPixelTwinInOneUndoStep) {
    open();
    struct Row {
        int percent, pixel, dimension;
    };
    for (const Row row : {Row{HSHIFT_PCT_B, HSHIFT_PX_B, kWidth}, Row{VSHIFT_PCT_R, VSHIFT_PX_R, kHeight}}) {
        SCOPED_TRACE(row.percent);
        const int stepsBefore = session().undoStack().count();
        auto* slider = control<QSlider>(row.percent, "-slider");
        ASSERT_NE(slider, nullptr);
        slider->setSliderDown(true);
        EXPECT_TRUE(session().dragging());
        for (int step : {600, 700, 800}) slider->setValue(step);
        slider->setSliderDown(false);
        const double pct = store().floatValue(row.percent);
        const double px = store().floatValue(row.pixel);
        EXPECT_NE(pct, 0.0);
        EXPECT_FLOAT_EQ(static_cast<float>(px), static_cast<float>(pct / 100.0 * row.dimension));
        // The box keeps what the effect holds, to the decimals it can show.
        EXPECT_NEAR(control<QDoubleSpinBox>(row.pixel, "-value")->value(), px, 1e-6);
        EXPECT_EQ(session().undoStack().count(), stepsBefore + 1);
        settle();
    }
}

TEST_F(StudioTest, ResetButtonsResetTheirGroupsOnly) {
    open();
    struct Row {
        int button;
        std::vector<int> reset;
        int kept;  // a value of another group the button leaves
    };
    const Row rows[] = {
        {HSHIFT_PX_RESET, {HSHIFT_PCT_B, HSHIFT_PCT_L, HSHIFT_PX_R}, VSHIFT_PCT_B},
        {CROP_RESET, {CROP_B_LEFT, CROP_L_TOP, CROP_R_BOTTOM}, ROTATE_R},
        {ROTATE_RESET, {ROTATE_B, ROTATE_R}, CROP_B_TOP},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.button);
        for (int p : row.reset) session().edit(0, p, 3.0);
        session().edit(0, row.kept, 2.0);
        control<QPushButton>(row.button)->click();
        for (int p : row.reset) EXPECT_EQ(store().floatValue(p), store().at(p).u.fs_d.dephault) << p;
        EXPECT_EQ(store().floatValue(row.kept), 2.0);
        session().edit(0, row.kept, 0.0);
    }
}

TEST_F(StudioTest, UndoAndRedoWalkThroughEveryChange) {
    open();
    const studio::ValueSet start = studio::snapshotValues(store());
    session().edit(0, DISPLAY_TYPE, 8);
    session().edit(0, HSHIFT_PCT_B, 10.0);  // and its twin, in the same step
    control<QPushButton>(XFORM_RESET_ALL)->click();
    const studio::ValueSet end = studio::snapshotValues(store());
    ASSERT_EQ(session().undoStack().count(), 3);

    session().undoStack().undo();
    EXPECT_EQ(store().floatValue(HSHIFT_PCT_B), 10.0);
    EXPECT_NE(store().floatValue(HSHIFT_PX_B), 0.0);
    session().undoStack().undo();
    EXPECT_EQ(store().floatValue(HSHIFT_PX_B), 0.0);
    session().undoStack().undo();
    EXPECT_TRUE(studio::differingPositions(start, studio::snapshotValues(store())).empty());
    EXPECT_EQ(control<QComboBox>(DISPLAY_TYPE)->currentIndex() + 1, store().popup(DISPLAY_TYPE));

    for (int i = 0; i < 3; ++i) session().undoStack().redo();
    EXPECT_TRUE(studio::differingPositions(end, studio::snapshotValues(store())).empty());
}

// Copy and paste go through the effect's clipboard file; a whole paste is one undo step.
TEST_F(StudioTest, PasteThroughTheClipboardIsOneUndoStep) {
    ASSERT_TRUE(QDir(dir_.path()).mkpath("Corvant/Duovis"));
    const bool wasSet = qEnvironmentVariableIsSet("ProgramData");
    const QByteArray previous = qgetenv("ProgramData");
    qputenv("ProgramData", QFile::encodeName(dir_.path()));  // read at the effect's parameter set-up
    open();
    session().edit(0, DISPLAY_TYPE, 8);
    session().edit(0, ROTATE_L, 1.5);
    control<QPushButton>(COPY_PARAMS)->click();
    EXPECT_TRUE(QFile::exists(path("Corvant/Duovis/TempData")));
    session().edit(0, DISPLAY_TYPE, 2);
    session().edit(0, ROTATE_L, 0.0);
    const int steps = session().undoStack().count();
    control<QPushButton>(PASTE_PARAMS)->click();
    wasSet ? qputenv("ProgramData", previous) : qunsetenv("ProgramData");
    EXPECT_EQ(store().popup(DISPLAY_TYPE), 8);
    EXPECT_EQ(store().floatValue(ROTATE_L), 1.5);
    EXPECT_EQ(control<QComboBox>(DISPLAY_TYPE)->currentIndex(), 7);
    ASSERT_EQ(session().undoStack().count(), steps + 1);
    session().undoStack().undo();
    EXPECT_EQ(store().popup(DISPLAY_TYPE), 2);
    EXPECT_EQ(store().floatValue(ROTATE_L), 0.0);
}

}  // namespace duovis::studiotest
