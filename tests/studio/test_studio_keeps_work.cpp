// A person's work is not lost: what replaces the session asks first, the wheel scrolls the
// panel past controls, and a project is saved under a name the studio opens again.
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QWheelEvent>
#include <functional>

#include "StudioFixture.h"
#include "core/params/ParamId.h"
#include "core/params/ParamTable.h"
#include "session/Project.h"

namespace duovis::studiotest {

namespace {

double savedRotation(const QString& file) {
    const QString id = QString::fromUtf8(paramDef(ROTATE_L).identifier);
    return session::loadProject(file).values.value(id).toDouble();
}

QByteArray contents(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

// Open, Open Pair (a project through Open too) and Quit ask once, through one question, and
// only about unsaved changes; Cancel keeps everything, Save keeps it in a file first.
TEST_F(StudioTest, EveryActionThatDropsTheSessionAsksAboutUnsavedChanges) {
    using B = QMessageBox;
    struct Row {
        const char* action;
        QStringList files;  // the open dialog's answers; the first is what opens
        B::StandardButton answer;
        bool changed = true;
    };
    const Row rows[] = {
        {"Open...", {"right.png"}, B::Cancel},
        {"Open...", {"right.png"}, B::Discard},
        {"Open...", {"right.png"}, B::Save},
        {"Open Pair...", {"right.png", "left.png"}, B::Cancel},
        {"Open Pair...", {"right.png", "left.png"}, B::Discard},
        {"Open Pair...", {"right.png", "left.png"}, B::Save},
        {"Open...", {"kept.json"}, B::Cancel},
        {"Open...", {"kept.json"}, B::Discard},
        {"Open...", {"kept.json"}, B::Save},
        {"Open...", {"kept.json"}, B::NoButton, false},
        {"Quit", {}, B::Cancel},
        {"Quit", {}, B::Discard},
        {"Quit", {}, B::Save},
        {"Quit", {}, B::NoButton, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << row.action << " " << row.files.value(0).toStdString() << " answer " << row.answer);
        QFile::remove(path("saved.json"));
        open();
        window_->show();
        session::Project kept = session().currentProject();
        session::captureProject(kept, session().instance(0));
        session::saveProject(kept, path("kept.json"));
        if (row.changed) session().edit(0, ROTATE_L, 1.5);
        person_ = Person{row.answer, {}, path("saved")};
        for (const QString& f : row.files) person_.opens << path(f);
        trigger(QString::fromLatin1(row.action));

        const bool quit = row.files.isEmpty();
        const bool dropped = !row.changed || row.answer != B::Cancel;
        EXPECT_EQ(person_.changesAsked, row.changed ? 1 : 0);
        EXPECT_EQ(QFile::exists(path("saved.json")), row.changed && row.answer == B::Save);
        if (row.changed && row.answer == B::Save) {
            EXPECT_EQ(savedRotation(path("saved.json")), 1.5);
        }
        if (quit) {
            EXPECT_EQ(window_->isVisible(), !dropped);
            continue;
        }
        const QString now = session().projectPath().isEmpty()
                                ? QFile::decodeName(session().source()->spec().primary.c_str())
                                : session().projectPath();
        EXPECT_EQ(now == path(row.files[0]), dropped);
        EXPECT_EQ(store().floatValue(ROTATE_L), dropped ? 0.0 : 1.5);
        EXPECT_EQ(window_->isWindowModified(), !dropped);
    }
}

// What the project keeps marks the session changed; the second instance's layer is not saved.
TEST_F(StudioTest, ChangesTheProjectKeepsAreUnsavedChanges) {
    struct Row {
        const char* change;
        std::function<void(studio::Session&)> make;
        bool kept;
    };
    const Row rows[] = {
        {"a value", [](studio::Session& s) { s.edit(0, ROTATE_L, 1.5); }, true},
        {"the first instance's layer", [](studio::Session& s) { s.chooseSecond(0, false); }, true},
        {"the second instance's layer", [](studio::Session& s) { s.chooseSecond(1, false); }, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.change);
        open();
        session().addInstance();
        row.make(session());
        EXPECT_EQ(window_->isWindowModified(), row.kept);
        EXPECT_EQ(window_->close(), !row.kept);
        EXPECT_EQ(person_.changesAsked, row.kept ? 1 : 0);
        person_.changesAsked = 0;
    }
}

// An unfocused control lets the wheel scroll the panel; a focused one takes it.
TEST_F(StudioTest, TheWheelChangesOnlyAFocusedControl) {
    open();
    session().edit(0, DISPLAY_TYPE, 3);  // a choice with one above it
    window_->show();
    window_->activateWindow();
    ASSERT_TRUE(waitFor([this] { return window_->isActiveWindow(); }));
    QScrollBar* bar =
        qobject_cast<QScrollArea*>(window_->panel(0)->parentWidget()->parentWidget())->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    struct Row {
        const char* suffix;
        int position;
        std::function<double()> value;
    };
    const auto rotation = [this] { return store().floatValue(ROTATE_L); };
    const Row rows[] = {
        {"", DISPLAY_TYPE, [this] { return double(store().popup(DISPLAY_TYPE)); }},
        {"-slider", ROTATE_L, rotation},
        {"-value", ROTATE_L, rotation},
        {"", SECONDARY_LAYER, [this] { return double(session().usesSecond(0)); }},
    };
    for (const Row& row : rows)
        for (const bool focused : {false, true}) {
            SCOPED_TRACE(testing::Message() << row.position << row.suffix << (focused ? " focused" : ""));
            QWidget* w = control<QWidget>(row.position, row.suffix);
            ASSERT_NE(w, nullptr);
            focused ? w->setFocus() : w->clearFocus();
            ASSERT_EQ(w->hasFocus(), focused);
            bar->setValue(bar->maximum() / 2);
            const int scrolled = bar->value();
            const double before = row.value();
            const int steps = session().undoStack().count();
            QWheelEvent up(QPointF(4, 4), w->mapToGlobal(QPoint(4, 4)), QPoint(), QPoint(0, 120),
                           Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
            QApplication::sendEvent(w, &up);
            EXPECT_EQ(row.value() != before, focused);
            EXPECT_EQ(bar->value() < scrolled, !focused);
            if (!focused) {
                EXPECT_EQ(session().undoStack().count(), steps);
            }
        }
}

// Save As adds the extension a project is opened by, and never replaces a file unasked.
TEST_F(StudioTest, SaveAsWritesAProjectTheStudioOpensAgain) {
    struct Row {
        const char* typed;
        const char* written;  // empty: nothing written
        bool exists = false;  // `written` is there before
        bool replace = false;
    };
    const Row rows[] = {
        {"shot", "shot.json"},    {"take.json", "take.json"},      {"Take2.JSON", "Take2.JSON"},
        {"cut.", "cut.json"},     {"left.png", "left.png.json"},  // never onto the footage
        {"old", "", true, false}, {"old", "old.json", true, true},
    };
    open();
    ASSERT_TRUE(QFile(path("old.json")).open(QIODevice::WriteOnly));
    const QByteArray picture = contents(path("left.png"));
    double rotation = 0.5;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed);
        session().edit(0, ROTATE_L, ++rotation);
        person_ = Person{QMessageBox::Cancel, {}, path(row.typed), row.replace};
        trigger(QStringLiteral("Save As..."));
        EXPECT_EQ(person_.replaceAsked, row.exists ? 1 : 0);
        EXPECT_EQ(contents(path("left.png")), picture);
        if (*row.written == '\0') {
            EXPECT_TRUE(contents(path("old.json")).isEmpty());
            EXPECT_TRUE(window_->isWindowModified());
            continue;
        }
        const QString written = path(row.written);
        EXPECT_EQ(savedRotation(written), rotation);
        EXPECT_FALSE(window_->isWindowModified());
        ASSERT_TRUE(window_->openPath(written));
        EXPECT_EQ(session().projectPath(), written);
        EXPECT_EQ(store().floatValue(ROTATE_L), rotation);
        settle();
    }
}

}  // namespace duovis::studiotest
