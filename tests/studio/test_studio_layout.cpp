// The window's layout: the effect's status area reads in full at any panel width, the panel
// fits its dock at any width the dock is dragged to, and a filter or folded groups leave no
// blank where rows were hidden.
#include <QDockWidget>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "KeyButton.h"
#include "StudioFixture.h"
#include "core/params/ParamId.h"

namespace duovis::studiotest {

namespace {

double luminance(QColor c) {
    const auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrast(QColor a, QColor b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

class StudioLayout : public StudioTest, public ::testing::WithParamInterface<int> {};

}  // namespace

TEST_P(StudioLayout, StatusAreaIsReadableInFullAtEveryWidth) {
    open();
    session().edit(0, DISPLAY_TYPE, 9);
    session().press(0, GLOBAL_DISPLAY_SWITCH);
    settle();
    window_->show();
    QApplication::processEvents();
    window_->resize(GetParam(), 600);
    QApplication::processEvents();
    auto* area = control<QLabel>(GLOBAL_DISPLAY_SETTINGS);
    ASSERT_NE(area, nullptr);
    EXPECT_TRUE(area->text().contains(QStringLiteral("Anaglyph (Optimized)"))) << area->text().toStdString();
    // Every word lies inside the panel, wrapped if need be.
    const auto* scroll = window_->findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    const QRect box(area->mapTo(scroll->widget(), QPoint(0, 0)), area->size());
    EXPECT_LE(box.right(), scroll->widget()->rect().right());
    EXPECT_GE(area->height(), area->heightForWidth(area->width()));
    EXPECT_GE(contrast(area->palette().color(area->foregroundRole()),
                       area->palette().color(area->backgroundRole())),
              4.5);
}

INSTANTIATE_TEST_SUITE_P(WindowWidths, StudioLayout, ::testing::Values(1280, 800, 640));

// The window's width, then the dock's as dragged (0: as the window lays it out; 1: as narrow
// as it goes), with every group open.
struct DockCase {
    const char* name;
    int window;
    int dock;
    int atLeast;  // the dock's width afterwards lies in [atLeast, atMost]
    int atMost;
};

void PrintTo(const DockCase& c, std::ostream* os) {
    *os << c.name;
}

class StudioDockWidth : public StudioTest, public ::testing::WithParamInterface<DockCase> {};

TEST_P(StudioDockWidth, PanelFitsItsDockWithoutScrollingSideways) {
    const DockCase& c = GetParam();
    // A long name in the layer choice: the panel was laid out wider than the dock once the
    // groups opened and the panel needed a vertical scrollbar.
    const QString second = QStringLiteral("the_right_eye_of_the_second_take_graded.png");
    ASSERT_TRUE(pattern(kWidth, kHeight, 77).save(path(second)));
    open(refhost::HostApp::Premiere, "left.png", second);
    window_->show();
    window_->resize(c.window, 800);
    QApplication::processEvents();
    window_->panel(0)->setAllExpanded(true);
    auto* dock = window_->findChild<QDockWidget*>(QStringLiteral("controls"));
    ASSERT_NE(dock, nullptr);
    if (c.dock > 0) window_->resizeDocks({dock}, {c.dock}, Qt::Horizontal);
    QApplication::processEvents();
    const auto* scroll = window_->findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    EXPECT_EQ(scroll->horizontalScrollBar()->maximum(), 0)
        << "panel " << scroll->widget()->width() << " px in a " << scroll->viewport()->width() << " px view";
    EXPECT_GE(dock->width(), c.atLeast);
    EXPECT_LE(dock->width(), c.atMost);
    // Rows wrap under their names rather than squeeze a slider past dragging.
    for (const QSlider* slider : scroll->widget()->findChildren<QSlider*>())
        if (slider->isVisible()) {
            EXPECT_GE(slider->width(), 48) << slider->objectName().toStdString();
        }
}

INSTANTIATE_TEST_SUITE_P(Widths, StudioDockWidth,
                         ::testing::Values(DockCase{"Wide", 1280, 0, 200, 1280},
                                           DockCase{"DraggedNarrow", 1280, 1, 150, 340},
                                           DockCase{"DraggedWide", 1280, 760, 700, 820},
                                           DockCase{"NarrowWindow", 640, 0, 150, 400}),
                         [](const auto& p) { return std::string(p.param.name); });

// What the filter box holds (or Collapse All with none): what shows sits at the top of the
// panel, one row under another, however many rows it hides.
struct NarrowedCase {
    const char* name;
    const char* filter;
    bool collapse;
};

void PrintTo(const NarrowedCase& c, std::ostream* os) {
    *os << c.name;
}

class StudioNarrowedPanel : public StudioTest, public ::testing::WithParamInterface<NarrowedCase> {};

// The tops and bottoms of the controls, group headings and lines that show, in the panel's terms.
std::vector<std::pair<int, int>> shownRows(const QWidget* panel) {
    std::vector<std::pair<int, int>> rows;
    for (const QWidget* w : panel->findChildren<QWidget*>()) {
        const bool control = w->objectName().contains(QRegularExpression(QStringLiteral("^param-\\d+$")));
        const bool heading =
            qobject_cast<const QToolButton*>(w) && !qobject_cast<const studio::KeyButton*>(w);
        const auto* frame = qobject_cast<const QFrame*>(w);
        const bool line = frame != nullptr && frame->frameShape() == QFrame::HLine;
        if ((!control && !heading && !line) || !w->isVisibleTo(panel)) continue;
        const int top = w->mapTo(panel, QPoint(0, 0)).y();
        rows.emplace_back(top, top + w->height());
    }
    std::sort(rows.begin(), rows.end());
    return rows;
}

TEST_P(StudioNarrowedPanel, LeavesNoBlankWhereRowsWereHidden) {
    const NarrowedCase& c = GetParam();
    open();
    window_->show();
    window_->resize(1280, 800);
    studio::ParamPanel* panel = window_->panel(0);
    panel->setAllExpanded(true);
    QApplication::processEvents();
    const int whole = panel->sizeHint().height();
    window_->findChild<QLineEdit*>(QStringLiteral("panel-filter"))->setText(QString::fromLatin1(c.filter));
    // The box's clear button fades in; Qt's animation frees itself only once it ends with events
    // running, and a leak check at exit would otherwise report it.
    QTest::qWait(250);
    if (c.collapse) panel->setAllExpanded(false);
    QApplication::processEvents();

    const auto rows = shownRows(panel);
    ASSERT_FALSE(rows.empty());
    constexpr int kGap = 24;  // the form's spacing and a row's margins, with room to spare
    EXPECT_LE(rows.front().first, kGap);
    for (std::size_t i = 1; i < rows.size(); ++i)
        EXPECT_LE(rows[i].first - rows[i - 1].second, kGap) << "a blank above the row at " << rows[i].first;
    // The height the panel asks for at its width ends with the last row.
    const int asked =
        panel->hasHeightForWidth() ? panel->heightForWidth(panel->width()) : panel->sizeHint().height();
    EXPECT_LE(asked, rows.back().second + kGap);
    EXPECT_LT(panel->sizeHint().height(), whole / 4);
}

INSTANTIATE_TEST_SUITE_P(Filters, StudioNarrowedPanel,
                         ::testing::Values(NarrowedCase{"OneControl", "VSHIFT_PX_R", false},
                                           NarrowedCase{"OneGroup", "Crop Left", false},
                                           NarrowedCase{"AllCollapsed", "", true}),
                         [](const auto& p) { return std::string(p.param.name); });

}  // namespace duovis::studiotest
