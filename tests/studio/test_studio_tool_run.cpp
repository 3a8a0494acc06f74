// The parallax tool's press from the Tools menu: the window keeps drawing while it runs, Cancel
// stops the tool at once and leaves nothing behind, and a finished press is one undo step named
// as the menu item.
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QTimer>

#include <algorithm>

#include "StudioFixture.h"
#include "ToolChildren.h"
#include "core/params/ParamId.h"

namespace duovis::studiotest {

namespace {

struct ToolCase {
    const char* name;
    const char* mode;  // the stand-in tool's behaviour
    bool cancel;       // the person presses Cancel while it runs
    bool applied;
};

void PrintTo(const ToolCase& c, std::ostream* os) {
    *os << c.name;
}

class StudioToolRun : public StudioTest, public ::testing::WithParamInterface<ToolCase> {};

}  // namespace

TEST_P(StudioToolRun, RunsOffTheWindowThreadAndCancelsCleanly) {
    if (std::string(TOOL_RECORDER_PATH).empty()) GTEST_SKIP() << "the stand-in tool is not built";
    const ToolCase& c = GetParam();
    open();
    session().edit(0, VSHIFT_PX_L, 1.0);  // an earlier step the press must leave alone
    settle();
    const studio::ValueSet before = studio::snapshotValues(store());

    int ticks = 0;  // the window's own timers keep running while the tool measures
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
    ticker.start(20);
    bool sawBusy = false;
    QTimer person;  // the test's own: it must not fire into the next test
    person.setSingleShot(true);
    QObject::connect(&person, &QTimer::timeout, [this, &c, &sawBusy] {
        auto* busy = window_->findChild<QProgressDialog*>(QStringLiteral("tool-progress"));
        sawBusy = busy != nullptr && busy->isVisible();
        if (busy && c.cancel) busy->cancel();
    });
    person.start(400);
    qputenv("DUOVIS_TEST_TOOL_MODE", c.mode);
    QElapsedTimer clock;
    clock.start();
    launchTool();
    const qint64 took = clock.elapsed();
    qunsetenv("DUOVIS_TEST_TOOL_MODE");

    // A 20 ms timer ticks about 50 times a second while the window goes on; a frozen one
    // ticks once at the end (twice where it paints once first), and could not have let the
    // person cancel at all. Where the tool answers at once the press is over too soon for the
    // rate to say anything, and on a loaded machine or under a sanitizer the rate itself drops:
    // three ticks over a press that waited for the person is the test.
    if (c.cancel) {
        EXPECT_GE(ticks, std::min(3, static_cast<int>(took / 60))) << took << " ms";
    }
    EXPECT_LT(took, 10000) << "the effect waits up to 30 s for a tool that is gone";
    EXPECT_TRUE(studio::toolChildren().empty()) << "the tool outlived its press";
    ASSERT_EQ(session().undoStack().count(), c.applied ? 2 : 1);
    if (c.applied) {
        EXPECT_EQ(session().undoStack().text(1), QStringLiteral("Launch Depthscope"));
        EXPECT_NEAR(store().floatValue(VSHIFT_PCT_R), -2.5, 1e-6);
    } else {
        EXPECT_TRUE(studio::differingPositions(before, studio::snapshotValues(store())).empty());
    }
    EXPECT_EQ(store().floatValue(VSHIFT_PX_L), 1.0);
    if (c.cancel) {
        EXPECT_TRUE(sawBusy);
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, StudioToolRun,
                         ::testing::Values(ToolCase{"replies", "reply", false, true},
                                           ToolCase{"cancelled_before_replying", "no-reply", true, false},
                                           ToolCase{"cancelled_before_connecting", "silent", true, false}),
                         [](const ::testing::TestParamInfo<ToolCase>& p) {
                             return std::string(p.param.name);
                         });

}  // namespace duovis::studiotest
