// The window's layout: the effect's status area reads in full at any panel width, and the
// panel gives way when the window shrinks.
#include <QLabel>
#include <QScrollArea>
#include <algorithm>
#include <cmath>

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

}  // namespace duovis::studiotest
