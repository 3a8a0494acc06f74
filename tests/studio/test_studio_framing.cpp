// The viewer shows the frame `duovis render` writes: both eyes of a side-by-side or top-bottom
// output, one eye of a demuxed packed picture, whichever host drives the panel.
#include <QPainter>

#include "StudioFixture.h"
#include "StudioPrograms.h"
#include "core/params/ParamId.h"

namespace duovis::studiotest {

namespace {

struct Framing {
    const char* name;
    refhost::HostApp host;
    bool packed;  // one picture with both eyes side by side, demuxed
    QStringList assignments;
    QSize output;
};

void PrintTo(const Framing& f, std::ostream* os) {
    *os << f.name;
}

class StudioFraming : public StudioTest, public ::testing::WithParamInterface<Framing> {
  protected:
    // The pair's eyes side by side in one picture.
    void writePacked() {
        QImage packed(2 * kWidth, kHeight, QImage::Format_ARGB32);
        QPainter painter(&packed);
        painter.drawImage(0, 0, QImage(path("left.png")));
        painter.drawImage(kWidth, 0, QImage(path("right.png")));
        painter.end();
        ASSERT_TRUE(packed.save(path("packed.png")));
    }
};

}  // namespace

TEST_P(StudioFraming, ViewerShowsTheWholeRenderedFrame) {
    const Framing& f = GetParam();
    if (f.packed) writePacked();
    open(f.host, f.packed ? "packed.png" : "left.png", f.packed ? QString() : "right.png");
    for (const QString& a : f.assignments) session().assign(0, a.toStdString());
    settle();
    EXPECT_EQ(shown().size(), f.output);
    EXPECT_TRUE(window_->infoText(0).startsWith(
        QStringLiteral("%1 x %2 ").arg(f.output.width()).arg(f.output.height())))
        << window_->infoText(0).toStdString();

    QStringList args{"render", path(f.packed ? "packed.png" : "left.png")};
    if (!f.packed) args << "--second" << path("right.png");
    for (const QString& a : f.assignments) args << "-p" << a;
    args << "-o" << path("cli.png");
    const Outcome r = runProgram(QStringLiteral(DUOVIS_CLI_PATH), args, studioEnvironment());
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(QImage(path("cli.png")).convertToFormat(QImage::Format_RGB32),
              shown().convertToFormat(QImage::Format_RGB32));
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, StudioFraming,
    ::testing::Values(
        Framing{"side_by_side_100", refhost::HostApp::Premiere, false, {"DISPLAY_TYPE=4"}, {128, 36}},
        Framing{"top_bottom_100", refhost::HostApp::Premiere, false, {"DISPLAY_TYPE=6"}, {64, 72}},
        Framing{"side_by_side_100_ae", refhost::HostApp::AfterEffects, false, {"DISPLAY_TYPE=4"}, {128, 36}},
        Framing{"packed_anaglyph",
                refhost::HostApp::Premiere,
                true,
                {"PRIMARY_DEMUX_MODE=4", "DISPLAY_TYPE=8"},
                {64, 36}},
        Framing{"packed_left",
                refhost::HostApp::Premiere,
                true,
                {"PRIMARY_DEMUX_MODE=4", "DISPLAY_TYPE=1"},
                {64, 36}}),
    [](const ::testing::TestParamInfo<Framing>& p) { return std::string(p.param.name); });

}  // namespace duovis::studiotest
